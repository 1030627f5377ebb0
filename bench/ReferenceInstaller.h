// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The same job as TrackPackage's load and extraction, written as the plainest loop there is:
// read the file, walk the index, inflate each entry with zlib's uncompress, mkdir its folders,
// and open/write/close the file. No bounds checks, no prompts, no Qt: it only reads packages
// that the benchmark wrote itself, and it sets the pace that the program is measured against.
class ReferenceInstaller
{
public:
    ReferenceInstaller() = default;
    ~ReferenceInstaller();
    ReferenceInstaller(const ReferenceInstaller &) = delete;
    ReferenceInstaller &operator=(const ReferenceInstaller &) = delete;

    // False when the file cannot be read.
    bool load(const std::string &path);
    // False at the first entry that fails to inflate or to be written.
    bool extract(const std::string &target);

    std::size_t entryCount() const { return m_entries.size(); }

private:
    struct Entry
    {
        std::string relPath; // folder with slashes, then the name
        std::size_t folderLength = 0;
        std::int64_t dataOffset = 0;
        std::uint32_t unCompSize = 0;
        std::uint32_t compSize = 0;
    };

    unsigned char *m_data = nullptr;
    std::size_t m_size = 0;
    std::vector<Entry> m_entries;
};

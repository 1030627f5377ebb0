// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "PackageContents.h"
#include "ResultCodes.h"

#include <functional>

// Reads a package file, plain or self-extracting (found through its last eight bytes), into
// PackageContents, checking each offset and length against the file before it is used.
class PackageReader
{
public:
    struct Outcome
    {
        LoadResult code = LoadResult::Loaded;
        // Whether the version bytes were read, which the log reports whatever follows.
        bool versionRead = false;
        // The size of a file that could not be held in memory, else -1.
        qint64 tooLarge = -1;
    };
    // Called with (entries read, entries in all) while entries are read.
    using ProgressHandler = std::function<void(qint64 done, qint64 total)>;

    PackageReader(PackageContents &into, ProgressHandler progress);

    Outcome read(const QString &path);
    // The same for a package already in memory, as the fuzzer hands one over: nothing touches
    // the disk, the path is left as it was, and empty bytes are not a package.
    Outcome readBytes(const QByteArray &bytes);

private:
    Outcome readWholeFile(const QString &path);
    Outcome readData();
    Outcome readVersion();
    LoadResult readHeaderAndEntries();

    PackageContents &m_contents;
    ProgressHandler m_progress;
};

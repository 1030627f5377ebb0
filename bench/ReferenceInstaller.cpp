// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReferenceInstaller.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

std::int32_t longAt(const unsigned char *bytes)
{
    return std::int32_t(std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
                        | std::uint32_t(bytes[3]) << 24);
}

// mkdir -p: every prefix that ends before a "/", then the whole path.
bool makeFolders(const std::string &path)
{
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        if (::mkdir(path.substr(0, i).c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool writeFile(const std::string &path, const unsigned char *bytes, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return ::close(fd) == 0;
}

} // namespace

ReferenceInstaller::~ReferenceInstaller()
{
    std::free(m_data);
}

bool ReferenceInstaller::load(const std::string &path)
{
    std::free(m_data);
    m_data = nullptr;
    m_entries.clear();

    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return false;
    }
    m_size = std::size_t(info.st_size);
    m_data = static_cast<unsigned char *>(std::malloc(m_size));
    std::size_t done = 0;
    while (m_data && done < m_size) {
        const ssize_t got = ::read(fd, m_data + done, m_size - done);
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    ::close(fd);
    if (!m_data || done != m_size)
        return false;

    const std::int32_t packageHeader = longAt(m_data + m_size - 8);
    const unsigned char *cursor = m_data + packageHeader;
    const std::int64_t base = longAt(cursor + 4);
    const std::int32_t count = longAt(cursor + 8);
    cursor += 12;
    for (int i = 0; i < 3; ++i) // title, author, comments
        cursor += 4 + longAt(cursor);

    m_entries.resize(std::size_t(count));
    for (Entry &entry : m_entries) {
        const std::int32_t folderLength = longAt(cursor);
        entry.relPath.assign(reinterpret_cast<const char *>(cursor + 4), std::size_t(folderLength));
        cursor += 4 + folderLength;
        for (char &c : entry.relPath)
            if (c == '\\')
                c = '/';
        entry.folderLength = std::size_t(folderLength);
        const std::int32_t nameLength = longAt(cursor);
        entry.relPath.append(reinterpret_cast<const char *>(cursor + 4), std::size_t(nameLength));
        cursor += 4 + nameLength;
        entry.dataOffset = base + longAt(cursor);
        entry.unCompSize = std::uint32_t(longAt(cursor + 4));
        entry.compSize = std::uint32_t(longAt(cursor + 8));
        cursor += 12;
    }
    return true;
}

bool ReferenceInstaller::extract(const std::string &target)
{
    if (!makeFolders(target))
        return false;
    unsigned char *buffer = nullptr;
    std::size_t capacity = 0;
    std::string lastFolder;
    bool ok = true;
    for (const Entry &entry : m_entries) {
        if (entry.unCompSize > capacity) {
            std::free(buffer);
            capacity = entry.unCompSize;
            buffer = static_cast<unsigned char *>(std::malloc(capacity));
        }
        uLongf produced = entry.unCompSize;
        if (::uncompress(buffer, &produced, m_data + entry.dataOffset, entry.compSize) != Z_OK) {
            ok = false;
            break;
        }
        const std::string path = target + '/' + entry.relPath;
        const std::string folder = path.substr(0, target.size() + 1 + entry.folderLength);
        if (folder != lastFolder) {
            if (!makeFolders(folder)) {
                ok = false;
                break;
            }
            lastFolder = folder;
        }
        if (!writeFile(path, buffer, entry.unCompSize)) {
            ok = false;
            break;
        }
    }
    std::free(buffer);
    return ok;
}

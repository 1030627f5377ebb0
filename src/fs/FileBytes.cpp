// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FileBytes.h"

#include <cerrno>
#include <unistd.h>

namespace FileBytes {

namespace {

// One read(2): bytes read, 0 at the end, or -1 with errno set; never EINTR.
ssize_t readOnce(int fd, char *into, size_t size)
{
    ssize_t got;
    do {
        got = ::read(fd, into, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

int read(int fd, qint64 size, QByteArray *bytes)
{
    bytes->resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = readOnce(fd, bytes->data() + done, size_t(size - done));
        if (got < 0) {
            const int error = errno;
            bytes->clear();
            return error;
        }
        if (got == 0)
            break;
        done += got;
    }
    bytes->truncate(done);
    return 0;
}

int forEachChunk(int fd, const std::function<void(const char *bytes, size_t size)> &take)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = readOnce(fd, buffer, sizeof buffer);
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        take(buffer, size_t(got));
    }
}

} // namespace FileBytes

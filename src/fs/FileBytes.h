// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

#include <functional>

// Reading an open file to its end, going on after a signal: the one loop every reader uses.
namespace FileBytes {

// Reads at most `size` bytes of `fd` into `bytes`, which ends as long as what was read (a file
// may get shorter after its size was taken). 0, or errno.
int read(int fd, qint64 size, QByteArray *bytes);
// Hands every byte of `fd` to `take`, a chunk at a time, to the end of the file, without
// holding the file in memory. 0, or errno.
int forEachChunk(int fd, const std::function<void(const char *bytes, size_t size)> &take);

} // namespace FileBytes

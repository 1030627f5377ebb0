// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Fd.h"
#include "MappedFile.h"

#include <memory>

// A file with no name yet (O_TMPFILE) on the disk of an install, its blocks allocated and its
// bytes mapped, for a large entry to be inflated straight into: the entry then costs page cache,
// which the kernel writes out and takes back as it needs, instead of memory of the process's
// own, and the file is given its name (EntryFile) without its bytes being copied again. Until
// then it is no visible effect: a file given up vanishes with its descriptor.
class UnnamedFile
{
public:
    // A file of `capacity` bytes on the file system of `folderFd`; null, with errno, where that
    // file system has no unnamed files or can't allocate ahead, or the room isn't there.
    static std::unique_ptr<UnnamedFile> make(int folderFd, qint64 capacity);

    char *data() { return m_mapping->data(); }
    const char *data() const { return m_mapping->data(); }
    int fd() const { return m_fd.get(); }

    // Makes the next pages ready to be written, where they are memory (tmpfs): for a thread
    // that waits beside the one writing them, so that the writer finds them ready.
    void prepareAhead();

    // Cuts the file to the `size` bytes it keeps, once they are all in: false, with errno,
    // when a page of it could not be written (EIO) or the cut failed. The bytes stay mapped.
    bool finish(qint64 size);

private:
    UnnamedFile(Fd fd, std::unique_ptr<MappedFile> mapping);

    Fd m_fd;
    std::unique_ptr<MappedFile> m_mapping;
    qint64 m_prepared = 0; // bytes from the start made ready; all of them on a disk
};

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DiskResult.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>

// Writing one file of an install in a folder opened by InstallFolder, so that it appears
// whole or not at all.
//
// Bytes that go in with one write of at most a page are written straight to the new name:
// the kernel copies such a write all at once or not at all, so only an empty file can be
// seen between creating and writing. Anything larger is written to an unnamed file
// (O_TMPFILE) that gets its name once complete. Naming every file that way would cost a
// third more per file in installs of many small files.
//
// A replacement is written unnamed too, then named with a hidden temporary name and renamed
// over the old name at once: the old file stays whole until that instant, and a symbolic link
// at the name is replaced itself, never written through.
//
// Where the file system lacks a way, the next one is taken, in this order, as
// FileSystemFeatures learns them per device:
//   unnamed file named by descriptor → through /proc → a hidden temporary name;
//   a hidden name renamed with RENAME_NOREPLACE → hard-linked, then unlinked → looked up,
//   then renamed (FAT and exFAT, with neither; the folder's lock keeps other installs out).
// A kill can then leave a hidden temporary file behind, never a file cut short.
namespace EntryFile {

// The largest file written straight to its name.
constexpr qint64 OneStepSize = 4096;
// A file larger than this is written in steps of this size, so that whoever waits for it can
// be told how far it got, and can give it up, well within a tenth of a second per step.
constexpr qint64 WriteStepSize = qint64(8) << 20;

// Told the bytes written so far between the steps of a staged file; false gives the file up:
// nothing of it is left, and the write fails with EINTR.
using WriteSteps = std::function<bool(qint64 written)>;

// What a file is made of: `size` bytes, and maybe an unnamed file (UnnamedFile) that holds
// them already, on the folder's disk. That file is given the name itself, without a copy;
// where it can't be (the folder is on another mount), the bytes are written as any others.
struct Content
{
    const char *bytes = nullptr;
    qint64 size = 0;
    int file = -1;

    Content inMemory() const { return {bytes, size, -1}; }
};

// Makes `name` in `folderFd` with `size` bytes. Fails with EEXIST when something stands at the
// name (nothing is written then), and with ENOENT when the folder was removed meanwhile.
DiskResult create(int folderFd, const QByteArray &name, const Content &content, const WriteSteps &steps = {});
inline DiskResult create(int folderFd, const QByteArray &name, const char *bytes, qint64 size)
{
    return create(folderFd, name, Content{bytes, size});
}
// Puts `size` bytes in place of what stands at `name`; a failure leaves the old file as it was.
// `existingMode` is kept for the new file when the old one is a regular file (0: default).
DiskResult replace(int folderFd, const QByteArray &name, const Content &content, uint existingMode,
                   const WriteSteps &steps = {});
inline DiskResult replace(int folderFd, const QByteArray &name, const char *bytes, qint64 size, uint existingMode)
{
    return replace(folderFd, name, Content{bytes, size}, existingMode);
}

// Gives the open file `fd` the name `name` in `folderFd`: by descriptor (AT_EMPTY_PATH, which
// needs CAP_DAC_READ_SEARCH before Linux 6.10) where that works, else through /proc. 0, or
// the errno of the last way tried.
int linkOpenFile(int fd, int folderFd, const char *name);
// Writes all `size` bytes, going on after a signal; false on an error or a write of nothing
// (errno ENOSPC then).
bool writeAll(int fd, const char *bytes, qint64 size);
// A hidden name for a file on its way into a folder; every file the program stages has one,
// beginning with TemporaryPrefix.
QByteArray temporaryName();
constexpr char TemporaryPrefix[] = ".cratewright-";

} // namespace EntryFile

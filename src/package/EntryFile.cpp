// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EntryFile.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EntryFile {

namespace {

// Naming an unnamed file by its descriptor needs CAP_DAC_READ_SEARCH before Linux 6.10;
// otherwise it goes through /proc. Learned once per process.
std::atomic<bool> emptyPathLinks{true};
// Cleared when neither way of naming works (no /proc in a chroot, say): hidden temporary
// names stand in from then on.
std::atomic<bool> unnamedFiles{true};

constexpr int NameAttempts = 16;

// A file being written before it has its real name: unnamed, or under a hidden name where
// the file system has no unnamed files.
struct Staged
{
    int fd = -1;
    QByteArray temporaryName; // empty while unnamed
};

int openTemporary(int folderFd, QByteArray *name)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        *name = temporaryName();
        const int fd = ::openat(folderFd, name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void discard(int folderFd, const Staged &staged)
{
    const int error = errno;
    ::close(staged.fd);
    if (!staged.temporaryName.isEmpty())
        ::unlinkat(folderFd, staged.temporaryName.constData(), 0);
    errno = error;
}

// Writes the bytes into a file that has no real name yet; fd is -1 on failure, with errno.
Staged stage(int folderFd, const char *bytes, qint64 size)
{
    Staged staged;
    if (unnamedFiles)
        staged.fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (staged.fd < 0)
        staged.fd = openTemporary(folderFd, &staged.temporaryName);
    if (staged.fd < 0)
        return staged;
    if (!writeAll(staged.fd, bytes, size)) {
        discard(folderFd, staged);
        staged.fd = -1;
    }
    return staged;
}

// Gives an unnamed file `name`; fails with EEXIST when the name is taken.
bool linkUnnamed(int fd, int folderFd, const char *name)
{
    if (linkOpenFile(fd, folderFd, name))
        return true;
    const int error = errno;
    struct stat folder;
    if (error != EEXIST && ::fstat(folderFd, &folder) == 0 && folder.st_nlink > 0)
        unnamedFiles = false; // the folder is still there: naming is what fails
    errno = error;
    return false;
}

// Renames a hidden temporary file to `name` unless something is there already.
bool renameNoReplace(int folderFd, const QByteArray &from, const QByteArray &name)
{
    if (::renameat2(folderFd, from.constData(), folderFd, name.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without RENAME_NOREPLACE: a hard link also refuses a taken name.
    if (::linkat(folderFd, from.constData(), folderFd, name.constData(), 0) != 0)
        return false;
    ::unlinkat(folderFd, from.constData(), 0);
    return true;
}

Created failure()
{
    return errno == ENOENT ? Created::FolderGone : Created::Failed;
}

Created createInOneStep(int folderFd, const QByteArray &name, const char *bytes, qint64 size)
{
    const int fd = ::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? Created::Exists : failure();
    const bool written = writeAll(fd, bytes, size);
    if (::close(fd) == 0 && written)
        return Created::Written;
    ::unlinkat(folderFd, name.constData(), 0); // never leave a half-written file behind
    return Created::Failed;
}

Created createStaged(int folderFd, const QByteArray &name, const char *bytes, qint64 size)
{
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return Created::Exists; // asked about before anything is written
    const Staged staged = stage(folderFd, bytes, size);
    if (staged.fd < 0)
        return failure();
    const bool named = staged.temporaryName.isEmpty() ? linkUnnamed(staged.fd, folderFd, name.constData())
                                                      : renameNoReplace(folderFd, staged.temporaryName, name);
    if (!named) {
        const bool taken = errno == EEXIST;
        discard(folderFd, staged);
        if (taken)
            return Created::Exists;
        if (staged.temporaryName.isEmpty() && !unnamedFiles)
            return createStaged(folderFd, name, bytes, size); // again, under a hidden name
        return Created::Failed;
    }
    ::close(staged.fd);
    return Created::Written;
}

// Names a staged file with a hidden temporary name, ready to be renamed over the old file.
bool nameTemporarily(int folderFd, Staged *staged)
{
    if (!staged->temporaryName.isEmpty())
        return true;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = temporaryName();
        if (linkUnnamed(staged->fd, folderFd, name.constData())) {
            staged->temporaryName = name;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

Created create(int folderFd, const QByteArray &name, const char *bytes, qint64 size)
{
    if (size <= OneStepSize)
        return createInOneStep(folderFd, name, bytes, size);
    return createStaged(folderFd, name, bytes, size);
}

bool replace(int folderFd, const QByteArray &name, const char *bytes, qint64 size, uint existingMode)
{
    Staged staged = stage(folderFd, bytes, size);
    if (staged.fd < 0)
        return false;
    if (existingMode != 0)
        ::fchmod(staged.fd, existingMode & 0777); // never a set-id bit from the old file
    if (!nameTemporarily(folderFd, &staged)) {
        const bool retry = staged.temporaryName.isEmpty() && !unnamedFiles;
        discard(folderFd, staged);
        return retry && replace(folderFd, name, bytes, size, existingMode);
    }
    const bool closed = ::close(staged.fd) == 0;
    if (closed && ::renameat(folderFd, staged.temporaryName.constData(), folderFd, name.constData()) == 0)
        return true;
    ::unlinkat(folderFd, staged.temporaryName.constData(), 0);
    return false;
}

bool linkOpenFile(int fd, int folderFd, const char *name)
{
    if (emptyPathLinks && ::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    emptyPathLinks = false;
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, procPath, folderFd, name, AT_SYMLINK_FOLLOW) == 0;
}

bool writeAll(int fd, const char *bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

QByteArray temporaryName()
{
    return ".cratewright-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

} // namespace EntryFile

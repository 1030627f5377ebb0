// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EntryFile.h"

#include "Fd.h"
#include "FileSystemFeatures.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EntryFile {

namespace {

constexpr int NameAttempts = 16;

// The answers by which a kernel or file system says it has no such way at all.
bool wayIsMissing(int error)
{
    return error == EINVAL || error == EOPNOTSUPP || error == ENOSYS || error == EPERM || error == EISDIR;
}

bool folderStillThere(int folderFd)
{
    struct stat folder;
    return ::fstat(folderFd, &folder) == 0 && folder.st_nlink > 0;
}

DiskResult failed(const char *step, int error)
{
    return DiskResult::failed(QStringLiteral("write"), step, error);
}

// A file being written before it has its real name: unnamed, or under a hidden name where
// the file system has no unnamed files.
struct Staged
{
    Fd fd;
    QByteArray temporaryName; // empty while unnamed
    DiskResult result;
};

Fd openTemporary(int folderFd, QByteArray *name)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        *name = temporaryName();
        Fd fd(::openat(folderFd, name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd || errno != EEXIST)
            return fd;
    }
    return Fd();
}

void discard(int folderFd, Staged *staged)
{
    staged->fd.reset();
    if (!staged->temporaryName.isEmpty())
        ::unlinkat(folderFd, staged->temporaryName.constData(), 0);
}

Fd openUnnamed(int folderFd, FileSystemFeatures &features)
{
    if (!features.unnamedFiles)
        return Fd();
    Fd fd(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    // Kernels and file systems without O_TMPFILE answer EOPNOTSUPP, or EISDIR when they read
    // the flag as O_DIRECTORY alone.
    if (!fd && wayIsMissing(errno))
        features.unnamedFiles = false;
    return fd;
}

bool writeInSteps(int fd, const char *bytes, qint64 size, const WriteSteps &steps)
{
    for (qint64 written = 0; written < size;) {
        const qint64 step = std::min(size - written, WriteStepSize);
        if (!writeAll(fd, bytes + written, step))
            return false;
        written += step;
        // Between steps only: a file written whole is kept.
        if (written < size && steps && !steps(written)) {
            errno = EINTR;
            return false;
        }
    }
    return true;
}

// Writes the bytes into a file that has no real name yet, or takes the unnamed file that holds
// them; its fd is closed on failure.
Staged stage(int folderFd, FileSystemFeatures &features, const Content &content, const WriteSteps &steps)
{
    Staged staged;
    if (content.file >= 0) {
        staged.fd.reset(::fcntl(content.file, F_DUPFD_CLOEXEC, 0));
        if (!staged.fd)
            staged.result = failed("create", errno);
        return staged;
    }
    staged.fd = openUnnamed(folderFd, features);
    if (!staged.fd && !features.unnamedFiles)
        staged.fd = openTemporary(folderFd, &staged.temporaryName);
    if (!staged.fd) {
        staged.result = failed("create", errno);
        return staged;
    }
    if (!writeInSteps(staged.fd.get(), content.bytes, content.size, steps)) {
        staged.result = failed("write", errno);
        discard(folderFd, &staged);
    }
    return staged;
}

// Gives an unnamed file `name`: 0, or why not (EEXIST when the name is taken).
int linkUnnamed(int fd, int folderFd, FileSystemFeatures &features, const char *name)
{
    const int error = linkOpenFile(fd, folderFd, name);
    // ENOENT while the folder stands: no /proc to name it through (a chroot, say).
    if ((wayIsMissing(error) || error == ENOENT) && folderStillThere(folderFd))
        features.unnamedFiles = false;
    return error;
}

// Moves a hidden temporary file to `name` unless something is there already.
int renameNoReplace(int folderFd, FileSystemFeatures &features, const QByteArray &from, const QByteArray &name)
{
    if (features.noReplaceRenames) {
        if (::renameat2(folderFd, from.constData(), folderFd, name.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        if (!wayIsMissing(errno) || errno == EPERM)
            return errno;
        features.noReplaceRenames = false;
    }
    if (features.hardLinks) {
        // A hard link also refuses a taken name.
        if (::linkat(folderFd, from.constData(), folderFd, name.constData(), 0) == 0) {
            ::unlinkat(folderFd, from.constData(), 0);
            return 0;
        }
        if (!wayIsMissing(errno))
            return errno;
        features.hardLinks = false;
    }
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(folderFd, from.constData(), folderFd, name.constData()) == 0 ? 0 : errno;
}

DiskResult createInOneStep(int folderFd, const QByteArray &name, const char *bytes, qint64 size)
{
    Fd fd(::openat(folderFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd)
        return failed("create", errno);
    const int error = writeAll(fd.get(), bytes, size) ? fd.close() : errno;
    if (error == 0)
        return {};
    fd.reset();
    ::unlinkat(folderFd, name.constData(), 0); // never leave a half-written file behind
    return failed("write", error);
}

DiskResult createStaged(int folderFd, const QByteArray &name, const Content &content, const WriteSteps &steps)
{
    struct stat info;
    if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return failed("create", EEXIST); // asked about before anything is written
    FileSystemFeatures &features = FileSystemFeatures::of(folderFd);
    const bool unnamed = features.unnamedFiles;
    Staged staged = stage(folderFd, features, content, steps);
    if (!staged.fd)
        return staged.result;
    const int error = staged.temporaryName.isEmpty()
                          ? linkUnnamed(staged.fd.get(), folderFd, features, name.constData())
                          : renameNoReplace(folderFd, features, staged.temporaryName, name);
    if (error == 0)
        return {};
    discard(folderFd, &staged);
    if (error == EEXIST)
        return failed("create", EEXIST);
    if (content.file >= 0) // its file can't be named here: the bytes are written instead
        return createStaged(folderFd, name, content.inMemory(), steps);
    if (unnamed && !features.unnamedFiles)
        return createStaged(folderFd, name, content, steps); // again, under a hidden name
    return failed(unnamed ? "link" : "rename", error);
}

// Names a staged file with a hidden temporary name, ready to be renamed over the old file.
int nameTemporarily(int folderFd, FileSystemFeatures &features, Staged *staged)
{
    if (!staged->temporaryName.isEmpty())
        return 0;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        const QByteArray name = temporaryName();
        const int error = linkUnnamed(staged->fd.get(), folderFd, features, name.constData());
        if (error == 0)
            staged->temporaryName = name;
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

} // namespace

DiskResult create(int folderFd, const QByteArray &name, const Content &content, const WriteSteps &steps)
{
    if (content.size <= OneStepSize && content.file < 0)
        return createInOneStep(folderFd, name, content.bytes, content.size);
    return createStaged(folderFd, name, content, steps);
}

DiskResult replace(int folderFd, const QByteArray &name, const Content &content, uint existingMode,
                   const WriteSteps &steps)
{
    FileSystemFeatures &features = FileSystemFeatures::of(folderFd);
    const bool unnamed = features.unnamedFiles;
    Staged staged = stage(folderFd, features, content, steps);
    if (!staged.fd)
        return staged.result.as(QStringLiteral("replace"));
    if (existingMode != 0)
        ::fchmod(staged.fd.get(), existingMode & 0777); // never a set-id bit from the old file
    if (const int error = nameTemporarily(folderFd, features, &staged)) {
        discard(folderFd, &staged);
        if (content.file >= 0) // its file can't be named here: the bytes are written instead
            return replace(folderFd, name, content.inMemory(), existingMode, steps);
        if (unnamed && !features.unnamedFiles)
            return replace(folderFd, name, content, existingMode, steps); // again, under a hidden name
        return failed("link", error).as(QStringLiteral("replace"));
    }
    int error = staged.fd.close();
    const char *step = "write";
    if (error == 0 && ::renameat(folderFd, staged.temporaryName.constData(), folderFd, name.constData()) == 0)
        return {};
    if (error == 0) {
        error = errno;
        step = "rename";
    }
    ::unlinkat(folderFd, staged.temporaryName.constData(), 0);
    return failed(step, error).as(QStringLiteral("replace"));
}

int linkOpenFile(int fd, int folderFd, const char *name)
{
    FileSystemFeatures &features = FileSystemFeatures::of(folderFd);
    const bool byDescriptor = features.emptyPathLinks;
    if (byDescriptor) {
        if (::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0)
            return 0;
        // ENOENT is what a kernel before 6.10 answers a process without CAP_DAC_READ_SEARCH;
        // every other answer (EEXIST, EXDEV, ENOSPC, EPERM on FAT) is this link's own.
        if (errno != ENOENT)
            return errno;
    }
    char procPath[40];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, folderFd, name, AT_SYMLINK_FOLLOW) != 0)
        return errno;
    if (byDescriptor)
        features.emptyPathLinks = false; // /proc names it where the descriptor didn't
    return 0;
}

bool writeAll(int fd, const char *bytes, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

QByteArray temporaryName()
{
    return TemporaryPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

} // namespace EntryFile

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TestFiles.h"

#include "KernelProfile.h"
#include "platform/FileName.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QVersionNumber>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace TestFiles {

namespace {

// Everything the open file `fd` holds; closes it. Every path goes to the system by its bytes,
// as the program's own do: the trees of the tests hold names that are not UTF-8, which Qt's
// file classes would turn into other names.
QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[1 << 16];
    for (ssize_t got; fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, qsizetype(got));
    if (fd >= 0)
        ::close(fd);
    return bytes;
}

// As QDir::mkpath: the folder and those above it, 0777 less the umask.
bool makePath(const QString &path)
{
    const QByteArray bytes = FileName::encode(path);
    for (qsizetype at = 1; at <= bytes.size(); ++at) {
        if ((at == bytes.size() || bytes.at(at) == '/') && ::mkdir(bytes.left(at).constData(), 0777) != 0
            && errno != EEXIST)
            return false;
    }
    struct stat info;
    return ::stat(bytes.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QString parentOf(const QString &path)
{
    return FileName::absolute(path).section(u'/', 0, -2);
}

} // namespace

QByteArray readFile(const QString &path)
{
    return readAll(::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    makePath(parentOf(path));
    const int fd = ::open(FileName::encode(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return fd >= 0 && ::close(fd) == 0 && written;
}

QString fileLine(const QString &relativePath, const QByteArray &content)
{
    if (content.size() <= 16)
        return relativePath + u'=' + QString::fromLatin1(content);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size()));
    return u"%1=%2 bytes, crc32 %3"_s.arg(relativePath).arg(content.size()).arg(qulonglong(crc), 8, 16, QChar(u'0'));
}

namespace {

bool makeFile(const QByteArray &name)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd >= 0 && ::close(fd) == 0;
}

// What `probe` finds out about the file system that holds `folder`, asked once per file system
// (a probe costs a file) with a new file's name there, made. Until a file can be made there,
// which tells nothing, the answer is yes.
bool askFileSystem(const QString &folder, QHash<dev_t, bool> *known,
                   const std::function<bool(const QByteArray &name)> &probe)
{
    struct stat info;
    if (::stat(FileName::encode(folder).constData(), &info) != 0)
        return true;
    if (const auto found = known->constFind(info.st_dev); found != known->cend())
        return *found;
    const QByteArray name = FileName::encode(folder) + "/.probe-" + QByteArray::number(::getpid());
    if (!makeFile(name))
        return true;
    const bool answer = probe(name);
    ::unlink(name.constData());
    known->insert(info.st_dev, answer);
    return answer;
}

} // namespace

bool keepsModes(const QString &folder)
{
    static QHash<dev_t, bool> known;
    return askFileSystem(folder, &known, [](const QByteArray &name) {
        struct stat probed;
        return ::chmod(name.constData(), 0640) == 0 && ::stat(name.constData(), &probed) == 0
               && (probed.st_mode & 0777) == 0640;
    });
}

bool takesAnyName(const QString &folder)
{
    static QHash<dev_t, bool> known;
    return askFileSystem(folder, &known, [](const QByteArray &name) {
        // Refused as EILSEQ (ntfs-3g), EINVAL (exfat-fuse) or otherwise (fusefat).
        const QByteArray latin1 = name + "\xe9";
        const bool made = makeFile(latin1);
        ::unlink(latin1.constData());
        return made;
    });
}

bool holdsBytesNotUtf8(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0xdc80 && c.unicode() <= 0xdcff; });
}

namespace {

// The names in the open folder `folderFd`, read before any is changed.
QList<QByteArray> namesIn(int folderFd)
{
    QList<QByteArray> names;
    if (DIR *folder = ::fdopendir(::dup(folderFd))) {
        while (const dirent *entry = ::readdir(folder)) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names << QByteArray(entry->d_name);
        }
        ::closedir(folder);
    }
    return names;
}

// Runs `body` with the folder `name` (under `folderFd`) open, never through a link at `name`
// unless `noFollow` is 0; not at all when it can't be opened.
void inFolder(int folderFd, const QByteArray &name, const std::function<void(int)> &body, int noFollow = O_NOFOLLOW)
{
    const int inner = ::openat(folderFd, name.constData(), O_RDONLY | O_DIRECTORY | noFollow | O_CLOEXEC);
    if (inner >= 0) {
        body(inner);
        ::close(inner);
    }
}

// Describes what lies in the open folder `folderFd` (at `relative` under the root) and below.
// Everything is reached from the folder's descriptor, never by a whole path: on a FUSE file
// system each path walk asks the driver once per component, and a tree a thousand folders
// deep would take minutes.
void describeFolder(int folderFd, const QString &relative, bool modes, QStringList *lines)
{
    for (const QByteArray &name : namesIn(folderFd)) {
        const QString path = relative + FileName::decode(name);
        struct stat info;
        if (::fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        QString line;
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlinkat(folderFd, name.constData(), target, sizeof target);
            line = path + " -> "_L1 + FileName::decode(QByteArray(target, int(qMax<ssize_t>(length, 0))));
        } else if (S_ISDIR(info.st_mode)) {
            line = path + u'/';
        } else if (S_ISFIFO(info.st_mode)) {
            line = path + " (fifo)"_L1;
        } else {
            line = fileLine(path, readAll(::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)));
        }
        const uint mode = info.st_mode & 07777;
        if (modes && !S_ISLNK(info.st_mode) && mode != (S_ISDIR(info.st_mode) ? 0777u : 0666u))
            line += u" (mode %1)"_s.arg(mode, 4, 8, QChar(u'0'));
        if (info.st_uid != ::geteuid())
            line += u" (uid %1)"_s.arg(info.st_uid);
        *lines << line;
        if (S_ISDIR(info.st_mode))
            inFolder(folderFd, name, [&](int inner) { describeFolder(inner, path + u'/', modes, lines); });
    }
}

} // namespace

// Told by the file system's type rather than by trying, so that a program that wrongly gives
// up on unnamed files is caught. A kernel made to lack them (KernelProfile.h) has none anywhere.
bool killMayLeaveHidden(const QString &path)
{
    struct statfs info;
    if (KernelProfile::isActive(u"no-tmpfile"_s) || KernelProfile::isActive(u"no-links"_s)
        || ::statfs(FileName::encode(path).constData(), &info) != 0)
        return true;
    struct utsname kernel;
    if (info.f_type == OVERLAYFS_SUPER_MAGIC) // gives unnamed files names since Linux 6.6
        return ::uname(&kernel) != 0
               || QVersionNumber::fromString(QString::fromLatin1(kernel.release)) < QVersionNumber(6, 6);
    // ext2 to ext4 (one magic), XFS, Btrfs, tmpfs and F2FS have them; FUSE drivers (NTFS, exFAT,
    // FAT), FAT itself and network file systems don't.
    return !QList<__fsword_t>{EXT4_SUPER_MAGIC, XFS_SUPER_MAGIC, BTRFS_SUPER_MAGIC, TMPFS_MAGIC, F2FS_SUPER_MAGIC}
                .contains(info.f_type);
}

QStringList withoutHidden(QStringList lines)
{
    lines.removeIf([](const QString &line) { return line.section(u'/', -1).startsWith(".cratewright-"_L1); });
    return lines;
}

std::pair<QString, QString> treeTexts(QStringList actual, const QStringList &wanted, const QStringList &made)
{
    QStringList expected;
    for (const QString &line : wanted == QStringList{u"="_s} ? made : wanted) {
        const QStringList either = line.split(" | "_L1);
        const auto found = std::find_if(actual.cbegin(), actual.cend(),
                                        [&](const QString &l) { return either.contains(l); });
        if (line.endsWith(" ?"_L1))
            actual.removeOne(line.chopped(2));
        else
            expected << (either.size() > 1 && found != actual.cend() ? *found : line);
    }
    expected.removeDuplicates();
    expected.sort();
    return {actual.join(u'\n'), expected.join(u'\n')};
}

QStringList describeTree(const QString &root)
{
    QStringList lines;
    inFolder(
        AT_FDCWD, FileName::encode(root), [&](int fd) { describeFolder(fd, QString(), keepsModes(root), &lines); }, 0);
    lines.sort();
    return lines;
}

namespace {

// Removes everything in the open folder `folderFd`, reached from its descriptor for the same
// reason describeFolder() does; what can't be removed stays for QTemporaryDir to try.
void emptyFolder(int folderFd)
{
    for (const QByteArray &name : namesIn(folderFd)) {
        if (::unlinkat(folderFd, name.constData(), 0) == 0 || (errno != EISDIR && errno != EPERM))
            continue;
        inFolder(folderFd, name, emptyFolder);
        ::unlinkat(folderFd, name.constData(), AT_REMOVEDIR);
    }
}

} // namespace

Tree::~Tree()
{
    for (const QString &at : std::as_const(m_mounts))
        ::umount2(FileName::encode(at).constData(), MNT_DETACH);
    inFolder(AT_FDCWD, FileName::encode(m_dir.path()), emptyFolder, 0);
}

QString Tree::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

bool Tree::needsRoot(const QStringList &lines)
{
    return lines.join(u'\n').contains(QRegularExpression(u" \\((uid|tmpfs|ramfs)"_s));
}

bool Tree::make(const QStringList &lines)
{
    m_unsupported.clear();
    for (const QString &line : lines) {
        if (!makeLine(line)) {
            qWarning("cannot make %s", qPrintable(line));
            return false;
        }
    }
    return m_dir.isValid();
}

bool Tree::makeLine(QString line)
{
    const QString given = line;
    static const QRegularExpression attribute(u" \\(([^ )]*) ?([^)]*)\\)$"_s);
    static const QRegularExpression known(u"^(mode [0-7]+|uid [0-9]+|fifo |tmpfs .*|ramfs )$"_s);
    QHash<QString, QString> attributes;
    for (QRegularExpressionMatch m = attribute.match(line); m.hasMatch(); m = attribute.match(line)) {
        // A misspelt attribute would otherwise become part of the name, and the row test nothing.
        if (!known.match(m.captured(1) + u' ' + m.captured(2)).hasMatch()) {
            qWarning("tree line \"%s\": unknown attribute \"%s\" or value (there are mode, uid, fifo, tmpfs and ramfs)",
                     qPrintable(given), qPrintable(m.captured(1)));
            return false;
        }
        attributes.insert(m.captured(1), m.captured(2));
        line.truncate(m.capturedStart());
    }
    const qsizetype arrow = line.indexOf(" -> "_L1), equals = line.indexOf(u'=');
    const QString at = m_dir.filePath(line.left(arrow >= 0 ? arrow : equals));
    const QByteArray encoded = FileName::encode(at);
    const QString mount = attributes.contains(u"tmpfs"_s)   ? u"tmpfs"_s
                          : attributes.contains(u"ramfs"_s) ? u"ramfs"_s
                                                            : QString();
    // What a file system lacks it says with one of these (exfat-fuse: EIO for a named pipe).
    const auto lacks = [&](const char *what) {
        if (errno == EPERM || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EIO)
            m_unsupported = u"this file system has no %1: %2"_s.arg(QString::fromLatin1(what), given);
        return false;
    };
    bool made = makePath(parentOf(at));
    if (arrow >= 0)
        made = made
               && (::symlink(FileName::encode(line.mid(arrow + 4)).constData(), encoded.constData()) == 0
                   || lacks("symbolic links"));
    else if (equals >= 0)
        made = made && writeFile(at, line.mid(equals + 1).toLatin1());
    else if (attributes.contains(u"fifo"_s))
        made = made && (::mkfifo(encoded.constData(), 0666) == 0 || lacks("named pipes"));
    else
        made = made && makePath(at);
    if (made && !mount.isEmpty()) { // the mount point then reads back as any folder
        const QByteArray type = mount.toLatin1(), options = (attributes.value(mount) + ",mode=777"_L1).toLatin1();
        made = ::mount(type.constData(), encoded.constData(), type.constData(), 0, options.constData()) == 0;
        m_mounts.prepend(at);
    }
    if (!made)
        return false;
    for (const auto &[name, what] : {std::pair(u"mode"_s, "modes"), std::pair(u"uid"_s, "owners")}) {
        const bool mode = name == u"mode"_s;
        const uint value = attributes.value(name).toUInt(nullptr, mode ? 8 : 10);
        struct stat info;
        if (!attributes.contains(name))
            continue;
        if ((mode ? ::chmod(encoded.constData(), value) : ::lchown(encoded.constData(), value, value)) != 0)
            return lacks(what);
        if (::lstat(encoded.constData(), &info) != 0 || (mode ? info.st_mode & 07777 : info.st_uid) != value) {
            m_unsupported = u"this file system keeps no %1: "_s.arg(QLatin1String(what)) + given;
            return false;
        }
    }
    return true;
}

int runInChild(const std::function<int()> &body, const std::function<void(pid_t)> &meanwhile)
{
    const pid_t child = ::fork();
    if (child == 0) {
        int result = 255; // whatever is thrown, the child ends here
        try {
            result = body();
        } catch (...) {
        }
        ::_exit(result & 0xff);
    }
    if (child < 0)
        return KilledBy;
    if (meanwhile)
        meanwhile(child);
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return KilledBy;
    return WIFSIGNALED(status) ? KilledBy + WTERMSIG(status) : int(qint8(WEXITSTATUS(status)));
}

bool writingUnder(pid_t child, const QString &folder)
{
    const QString fds = u"/proc/%1/fd"_s.arg(child);
    const QStringList open = QDir(fds).entryList(QDir::Files | QDir::System);
    return std::any_of(open.cbegin(), open.cend(), [&](const QString &fd) {
        struct stat info;
        return QFile::symLinkTarget(fds + u'/' + fd).startsWith(folder + u'/')
               && ::stat(QFile::encodeName(fds + u'/' + fd).constData(), &info) == 0 && S_ISREG(info.st_mode);
    });
}

namespace {

bool ended(pid_t child)
{
    const QByteArray stat = readFile(u"/proc/%1/stat"_s.arg(child));
    return stat.isEmpty() || stat.contains(") Z ");
}

} // namespace

int killWhileWriting(const QString &folder, const std::function<void(const std::function<void()> &fileDone)> &install)
{
    int reports[2];
    if (::pipe2(reports, O_NONBLOCK | O_CLOEXEC) != 0)
        return 0;
    const int status = runInChild(
        [&] {
            install([&] { (void)!::write(reports[1], "x", 1); });
            (void)!::write(reports[1], "xx", 2);
            return ::pause();
        },
        [&](pid_t child) {
            char report;
            for (int done = 0; done < 2 && !(done == 1 && writingUnder(child, folder)) && !ended(child);)
                done += ::read(reports[0], &report, 1) == 1;
            ::kill(child, SIGKILL);
        });
    ::close(reports[0]);
    ::close(reports[1]);
    return status;
}

} // namespace TestFiles

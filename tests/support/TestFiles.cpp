// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TestFiles.h"

#include "platform/FileName.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace TestFiles {

namespace {

// Every path goes to the system by its bytes, as the program's own do: the trees of the tests
// hold names that are not UTF-8, which Qt's file classes would turn into other names.
QByteArray readBytes(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return QByteArray();
    }
    return file.readAll();
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

void describeInto(const QByteArray &folder, const QString &relativeFolder, QStringList *lines);

} // namespace

QByteArray readFile(const QString &path)
{
    return readBytes(FileName::encode(path));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    makePath(parentOf(path));
    const int fd = ::open(FileName::encode(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    return file.write(bytes) == bytes.size() && file.flush();
}

QString fileLine(const QString &relativePath, const QByteArray &content)
{
    if (content.size() <= 16)
        return relativePath + u'=' + QString::fromLatin1(content);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size()));
    return u"%1=%2 bytes, crc32 %3"_s.arg(relativePath).arg(content.size()).arg(qulonglong(crc), 8, 16, QChar(u'0'));
}

namespace {

void describeInto(const QByteArray &folder, const QString &relativeFolder, QStringList *lines)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name), path = folder + '/' + name;
        if (name == "." || name == "..")
            continue;
        const QString relative = relativeFolder + FileName::decode(name);
        struct stat info;
        char target[4096];
        if (::lstat(path.constData(), &info) != 0)
            continue;
        const ssize_t length = S_ISLNK(info.st_mode) ? ::readlink(path.constData(), target, sizeof target) : 0;
        QString line = S_ISLNK(info.st_mode)
                           ? relative + " -> "_L1 + FileName::decode(QByteArray(target, int(qMax<ssize_t>(length, 0))))
                       : S_ISDIR(info.st_mode)  ? relative + u'/'
                       : S_ISFIFO(info.st_mode) ? relative + " (fifo)"_L1
                                                : fileLine(relative, readBytes(path));
        const uint mode = info.st_mode & 07777;
        if (!S_ISLNK(info.st_mode) && mode != (S_ISDIR(info.st_mode) ? 0777u : 0666u))
            line += u" (mode %1)"_s.arg(mode, 4, 8, QChar(u'0'));
        if (info.st_uid != ::geteuid())
            line += u" (uid %1)"_s.arg(info.st_uid);
        *lines << line;
        if (S_ISDIR(info.st_mode))
            describeInto(path, relative + u'/', lines);
    }
    ::closedir(dir);
}

} // namespace

QStringList describeTree(const QString &root)
{
    QStringList lines;
    describeInto(FileName::encode(root), QString(), &lines);
    lines.sort();
    return lines;
}

Tree::~Tree()
{
    for (const QString &at : std::as_const(m_mounts))
        ::umount2(FileName::encode(at).constData(), MNT_DETACH);
    // By bytes, before QTemporaryDir tries: QDir::removeRecursively decodes names the lossy
    // way and can't reach one that is not UTF-8.
    const auto remove = [](const char *path, const struct stat *, int type, struct FTW *) {
        return (type == FTW_DP ? ::rmdir(path) : ::unlink(path)), 0;
    };
    ::nftw(FileName::encode(m_dir.path()).constData(), remove, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
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
    static const QRegularExpression attribute(u" \\((mode|uid|fifo|tmpfs|ramfs) ?([^)]*)\\)$"_s);
    QHash<QString, QString> attributes;
    for (QRegularExpressionMatch m = attribute.match(line); m.hasMatch(); m = attribute.match(line)) {
        attributes.insert(m.captured(1), m.captured(2));
        line.truncate(m.capturedStart());
    }
    const qsizetype arrow = line.indexOf(" -> "_L1), equals = line.indexOf(u'=');
    const QString at = m_dir.filePath(line.left(arrow >= 0 ? arrow : equals));
    const QByteArray encoded = FileName::encode(at);
    const QString mount = attributes.contains(u"tmpfs"_s)   ? u"tmpfs"_s
                          : attributes.contains(u"ramfs"_s) ? u"ramfs"_s
                                                            : QString();
    bool made = makePath(parentOf(at));
    if (arrow >= 0)
        made = made && ::symlink(FileName::encode(line.mid(arrow + 4)).constData(), encoded.constData()) == 0;
    else if (equals >= 0)
        made = made && writeFile(at, line.mid(equals + 1).toLatin1());
    else if (attributes.contains(u"fifo"_s))
        made = made && ::mkfifo(encoded.constData(), 0666) == 0;
    else
        made = made && makePath(at);
    if (made && !mount.isEmpty()) { // the mount point then reads back as any folder
        const QByteArray type = mount.toLatin1(), options = (attributes.value(mount) + ",mode=777"_L1).toLatin1();
        made = ::mount(type.constData(), encoded.constData(), type.constData(), 0, options.constData()) == 0;
        m_mounts.prepend(at);
    }
    return made
           && (!attributes.contains(u"mode"_s)
               || ::chmod(encoded.constData(), attributes.value(u"mode"_s).toUInt(nullptr, 8)) == 0)
           && (!attributes.contains(u"uid"_s)
               || ::lchown(encoded.constData(), attributes.value(u"uid"_s).toUInt(),
                           attributes.value(u"uid"_s).toUInt())
                      == 0);
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

} // namespace TestFiles

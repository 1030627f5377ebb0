#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace TestFiles {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QString fileLine(const QString &relativePath, const QByteArray &content)
{
    if (content.size() <= 16)
        return relativePath + u'=' + QString::fromLatin1(content);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size()));
    return u"%1=%2 bytes, crc32 %3"_s.arg(relativePath).arg(content.size()).arg(qulonglong(crc), 8, 16, QChar(u'0'));
}

QStringList describeTree(const QString &root)
{
    QStringList lines;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(root).relativeFilePath(path);
        const QByteArray encoded = QFile::encodeName(path);
        struct stat info;
        if (::lstat(encoded.constData(), &info) != 0)
            continue;
        QString line;
        mode_t usual = 0666;
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink(encoded.constData(), target, sizeof target);
            line = relative + " -> "_L1 + QFile::decodeName(QByteArray(target, int(qMax<ssize_t>(length, 0))));
            usual = info.st_mode & 07777;
        } else if (S_ISDIR(info.st_mode)) {
            line = relative + u'/';
            usual = 0777;
        } else if (S_ISFIFO(info.st_mode)) {
            line = relative + " (fifo)"_L1;
        } else {
            line = fileLine(relative, readFile(path));
        }
        if ((info.st_mode & 07777) != usual)
            line += u" (mode %1)"_s.arg(uint(info.st_mode & 07777), 4, 8, QChar(u'0'));
        if (info.st_uid != ::geteuid())
            line += u" (uid %1)"_s.arg(info.st_uid);
        lines.append(line);
    }
    lines.sort();
    return lines;
}

Tree::~Tree()
{
    for (const QString &at : std::as_const(m_mounts))
        ::umount2(QFile::encodeName(at).constData(), MNT_DETACH);
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
    int mode = -1, uid = -1;
    QString special, options;
    for (QRegularExpressionMatch m = attribute.match(line); m.hasMatch(); m = attribute.match(line)) {
        if (m.captured(1) == "mode"_L1)
            mode = m.captured(2).toInt(nullptr, 8);
        else if (m.captured(1) == "uid"_L1)
            uid = m.captured(2).toInt();
        else
            special = m.captured(1), options = m.captured(2);
        line.truncate(m.capturedStart());
    }
    const qsizetype arrow = line.indexOf(" -> "_L1), equals = line.indexOf(u'=');
    const QString name = arrow >= 0 ? line.left(arrow) : equals >= 0 ? line.left(equals) : line;
    const QString at = m_dir.filePath(name);
    const QByteArray encoded = QFile::encodeName(at);
    if (!QDir().mkpath(QFileInfo(at).absolutePath()))
        return false;
    bool made;
    if (arrow >= 0)
        made = ::symlink(QFile::encodeName(line.mid(arrow + 4)).constData(), encoded.constData()) == 0;
    else if (equals >= 0)
        made = writeFile(at, line.mid(equals + 1).toLatin1());
    else if (special == "fifo"_L1)
        made = ::mkfifo(encoded.constData(), 0666) == 0;
    else if (!special.isEmpty()) { // the mount point reads back like any folder
        const QByteArray type = special.toLatin1(), data = (options + ",mode=777"_L1).toLatin1();
        made = QDir().mkpath(at) && ::mount(type.constData(), encoded.constData(), type.constData(), 0, data.constData()) == 0;
    }
    else
        made = QDir().mkpath(at);
    if (made && !special.isEmpty() && special != "fifo"_L1)
        m_mounts.prepend(at);
    return made && (mode < 0 || ::chmod(encoded.constData(), mode_t(mode)) == 0)
           && (uid < 0 || ::lchown(encoded.constData(), uid_t(uid), gid_t(uid)) == 0);
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

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

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
        const QString path = it.next(), relative = path.mid(root.size() + 1);
        const QByteArray encoded = QFile::encodeName(path);
        struct stat info;
        char target[4096];
        if (::lstat(encoded.constData(), &info) != 0)
            continue;
        const ssize_t length = S_ISLNK(info.st_mode) ? ::readlink(encoded.constData(), target, sizeof target) : 0;
        QString line = S_ISLNK(info.st_mode)
                           ? relative + " -> "_L1 + QFile::decodeName(QByteArray(target, int(qMax<ssize_t>(length, 0))))
                       : S_ISDIR(info.st_mode)  ? relative + u'/'
                       : S_ISFIFO(info.st_mode) ? relative + " (fifo)"_L1
                                                : fileLine(relative, readFile(path));
        const uint mode = info.st_mode & 07777;
        if (!S_ISLNK(info.st_mode) && mode != (S_ISDIR(info.st_mode) ? 0777u : 0666u))
            line += u" (mode %1)"_s.arg(mode, 4, 8, QChar(u'0'));
        if (info.st_uid != ::geteuid())
            line += u" (uid %1)"_s.arg(info.st_uid);
        lines << line;
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
    QHash<QString, QString> attributes;
    for (QRegularExpressionMatch m = attribute.match(line); m.hasMatch(); m = attribute.match(line)) {
        attributes.insert(m.captured(1), m.captured(2));
        line.truncate(m.capturedStart());
    }
    const qsizetype arrow = line.indexOf(" -> "_L1), equals = line.indexOf(u'=');
    const QString at = m_dir.filePath(line.left(arrow >= 0 ? arrow : equals));
    const QByteArray encoded = QFile::encodeName(at);
    const QString mount = attributes.contains(u"tmpfs"_s)   ? u"tmpfs"_s
                          : attributes.contains(u"ramfs"_s) ? u"ramfs"_s
                                                            : QString();
    bool made = QDir().mkpath(QFileInfo(at).absolutePath());
    if (arrow >= 0)
        made = made && ::symlink(QFile::encodeName(line.mid(arrow + 4)).constData(), encoded.constData()) == 0;
    else if (equals >= 0)
        made = made && writeFile(at, line.mid(equals + 1).toLatin1());
    else if (attributes.contains(u"fifo"_s))
        made = made && ::mkfifo(encoded.constData(), 0666) == 0;
    else
        made = made && QDir().mkpath(at);
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

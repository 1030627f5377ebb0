// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SmallMachine.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Disk-backed on the machines we know; /tmp is often tmpfs.
const QString ImageFolder = u"/var/tmp"_s;

// This process's group in the hierarchy `/proc/self/cgroup` names by `controllers` ("" for v2).
QString ownGroup(const QString &controllers)
{
    const QString lines = QString::fromLatin1(TestFiles::readFile(u"/proc/self/cgroup"_s));
    const QRegularExpression line(u"^\\d+:%1:(.*)$"_s.arg(QRegularExpression::escape(controllers)),
                                  QRegularExpression::MultilineOption);
    return line.match(lines).captured(1);
}

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// What `program` said when it failed; empty when it succeeded.
QString failureOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return u"%1 %2 failed: %3"_s.arg(program, arguments.join(u' '),
                                         QString::fromLocal8Bit(process.readAll()).trimmed() + process.errorString());
    return QString();
}

} // namespace

SmallMachine::SmallMachine(qint64 memoryBytes, qint64 diskBytes)
    : m_dir(ImageFolder + u"/cratewright-small-machine-XXXXXX"_s)
{
    if (::geteuid() != 0)
        m_missing = u"a memory control group and a loop mount need root"_s;
    else if (makeGroup(memoryBytes))
        makeDisk(diskBytes);
}

SmallMachine::~SmallMachine()
{
    if (m_mounted && ::umount2(QFile::encodeName(disk()).constData(), 0) != 0)
        ::umount2(QFile::encodeName(disk()).constData(), MNT_DETACH);
    m_dir.remove();
    if (m_procs >= 0)
        ::close(m_procs);
    if (!m_group.isEmpty() && ::rmdir(QFile::encodeName(m_group).constData()) != 0)
        qWarning("cannot remove the memory control group %s: %s", qPrintable(m_group), std::strerror(errno));
}

QString SmallMachine::disk() const
{
    return m_dir.filePath(u"disk"_s);
}

bool SmallMachine::makeGroup(qint64 memoryBytes)
{
    // cgroup v2 enables controllers top down, and only a group without processes of its own
    // may pass them on: the root's child is the one place sure to have the memory controller.
    const QString name = u"/cratewright-test-%1"_s.arg(::getpid());
    m_v2 = TestFiles::readFile(u"/sys/fs/cgroup/cgroup.controllers"_s).simplified().split(' ').contains("memory");
    const QString parent = m_v2 ? u"/sys/fs/cgroup"_s : u"/sys/fs/cgroup/memory"_s + ownGroup(u"memory"_s);
    if (!m_v2 && !QFileInfo::exists(u"/sys/fs/cgroup/memory/memory.limit_in_bytes"_s)) {
        m_missing = u"no memory control group: /sys/fs/cgroup/cgroup.controllers lists no memory (cgroup v2), "
                    "and there is no /sys/fs/cgroup/memory/memory.limit_in_bytes (cgroup v1)"_s;
        return false;
    }
    if (::mkdir(QFile::encodeName(parent + name).constData(), 0755) != 0) {
        m_missing = u"cannot make the memory control group %1: %2"_s.arg(parent + name, systemError());
        return false;
    }
    m_group = parent + name;
    const QString limit = m_v2 ? u"memory.max"_s : u"memory.limit_in_bytes"_s;
    // No swap to spill into, as on a machine that has none; v1 counts memory and swap together.
    const QString swap = m_v2 ? u"memory.swap.max"_s : u"memory.memsw.limit_in_bytes"_s;
    if (!put(limit, memoryBytes) || (QFileInfo::exists(m_group + u'/' + swap) && !put(swap, m_v2 ? 0 : memoryBytes)))
        return false;
    m_procs = ::open(QFile::encodeName(m_group + u"/cgroup.procs"_s).constData(), O_WRONLY | O_CLOEXEC);
    if (m_procs < 0)
        m_missing = u"cannot open %1/cgroup.procs: %2"_s.arg(m_group, systemError());
    return m_procs >= 0;
}

void SmallMachine::makeDisk(qint64 diskBytes)
{
    struct statfs info;
    if (!m_dir.isValid() || ::statfs(QFile::encodeName(m_dir.path()).constData(), &info) != 0) {
        m_missing = u"cannot make a folder in %1 for the disk image"_s.arg(ImageFolder);
        return;
    }
    if (info.f_type == TMPFS_MAGIC || info.f_type == RAMFS_MAGIC) {
        m_missing = u"%1 is held in memory: the disk image would use the memory it stands beside"_s.arg(ImageFolder);
        return;
    }
    if (qint64(info.f_bavail) * info.f_bsize < diskBytes) {
        m_missing = u"%1 has %2 MiB free, the disk image needs %3 MiB"_s.arg(ImageFolder)
                        .arg(qint64(info.f_bavail) * info.f_bsize >> 20)
                        .arg(diskBytes >> 20);
        return;
    }
    // Sparse, made by mkfs.ext4: the image takes on disk what the test writes. No blocks kept
    // for root, which the free space a user is shown (f_bavail) would leave out.
    const QString image = m_dir.filePath(u"disk.ext4"_s);
    m_missing = failureOf(u"mkfs.ext4"_s, {u"-q"_s, u"-m"_s, u"0"_s, image, u"%1M"_s.arg(diskBytes >> 20)});
    if (m_missing.isEmpty() && !QDir().mkdir(disk()))
        m_missing = u"cannot make %1"_s.arg(disk());
    if (m_missing.isEmpty())
        m_missing = failureOf(u"mount"_s, {u"-o"_s, u"loop"_s, image, disk()});
    m_mounted = m_missing.isEmpty();
}

bool SmallMachine::put(const QString &file, qint64 value)
{
    const QString path = m_group + u'/' + file;
    const QByteArray text = QByteArray::number(value);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    // A control file takes its value in one write, or refuses it.
    const bool written = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    const int error = errno;
    if (!written)
        m_missing = u"cannot write %1 to %2: %3"_s.arg(QString::fromLatin1(text), path, systemError(error));
    if (fd >= 0)
        ::close(fd);
    return written;
}

bool SmallMachine::enter() const
{
    return ::write(m_procs, "0", 1) == 1; // "0": the writer itself
}

qint64 SmallMachine::oomKills() const
{
    const QString events = QString::fromLatin1(
        TestFiles::readFile(m_group + (m_v2 ? u"/memory.events"_s : u"/memory.oom_control"_s)));
    static const QRegularExpression count(u"^oom_kill (\\d+)$"_s, QRegularExpression::MultilineOption);
    const QRegularExpressionMatch found = count.match(events);
    return found.hasMatch() ? found.captured(1).toLongLong() : -1;
}

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Ext4Mount.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// Runs a program to its end; false, with what it said, when it fails.
bool run(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = QStringLiteral("%1 failed: %2")
                 .arg(program, process.error() == QProcess::FailedToStart
                                   ? QStringLiteral("not found")
                                   : QString::fromLocal8Bit(process.readAll().trimmed()));
    return false;
}

} // namespace

Ext4Mount::~Ext4Mount()
{
    if (m_mountPoint.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(m_mountPoint);
    // A child still inside (one that failed half-way) would keep it busy: detach it then.
    if (::umount2(path.constData(), 0) != 0)
        ::umount2(path.constData(), MNT_DETACH);
    ::rmdir(path.constData());
}

// Into a mount namespace of this process's own, where mounts stay private: the kernel unmounts
// the image when the process ends, however it ends. Threads and children started from here on
// share it. Where that is refused, the destructor alone unmounts.
void Ext4Mount::leaveSharedMounts()
{
    if (::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
}

bool Ext4Mount::mount(const QString &imageFolder, const QString &mountPoint, qint64 bytes, qint64 inodes,
                      QString *error)
{
    QTemporaryFile image(imageFolder + QStringLiteral("/cratewright-XXXXXX.ext4"));
    if (!image.open() || !image.resize(bytes)) {
        *error = QStringLiteral("cannot make a %1-byte image in %2").arg(bytes).arg(imageFolder);
        return false;
    }
    image.close();
    // Inode tables and journal written now, not by a kernel thread in the middle of a timed run.
    if (!run(QStringLiteral("mkfs.ext4"),
             {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-m"), QStringLiteral("0"),
              QStringLiteral("-N"), QString::number(inodes), QStringLiteral("-E"),
              QStringLiteral("lazy_itable_init=0,lazy_journal_init=0"), image.fileName()},
             error))
        return false;
    if (!QDir().mkpath(mountPoint)) {
        *error = QStringLiteral("cannot make %1").arg(mountPoint);
        return false;
    }
    leaveSharedMounts();
    if (!run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image.fileName(), mountPoint},
             error)) {
        QDir().rmdir(mountPoint);
        return false;
    }
    m_mountPoint = mountPoint;
    return true; // the image goes with `image`: the loop device keeps it until the unmount
}

bool Ext4Mount::startCold()
{
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && drop.write("3") == 1;
}

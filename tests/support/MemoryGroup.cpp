// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MemoryGroup.h"

#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

MemoryGroup::MemoryGroup(qint64 bytes)
{
    // cgroup v2 enables controllers top down, and only a group without processes of its own
    // may pass them on: the root's child is the one place sure to have the memory controller.
    // v1 has a hierarchy of its own for memory, where this process's group is.
    const bool v2 =
        TestFiles::readFile(u"/sys/fs/cgroup/cgroup.controllers"_s).simplified().split(' ').contains("memory");
    static const QRegularExpression v1Line(u"^\\d+:memory:(.*)$"_s, QRegularExpression::MultilineOption);
    const QString parent =
        v2 ? u"/sys/fs/cgroup"_s
           : u"/sys/fs/cgroup/memory"_s
                 + v1Line.match(QString::fromLatin1(TestFiles::readFile(u"/proc/self/cgroup"_s))).captured(1);
    const QString group = parent + u"/cratewright-test-%1"_s.arg(::getpid());
    if (::geteuid() != 0)
        m_missing = u"a memory control group needs root"_s;
    else if (!v2 && !QFileInfo::exists(u"/sys/fs/cgroup/memory/memory.limit_in_bytes"_s))
        m_missing = u"no memory controller: neither cgroup v2's nor v1's /sys/fs/cgroup/memory"_s;
    else if (::mkdir(QFile::encodeName(group).constData(), 0755) != 0)
        m_missing = u"cannot make %1: %2"_s.arg(group, QString::fromLocal8Bit(std::strerror(errno)));
    if (!m_missing.isEmpty())
        return;
    m_group = group;
    // No swap to spill into, as on a machine that has none; v1 counts memory and swap together.
    const QString swap = v2 ? u"memory.swap.max"_s : u"memory.memsw.limit_in_bytes"_s;
    if (!put(v2 ? u"memory.max"_s : u"memory.limit_in_bytes"_s, bytes)
        || (QFileInfo::exists(m_group + u'/' + swap) && !put(swap, v2 ? 0 : bytes)))
        return;
    m_procs = ::open(QFile::encodeName(m_group + u"/cgroup.procs"_s).constData(), O_WRONLY | O_CLOEXEC);
    if (m_procs < 0)
        m_missing = u"cannot open %1/cgroup.procs"_s.arg(m_group);
}

MemoryGroup::~MemoryGroup()
{
    if (m_procs >= 0)
        ::close(m_procs);
    if (!m_group.isEmpty() && ::rmdir(QFile::encodeName(m_group).constData()) != 0)
        qWarning("cannot remove the memory control group %s: %s", qPrintable(m_group), std::strerror(errno));
}

// A control file takes its value in one write, or refuses it.
bool MemoryGroup::put(const QString &file, qint64 value)
{
    QFile control(m_group + u'/' + file);
    if (control.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && control.write(QByteArray::number(value)) > 0)
        return true;
    m_missing = u"cannot write %1 to %2: %3"_s.arg(value).arg(control.fileName(), control.errorString());
    return false;
}

bool MemoryGroup::enter() const
{
    return ::write(m_procs, "0", 1) == 1; // "0": the writer itself
}

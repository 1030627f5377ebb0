// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "KernelProfile.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace KernelProfile {

namespace {

#if defined(__x86_64__)
constexpr quint32 Architecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr quint32 Architecture = AUDIT_ARCH_AARCH64;
#else
constexpr quint32 Architecture = 0; // system call numbers unknown here: install() refuses
#endif

// glibc's __O_TMPFILE carries O_DIRECTORY too, and every folder opened with O_DIRECTORY would
// match it: the kernel's own bit is the one that tells an unnamed file.
constexpr quint32 UnnamedFileBit = quint32(O_TMPFILE & ~O_DIRECTORY);

struct Rule
{
    long call;
    int argument;  // -1: the call whatever its arguments
    quint32 flags; // any of these bits in the argument's low 32 bits
    int error;
};

struct Profile
{
    const char *name;
    std::vector<Rule> rules;
};

const std::vector<Profile> &profiles()
{
    static const std::vector<Profile> all{
        {"no-empty-path-links", {{SYS_linkat, 4, AT_EMPTY_PATH, ENOENT}}},
        // openat2 hides its flags behind a pointer the filter can't follow: it is missing as
        // before Linux 5.6, and whoever uses it falls back to openat, where the flag shows.
        {"no-tmpfile",
         {
#ifdef SYS_open
             {SYS_open, 1, UnnamedFileBit, EOPNOTSUPP},
#endif
             {SYS_openat, 2, UnnamedFileBit, EOPNOTSUPP},
             {SYS_openat2, -1, 0, ENOSYS}}},
        {"no-noreplace", {{SYS_renameat2, 4, RENAME_NOREPLACE, EINVAL}}},
        {"no-links",
         {
#ifdef SYS_link
             {SYS_link, -1, 0, EPERM},
#endif
             {SYS_linkat, -1, 0, EPERM}}},
        {"no-fallocate", {{SYS_fallocate, -1, 0, EOPNOTSUPP}}},
        {"no-flock", {{SYS_flock, -1, 0, ENOLCK}}},
        {"no-chown", {{SYS_fchownat, -1, 0, EPERM}, {SYS_fchown, -1, 0, EPERM}}},
    };
    return all;
}

sock_filter op(quint16 code, quint32 k, quint8 ifTrue = 0, quint8 ifFalse = 0)
{
    return sock_filter{code, ifTrue, ifFalse, k};
}

std::vector<sock_filter> filterFor(const std::vector<Rule> &rules)
{
    const quint32 callNumber = offsetof(seccomp_data, nr);
    // A call made through another architecture's entry (int 0x80, x32) has other numbers:
    // the process dies rather than slipping past the rules.
    std::vector<sock_filter> code{
        op(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        op(BPF_JMP | BPF_JEQ | BPF_K, Architecture, 1, 0),
        op(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
#ifdef __x86_64__
    code.push_back(op(BPF_LD | BPF_W | BPF_ABS, callNumber));
    code.push_back(op(BPF_JMP | BPF_JSET | BPF_K, 0x40000000, 0, 1)); // __X32_SYSCALL_BIT
    code.push_back(op(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
#endif
    for (const Rule &rule : rules) {
        code.push_back(op(BPF_LD | BPF_W | BPF_ABS, callNumber));
        if (rule.argument < 0) {
            code.push_back(op(BPF_JMP | BPF_JEQ | BPF_K, quint32(rule.call), 0, 1));
        } else {
            code.push_back(op(BPF_JMP | BPF_JEQ | BPF_K, quint32(rule.call), 0, 3));
            // The argument's low 32 bits: an int passed in a 64-bit register may carry anything
            // in the upper half. Both architectures above are little-endian.
            const size_t lowWord = offsetof(seccomp_data, args) + sizeof(quint64) * size_t(rule.argument);
            code.push_back(op(BPF_LD | BPF_W | BPF_ABS, quint32(lowWord)));
            code.push_back(op(BPF_JMP | BPF_JSET | BPF_K, rule.flags, 0, 1));
        }
        code.push_back(op(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (quint32(rule.error) & SECCOMP_RET_DATA)));
    }
    code.push_back(op(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    return code;
}

} // namespace

QStringList names()
{
    QStringList list;
    for (const Profile &profile : profiles())
        list << QString::fromLatin1(profile.name);
    return list;
}

bool install(const QString &names)
{
    if (Architecture == 0) {
        qWarning("kernel profiles: no filter for this architecture");
        return false;
    }
    std::vector<Rule> rules;
    const QStringList wanted = names.split(u',');
    for (const QString &name : wanted) {
        const Profile *found = nullptr;
        for (const Profile &profile : profiles())
            found = name == QLatin1String(profile.name) ? &profile : found;
        if (!found) {
            qWarning("kernel profiles: no profile \"%s\" (there are %s)", qPrintable(name),
                     qPrintable(KernelProfile::names().join(", "_L1)));
            return false;
        }
        rules.insert(rules.end(), found->rules.cbegin(), found->rules.cend());
    }
    std::vector<sock_filter> code = filterFor(rules);
    const sock_fprog program{static_cast<unsigned short>(code.size()), code.data()};
    // Every thread, so that a worker started earlier can't bypass the profile.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        qWarning("kernel profiles: no_new_privs refused: %s", std::strerror(errno));
        return false;
    }
    if (const long refused = ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &program)) {
        qWarning("kernel profiles: the filter was refused (thread %ld): %s", refused, std::strerror(errno));
        return false;
    }
    const QString before = qEnvironmentVariable(Variable);
    qputenv(Variable, (before.isEmpty() ? names : before + u',' + names).toUtf8());
    return true;
}

bool isActive(const QString &name)
{
    return qEnvironmentVariable(Variable).split(u',').contains(name);
}

} // namespace KernelProfile

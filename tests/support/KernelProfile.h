// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

// Our users' kernels and file systems lack what the test machines have: AT_EMPTY_PATH links for
// a user on Linux 6.1, O_TMPFILE, RENAME_NOREPLACE, hard links, fallocate and flock on FAT, exFAT
// and some network file systems, and a user's right to give a file away. A profile stands in for one such lack, the same on every
// machine: a seccomp filter answers the one system call (or the call with one flag) with the
// errno that such a kernel gives, and lets every other call through.
//
//   no-empty-path-links  linkat with AT_EMPTY_PATH      ENOENT
//   no-tmpfile           open, openat with O_TMPFILE    EOPNOTSUPP (openat2: ENOSYS)
//   no-noreplace         renameat2 with RENAME_NOREPLACE EINVAL
//   no-links             link, linkat                   EPERM
//   no-fallocate         fallocate                      EOPNOTSUPP
//   no-flock             flock                          ENOLCK
//   no-chown             fchownat, fchown               EPERM (as to anyone but root)
//
// The filter can't be taken back and every child inherits it, so a test installs it in a child
// process, or the kernel-profile helper installs it before it starts a test program:
//   kernel-profile no-tmpfile[,no-links...] PROGRAM [ARGUMENTS...]
// Either way the names in force are in the environment for the program to ask about.
namespace KernelProfile {

constexpr const char *Variable = "CRATEWRIGHT_KERNEL_PROFILE";

QStringList names();
// Installs the filter of each profile in `names` (comma-separated) on every thread of this
// process and adds them to the environment. False, with a warning, for an unknown name, an
// architecture the filters don't know, or a kernel that refuses them: never a filter that
// silently lets everything through.
bool install(const QString &names);
// Whether this process runs under the profile `name`.
bool isActive(const QString &name);

} // namespace KernelProfile

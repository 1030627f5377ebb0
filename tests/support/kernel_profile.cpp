// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// kernel-profile PROFILE[,PROFILE...] PROGRAM [ARGUMENTS...]: runs a program as on a kernel or
// file system without a feature (KernelProfile.h). Exit statuses as env(1) has them: 125 when
// no filter could be installed, 126 when the program can't be run, 127 when it isn't there.
#include "KernelProfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: kernel-profile PROFILE[,PROFILE...] PROGRAM [ARGUMENTS...]\nprofiles: %s\n",
                     qPrintable(KernelProfile::names().join(u' ')));
        return 125;
    }
    if (!KernelProfile::install(QString::fromLocal8Bit(argv[1])))
        return 125;
    ::execvp(argv[2], argv + 2);
    const int error = errno;
    std::fprintf(stderr, "kernel-profile: %s: %s\n", argv[2], std::strerror(error));
    return error == ENOENT ? 127 : 126;
}

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: any bytes as a package, read and inflated in memory by the check that
// tests/fuzzregressions replays on every file kept under fuzz/ (PackageCheck.h). Nothing
// touches the disk, so the reader and the inflater see tens of thousands of inputs a second;
// fuzz_install puts the same inputs through an install.

#include "FuzzTarget.h"
#include "PackageCheck.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(FuzzTarget::quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const PackageCheck check = checkRead(bytes);
    if (!check.fault.isEmpty())
        FuzzTarget::fail(check.fault);
    return 0;
}

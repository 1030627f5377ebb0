// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: any bytes as an install record or journal, which a user or another
// program may have edited, read and written back by the check that tests/fuzzregressions
// replays on every file kept under fuzz/ (RecordCheck.h).

#include "FuzzTarget.h"
#include "RecordCheck.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(FuzzTarget::quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const RecordCheck check = checkRecord(text);
    if (!check.fault.isEmpty())
        FuzzTarget::fail(check.fault);
    return 0;
}

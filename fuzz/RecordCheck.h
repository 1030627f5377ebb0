// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// What must hold for any bytes read as an install record or journal, which a user or another
// program may have edited; fuzz_record checks it on every input, tests/fuzzregressions on every
// file kept under fuzz/. A record that is refused says why; one that is read is written out
// again (serialized()) and read back as the very same record, so rewriting a record (as an
// undo does when it marks its progress) never changes what it says.
struct RecordCheck
{
    bool parsed = false;
    QString fault; // empty when everything held
};

RecordCheck checkRecord(const QByteArray &text);

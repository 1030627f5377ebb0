// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// What must hold for any bytes handed over as a package; the fuzzer checks it on every input,
// tests/fuzzregressions on every file kept under fuzz/. The load ends with a code from its
// table. A package that loads (and declares no more than a few megabytes) is installed twice
// into the same folder with asking off: each install ends with a code from its table, asks
// nothing and writes nothing beside its folder, and one that succeeds leaves exactly the
// entries' files, each holding its inflated bytes, with the last marked one recorded as the
// track file.
struct PackageCheck
{
    int loaded = 0;
    int installed = 1; // 1: not installed
    QString fault;     // empty when everything held
};

// Works in `workFolder` and leaves it as it found it.
PackageCheck checkPackage(const QByteArray &bytes, const QString &workFolder);

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

class TrackPackage;

// What must hold for any bytes handed over as a package; the fuzzer checks it on every input,
// tests/fuzzregressions on every file kept under fuzz/. The load ends with a code from its
// table. A package that loads (and declares no more than a few megabytes) has every entry
// inflated as zlib's `uncompress` inflates it (inflationDifference()), and is installed twice
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

// How the program's inflater (EntryInflater) and zlib's `uncompress`, the reference, differ on
// one stored stream for an entry of `unCompSize` bytes, both into a buffer of the entry's
// capacity, cut or padded with zeros to its size: empty when they agree on success and bytes,
// or when zlib refuses one of the encodings that EntryInflater documents as accepted.
QString inflationDifference(const QByteArray &stored, qint32 unCompSize);
// The same for every entry of a loaded package.
QString inflationDifference(const TrackPackage &package);

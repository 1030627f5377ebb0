// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

struct PackageContents;

// What must hold for any bytes handed over as a package; the fuzzers check it on every input,
// tests/fuzzregressions on every file kept under fuzz/. The load ends with a code from its
// table, and a package that loads has as many entries as its header counts and (when it
// declares no more than a few megabytes) every entry inflated as zlib's `uncompress` inflates
// it (inflationDifference()). checkInstall() then installs it twice into the same folder with
// asking off: each install ends with a code from its table, asks nothing and writes nothing
// beside its folder, and one that succeeds leaves exactly the entries' files, each holding its
// inflated bytes, with the last marked one recorded as the track file.
struct PackageCheck
{
    int loaded = 0;
    int installed = 1; // 1: not installed
    QString fault;     // empty when everything held
};

// The bytes read in memory (PackageReader::readBytes()) and inflated; nothing touches the disk,
// so it runs tens of thousands of times a second.
PackageCheck checkRead(const QByteArray &bytes);
// The bytes written to a package file, loaded from it and installed. Works in `workFolder`
// and leaves it as it found it.
PackageCheck checkInstall(const QByteArray &bytes, const QString &workFolder);

// How the program's inflater (EntryInflater) and zlib's `uncompress`, the reference, differ on
// one stored stream for an entry of `unCompSize` bytes, both into a buffer of the entry's
// capacity, cut or padded with zeros to its size: empty when they agree on success and bytes,
// or when zlib refuses one of the encodings that EntryInflater documents as accepted.
QString inflationDifference(const QByteArray &stored, qint32 unCompSize);
// The same for every entry of a loaded package.
QString inflationDifference(const PackageContents &contents);

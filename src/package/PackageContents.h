// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ZLibCompFileMetaData.h"
#include "fs/MappedFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// What loading read from a package file: the whole file, where it was read from, the offsets
// its footer and headers give, its version, its texts and one record per file entry. Each value
// is kept as soon as it is read, so a load that fails part way leaves the ones before the
// failure read anew and the others as they were.
struct PackageContents
{
    QByteArray pkgFileData;
    // The mapping pkgFileData's bytes lie in, when the file was mapped rather than read: whoever
    // keeps a copy of pkgFileData beyond this load keeps this too.
    std::shared_ptr<const MappedFile> pkgFileMapping;
    QString pkgFilePath; // as given
    qint32 trkInfoHeaderOffset = 0;
    qint32 pkgHeaderOffset = 0;
    qint8 pkgFileVerMaj = 0;
    qint8 pkgFileVerMin = 0;
    qint8 pkgFileVerRev = 0;
    qint32 baseOffset = 0;
    qint32 numFilesInPkg = 0;
    QString pkgTitle;
    QString pkgAuthor;
    QString pkgComments;
    QList<ZLibCompFileMetaData> compFileMetaData;

    // 1.3 or 1.5: the versions a package may be loaded and installed in.
    bool versionIsAccepted() const { return pkgFileVerMaj == 1 && (pkgFileVerMin == 3 || pkgFileVerMin == 5); }
};

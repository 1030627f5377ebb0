// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// One file entry of a track package: where its compressed bytes lie and where it goes.
class ZLibCompFileMetaData
{
public:
    ZLibCompFileMetaData() = default;

    // Every backslash of the folder becomes a slash.
    void setRelPath(const QString &relPath);
    void setFilename(const QString &filename) { m_filename = filename; }
    void setBaseRelOffset(qint32 offset) { m_baseRelOffset = offset; }
    void setUncompSize(qint32 size) { m_unCompSize = size; }
    void setCompSize(qint32 size) { m_compSize = size; }

    QString relPath() const { return m_relPath; }
    QString filename() const { return m_filename; }
    qint32 baseRelOffset() const { return m_baseRelOffset; }
    qint32 unCompSize() const { return m_unCompSize; }
    qint32 compSize() const { return m_compSize; }

    // The folder followed directly by the name: a folder that isn't empty ends with its own
    // separator in well-made packages, and nothing is put between them here.
    QString relFilePath() const { return m_relPath + m_filename; }

private:
    QString m_relPath;
    QString m_filename;
    qint32 m_baseRelOffset = 0;
    qint32 m_unCompSize = 0;
    qint32 m_compSize = 0;
};

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ZLibCompFileMetaData.h"

void ZLibCompFileMetaData::setRelPath(const QString &relPath)
{
    m_relPath = relPath;
    m_relPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

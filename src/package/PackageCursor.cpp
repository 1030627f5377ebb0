// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageCursor.h"

qint32 PackageCursor::longAt(const QByteArray &data, qint64 offset)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData()) + offset;
    const quint32 value = quint32(bytes[3]) << 24 | quint32(bytes[2]) << 16 | quint32(bytes[1]) << 8
                          | quint32(bytes[0]);
    return static_cast<qint32>(value);
}

bool PackageCursor::readLong(qint32 *value)
{
    if (!rangeIsInside(m_data, m_position, 4))
        return false;
    *value = longAt(m_data, m_position);
    m_position += 4;
    return true;
}

bool PackageCursor::readString(QString *value)
{
    qint32 length = 0;
    if (!rangeIsInside(m_data, m_position, 4))
        return false;
    length = longAt(m_data, m_position);
    if (!rangeIsInside(m_data, m_position + 4, length))
        return false;
    *value = QString::fromLatin1(m_data.constData() + m_position + 4, length);
    m_position += 4 + qint64(length);
    return true;
}

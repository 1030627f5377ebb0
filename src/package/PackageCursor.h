// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

// A bounds-checked walk through a package's bytes: every read either lies wholly inside the
// buffer or fails and leaves the cursor where it was.
class PackageCursor
{
public:
    PackageCursor(const QByteArray &data, qint64 position)
        : m_data(data)
        , m_position(position)
    {
    }

    qint64 position() const { return m_position; }
    qint64 remaining() const { return m_data.size() - m_position; }

    bool readLong(qint32 *value);
    // A four-byte length and that many bytes, decoded as Latin-1 so no byte is lost. A
    // negative length or one that runs past the end fails.
    bool readString(QString *value);

    static bool rangeIsInside(const QByteArray &data, qint64 offset, qint64 length)
    {
        return offset >= 0 && length >= 0 && offset <= data.size() && length <= data.size() - offset;
    }
    // Little-endian signed 32-bit value at `offset`, which the caller has checked.
    static qint32 longAt(const QByteArray &data, qint64 offset);

private:
    const QByteArray &m_data;
    qint64 m_position;
};

// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PackageWriter.h"

#include <QFile>

#include <zlib.h>

PackageWriter &PackageWriter::setVersion(qint8 major, qint8 minor, qint8 revision)
{
    m_version[0] = major;
    m_version[1] = minor;
    m_version[2] = revision;
    return *this;
}

PackageWriter &PackageWriter::setTags(const QByteArray &trackInfoTag, const QByteArray &packageTag)
{
    m_trackInfoTag = trackInfoTag;
    m_packageTag = packageTag;
    return *this;
}

PackageWriter &PackageWriter::addFile(const QByteArray &folder, const QByteArray &name, const QByteArray &content)
{
    Entry entry;
    entry.folder = folder;
    entry.name = name;
    entry.content = content;
    return addEntry(entry);
}

PackageWriter &PackageWriter::addEntry(const Entry &entry)
{
    m_entries.append(entry);
    return *this;
}

QByteArray PackageWriter::compress(const QByteArray &content, int level)
{
    uLongf size = compressBound(uLong(content.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(content.constData()),
              uLong(content.size()), level);
    out.resize(qsizetype(size));
    return out;
}

void PackageWriter::appendLong(QByteArray &out, qint32 value)
{
    const quint32 v = quint32(value);
    const char bytes[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char((v >> 24) & 0xff)};
    out.append(bytes, 4);
}

void PackageWriter::appendString(QByteArray &out, const QByteArray &text)
{
    appendLong(out, qint32(text.size()));
    out.append(text);
}

QByteArray PackageWriter::build() const
{
    QList<QByteArray> stored;
    for (const Entry &entry : m_entries)
        stored.append(entry.compressed ? *entry.compressed : compress(entry.content, m_level));

    // Data offsets, counted from the base, in the chosen storage order.
    QList<qint32> offsets(m_entries.size());
    qint64 position = 0;
    for (qsizetype k = 0; k < m_entries.size(); ++k) {
        const qsizetype i = m_reverseData ? m_entries.size() - 1 - k : k;
        offsets[i] = qint32(position);
        position += stored.at(i).size();
    }

    QByteArray entries;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries.at(i);
        appendString(entries, entry.folder);
        appendString(entries, entry.name);
        appendLong(entries, entry.dataOffset.value_or(offsets.at(i)));
        appendLong(entries, entry.unCompSize.value_or(qint32(entry.content.size())));
        appendLong(entries, entry.compSize.value_or(qint32(stored.at(i).size())));
    }

    QByteArray out = m_prefix;
    m_layout.packageHeader = qint32(out.size());
    const qint64 headerSize = 24 + m_title.size() + m_author.size() + m_comments.size();
    m_layout.trackInfoHeader = qint32(m_layout.packageHeader + headerSize + entries.size());
    m_layout.base = m_layout.trackInfoHeader + 7;

    out.append(m_packageTag);
    appendLong(out, m_layout.base);
    appendLong(out, m_fileCount.value_or(qint32(m_entries.size())));
    appendString(out, m_title);
    appendString(out, m_author);
    appendString(out, m_comments);
    out.append(entries);
    out.append(m_trackInfoTag);
    out.append(reinterpret_cast<const char *>(m_version), 3);
    for (qsizetype k = 0; k < m_entries.size(); ++k)
        out.append(stored.at(m_reverseData ? m_entries.size() - 1 - k : k));
    appendLong(out, m_layout.packageHeader);
    appendLong(out, m_layout.trackInfoHeader);
    return out;
}

bool PackageWriter::writeTo(const QString &path) const
{
    QFile file(path);
    const QByteArray bytes = build();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

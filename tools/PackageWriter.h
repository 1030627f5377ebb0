// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Builds track packages in memory for tests, the benchmark, the fuzzing corpus and the
// example package. The programs themselves only read the format.
//
// Layout written: [prefix][package header, title, author, comments][entries]
//                 [track-info header][file data][footer: P, T]
// Every field can be overridden to build broken and hostile files.
class PackageWriter
{
public:
    struct Entry
    {
        QByteArray folder; // stored as is: use "Tracks\\" for a folder with a separator
        QByteArray name;
        QByteArray content;                   // compressed with zlib unless `compressed` is set
        std::optional<QByteArray> compressed; // raw stored bytes instead of compress(content)
        std::optional<qint32> dataOffset;     // default: where the writer put the data
        std::optional<qint32> unCompSize;     // default: content size
        std::optional<qint32> compSize;       // default: stored byte count
    };

    PackageWriter &setTitle(const QByteArray &title)
    {
        m_title = title;
        return *this;
    }
    PackageWriter &setAuthor(const QByteArray &author)
    {
        m_author = author;
        return *this;
    }
    PackageWriter &setComments(const QByteArray &comments)
    {
        m_comments = comments;
        return *this;
    }
    PackageWriter &setVersion(qint8 major, qint8 minor, qint8 revision);
    // Bytes put in front of the package, as a self-extracting file carries its program.
    PackageWriter &setPrefix(const QByteArray &prefix)
    {
        m_prefix = prefix;
        return *this;
    }
    PackageWriter &setTags(const QByteArray &trackInfoTag, const QByteArray &packageTag);
    // The file count written in the header; by default the number of entries.
    PackageWriter &setFileCount(qint32 count)
    {
        m_fileCount = count;
        return *this;
    }
    // Stores the entries' data last entry first, so data order differs from entry order.
    PackageWriter &setDataInReverseOrder(bool reverse)
    {
        m_reverseData = reverse;
        return *this;
    }
    PackageWriter &setCompressionLevel(int level)
    {
        m_level = level;
        return *this;
    }

    PackageWriter &addFile(const QByteArray &folder, const QByteArray &name, const QByteArray &content);
    PackageWriter &addEntry(const Entry &entry);

    QByteArray build() const;
    bool writeTo(const QString &path) const;

    static QByteArray compress(const QByteArray &content, int level = 6);
    static void appendLong(QByteArray &out, qint32 value);
    static void appendString(QByteArray &out, const QByteArray &text);

    // Offsets in the last build(), for tests that corrupt a built file.
    struct Layout
    {
        qint32 packageHeader = 0;
        qint32 trackInfoHeader = 0;
        qint32 base = 0;
    };
    Layout lastLayout() const { return m_layout; }

private:
    QByteArray m_prefix;
    QByteArray m_title;
    QByteArray m_author;
    QByteArray m_comments;
    QByteArray m_trackInfoTag = "ZCTI";
    QByteArray m_packageTag = "ZCSE";
    qint8 m_version[3] = {1, 3, 0};
    std::optional<qint32> m_fileCount;
    bool m_reverseData = false;
    int m_level = 6;
    QList<Entry> m_entries;
    mutable Layout m_layout;
};

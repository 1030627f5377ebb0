// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <QtGlobal>

#include <cstddef>

// A file's content as 128 bits (XXH3-128): enough to tell whether a file still holds what an
// install wrote, and fast enough to take of every file an install writes.
struct ContentHash
{
    quint64 high = 0;
    quint64 low = 0;

    // 32 lower-case hex digits, high half first; the name of a kept original in the store.
    QString toHex() const;
    QByteArray hexBytes() const; // the same, for a record's line
    // Nothing when `hex` is not exactly 32 hex digits.
    static bool fromHex(const QString &hex, ContentHash *hash);

    bool operator==(const ContentHash &other) const { return high == other.high && low == other.low; }
    bool operator!=(const ContentHash &other) const { return !(*this == other); }
};

inline size_t qHash(const ContentHash &hash, size_t seed = 0) noexcept
{
    return qHashMulti(seed, hash.high, hash.low);
}

// The hash of `size` bytes at `bytes`: taken of the buffer an extraction writes, never of the
// file read back.
ContentHash contentHash(const char *bytes, size_t size);

// The same hash taken piece by piece, for files read in parts.
class ContentHasher
{
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    void add(const char *bytes, size_t size);
    ContentHash result() const;

private:
    void *m_state;
};

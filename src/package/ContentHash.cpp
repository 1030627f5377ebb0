// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ContentHash.h"

#include <QtEndian>

#include <xxhash.h>

namespace {

ContentHash fromXxh(XXH128_hash_t hash)
{
    return ContentHash{hash.high64, hash.low64};
}

} // namespace

QString ContentHash::toHex() const
{
    return QString::fromLatin1(hexBytes());
}

QByteArray ContentHash::hexBytes() const
{
    uchar raw[16];
    qToBigEndian(high, raw);
    qToBigEndian(low, raw + 8);
    return QByteArray::fromRawData(reinterpret_cast<const char *>(raw), sizeof raw).toHex();
}

bool ContentHash::fromHex(const QString &hex, ContentHash *hash)
{
    if (hex.size() != 32)
        return false;
    for (const QChar c : hex) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    hash->high = hex.left(16).toULongLong(nullptr, 16);
    hash->low = hex.mid(16).toULongLong(nullptr, 16);
    return true;
}

ContentHash contentHash(const char *bytes, size_t size)
{
    return fromXxh(XXH3_128bits(bytes, size));
}

ContentHasher::ContentHasher()
    : m_state(XXH3_createState())
{
    XXH3_128bits_reset(static_cast<XXH3_state_t *>(m_state));
}

ContentHasher::~ContentHasher()
{
    XXH3_freeState(static_cast<XXH3_state_t *>(m_state));
}

void ContentHasher::add(const char *bytes, size_t size)
{
    XXH3_128bits_update(static_cast<XXH3_state_t *>(m_state), bytes, size);
}

ContentHash ContentHasher::result() const
{
    return fromXxh(XXH3_128bits_digest(static_cast<const XXH3_state_t *>(m_state)));
}

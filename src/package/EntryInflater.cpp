// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "EntryInflater.h"

#include <cstring>
#include <libdeflate.h>

EntryInflater::EntryInflater()
    : m_decompressor(libdeflate_alloc_decompressor())
{
}

EntryInflater::~EntryInflater()
{
    libdeflate_free_decompressor(m_decompressor);
}

qint64 EntryInflater::outputBufferCapacity(qint32 unCompSize)
{
    const double capacity = unCompSize * 1.01 + 12;
    return qint64(float(capacity));
}

bool EntryInflater::inflate(const char *stored, qint64 storedSize, qint32 unCompSize, char *out)
{
    if (!m_decompressor || storedSize < 0 || unCompSize < 0)
        return false;
    // Asking for the bytes read and written is what makes libdeflate accept, as zlib does, a
    // stream followed by other bytes and a stream shorter than the buffer.
    size_t read = 0;
    size_t produced = 0;
    const libdeflate_result result = libdeflate_zlib_decompress_ex(
        m_decompressor, stored, size_t(storedSize), out, size_t(outputBufferCapacity(unCompSize)), &read, &produced);
    if (result != LIBDEFLATE_SUCCESS)
        return false;
    // The file always gets exactly unCompSize bytes: a short stream is padded with zeros, a
    // longer one that still fitted is cut.
    if (qint64(produced) < unCompSize)
        std::memset(out + produced, 0, size_t(unCompSize - qint64(produced)));
    return true;
}

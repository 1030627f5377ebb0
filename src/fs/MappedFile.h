// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <atomic>
#include <memory>

// A file mapped into memory, whose pages can't end the process.
//
// A mapped page that can't be had raises SIGBUS: the file was cut short under the mapping by
// another program, or the disk failed. Each mapping here is guarded: a fault inside it puts a
// page of zeros in the missing page's place and marks the mapping damaged, and the code that
// used its bytes asks damaged() afterwards and fails as a failed read or write would.
//
// A mapping's pages are the page cache's, which the kernel takes back under pressure: a package
// of any size costs the process no memory of its own. Its length is fixed when it is mapped, so
// offsets checked against it stay inside it whatever happens to the file.
class MappedFile
{
public:
    // The first `size` bytes of `fd`, read-only; null when the file can't be mapped (a file of
    // /proc, say) or is empty, with errno set.
    static std::shared_ptr<const MappedFile> forReading(int fd, qint64 size);
    // The first `size` bytes of `fd`, opened for reading and writing, shared with the file:
    // what is stored in them is the file's. Its blocks must be allocated already (fallocate), or
    // a store into a hole of a full disk would be a fault too.
    static std::unique_ptr<MappedFile> forWriting(int fd, qint64 size);

    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    const char *data() const { return m_data; }
    char *data() { return m_data; }
    qint64 size() const { return m_size; }
    // Whether a page could not be had since the mapping was made.
    bool damaged() const { return m_damaged.load(std::memory_order_acquire); }

private:
    MappedFile(char *data, qint64 size);
    static MappedFile *map(int fd, qint64 size, int protection, int flags);

    char *const m_data;
    const qint64 m_size;
    // Set by the fault handler, in whichever thread touched the page.
    std::atomic<bool> m_damaged{false};
    int m_slot = -1; // in the handler's table, -1 when not guarded
};

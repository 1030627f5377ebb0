// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MappedFile.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <limits>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The guarded mappings, read by the fault handler without a lock: a slot is filled in before
// its start is published, and its start cleared before the mapping goes.
struct Guard
{
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<std::atomic<bool> *> damaged{nullptr};
};
constexpr int GuardSlots = 256;
Guard guards[GuardSlots];
struct sigaction previousAction;

void replaceMissingPage(int signal, siginfo_t *info, void *context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Guard &guard : guards) {
        const std::uintptr_t start = guard.start.load(std::memory_order_acquire);
        if (start == 0 || address < start || address >= guard.end.load(std::memory_order_relaxed))
            continue;
        // Zeros where the page was: the access that faulted goes on, and its user learns of it
        // from damaged(). mmap isn't on POSIX's list for handlers, but on Linux it is a plain
        // system call, safe anywhere.
        static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
        void *const at = reinterpret_cast<void *>(address / page * page);
        if (::mmap(at, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED)
            break;
        guard.damaged.load(std::memory_order_relaxed)->store(true, std::memory_order_release);
        return;
    }
    // Not ours: whoever handled SIGBUS before does, as the same access faults again.
    if (previousAction.sa_flags & SA_SIGINFO)
        previousAction.sa_sigaction(signal, info, context);
    else if (previousAction.sa_handler != SIG_IGN && previousAction.sa_handler != SIG_DFL)
        previousAction.sa_handler(signal);
    else
        ::sigaction(SIGBUS, &previousAction, nullptr);
}

void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_sigaction = replaceMissingPage;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousAction);
    });
}

int guard(char *data, qint64 size, std::atomic<bool> *damaged)
{
    for (int slot = 0; slot < GuardSlots; ++slot) {
        std::atomic<bool> *expected = nullptr;
        if (!guards[slot].damaged.compare_exchange_strong(expected, damaged))
            continue;
        guards[slot].end.store(reinterpret_cast<std::uintptr_t>(data) + std::uintptr_t(size),
                               std::memory_order_relaxed);
        guards[slot].start.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        return slot;
    }
    return -1;
}

void unguard(int slot)
{
    guards[slot].start.store(0, std::memory_order_release);
    guards[slot].damaged.store(nullptr, std::memory_order_release);
}

} // namespace

MappedFile::MappedFile(char *data, qint64 size)
    : m_data(data)
    , m_size(size)
{
}

MappedFile::~MappedFile()
{
    if (m_slot >= 0)
        unguard(m_slot);
    ::munmap(m_data, size_t(m_size));
}

MappedFile *MappedFile::map(int fd, qint64 size, int protection, int flags)
{
    if (size <= 0 || quint64(size) > std::numeric_limits<size_t>::max() / 2) {
        errno = EINVAL;
        return nullptr;
    }
    installHandler();
    void *const data = ::mmap(nullptr, size_t(size), protection, flags, fd, 0);
    if (data == MAP_FAILED)
        return nullptr;
    auto *mapped = new MappedFile(static_cast<char *>(data), size);
    mapped->m_slot = guard(mapped->m_data, size, &mapped->m_damaged);
    if (mapped->m_slot < 0) { // never unguarded: a fault would end the process
        delete mapped;
        errno = ENOMEM;
        return nullptr;
    }
    return mapped;
}

std::shared_ptr<const MappedFile> MappedFile::forReading(int fd, qint64 size)
{
    MappedFile *const mapped = map(fd, size, PROT_READ, MAP_PRIVATE);
    if (mapped) // read front to back, once
        ::madvise(mapped->m_data, size_t(size), MADV_SEQUENTIAL);
    return std::shared_ptr<const MappedFile>(mapped);
}

std::unique_ptr<MappedFile> MappedFile::forWriting(int fd, qint64 size)
{
    return std::unique_ptr<MappedFile>(map(fd, size, PROT_READ | PROT_WRITE, MAP_SHARED));
}

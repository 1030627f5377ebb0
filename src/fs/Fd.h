// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cerrno>
#include <utility>

#include <unistd.h>

// An open file descriptor that is closed exactly once, when its owner goes: every early return
// then closes what it opened. Move-only, as a descriptor has one owner.
class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd)
        : m_fd(fd)
    {
    }
    ~Fd() { reset(); }
    Fd(Fd &&other) noexcept
        : m_fd(other.release())
    {
    }
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    explicit operator bool() const { return isOpen(); }

    // Hands the descriptor over; this one owns nothing after.
    int release() { return std::exchange(m_fd, -1); }
    // Closes what is held and takes `fd`.
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now, for a caller that must know the answer (a write's last error may only show
    // at close on network and FUSE file systems): 0, or errno.
    int close()
    {
        const int fd = release();
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd = -1;
};

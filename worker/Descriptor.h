// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

/// Owns one file descriptor and closes it when it goes. Moves, never copies. -1 means none.
/// One thread at a time.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor() { reset(); }

    Descriptor(Descriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    { }
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool isValid() const { return m_fd >= 0; }
    /// Gives up ownership: the caller closes the returned descriptor.
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    /// Closes the descriptor held, if any, and holds \a fd instead.
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "worker/Descriptor.h"

#include <cstddef>
#include <optional>
#include <span>

/// The worker's side of a block of memory handed to the parent (a thumbnail's pixels): an anonymous
/// memory file the worker fills through a writable mapping, then seals so that neither it nor anyone
/// else can change or shrink it, and sends as a descriptor. Owns the file and, until finish(), the
/// mapping. One thread at a time.
class SharedMemoryWriter
{
public:
    /// A block of \a size bytes (more than 0), zero-filled. Nullopt with errno set when the system refuses.
    [[nodiscard]] static std::optional<SharedMemoryWriter> create(std::size_t size);

    SharedMemoryWriter(SharedMemoryWriter&& other) noexcept;
    SharedMemoryWriter& operator=(SharedMemoryWriter&&) = delete;
    ~SharedMemoryWriter();

    [[nodiscard]] std::span<std::byte> bytes() { return { m_data, m_size }; }
    /// Unmaps the block, seals it against writing, shrinking and growing, and gives its descriptor to
    /// send. Invalid when sealing failed. bytes() is empty afterwards.
    [[nodiscard]] Descriptor finish();

private:
    SharedMemoryWriter(Descriptor file, std::byte* data, std::size_t size);

    Descriptor m_file;
    std::byte* m_data;
    std::size_t m_size;
};

/// The parent's side: a read-only mapping of a block that came from a worker. Since the worker may be
/// hostile, the block is taken only when it is a sealed memory file (it can neither change under the
/// reader nor shrink and fault it) of exactly the size the accompanying record states. Owns the
/// mapping. One thread at a time; the bytes may be read from any thread while it lives.
class SharedMemoryView
{
public:
    /// Nullopt unless \a file is a memory file sealed against writing and shrinking, of \a size bytes.
    [[nodiscard]] static std::optional<SharedMemoryView> map(const Descriptor& file, std::size_t size);

    SharedMemoryView(SharedMemoryView&& other) noexcept;
    SharedMemoryView& operator=(SharedMemoryView&&) = delete;
    ~SharedMemoryView();

    [[nodiscard]] std::span<const std::byte> bytes() const { return { m_data, m_size }; }

private:
    SharedMemoryView(const std::byte* data, std::size_t size);

    const std::byte* m_data;
    std::size_t m_size;
};

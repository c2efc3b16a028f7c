// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/SharedMemory.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kRequiredSeals = F_SEAL_SHRINK | F_SEAL_WRITE;

} // namespace

std::optional<SharedMemoryWriter> SharedMemoryWriter::create(std::size_t size)
{
    if (size == 0 || size > std::size_t(std::numeric_limits<off_t>::max())) {
        errno = EINVAL;
        return std::nullopt;
    }
    Descriptor file(::memfd_create("morvane-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!file.isValid())
        return std::nullopt;
    int result;
    do
        result = ::ftruncate(file.get(), off_t(size));
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return std::nullopt;
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file.get(), 0);
    if (data == MAP_FAILED)
        return std::nullopt;
    return SharedMemoryWriter(std::move(file), static_cast<std::byte*>(data), size);
}

SharedMemoryWriter::SharedMemoryWriter(Descriptor file, std::byte* data, std::size_t size)
    : m_file(std::move(file))
    , m_data(data)
    , m_size(size)
{ }

SharedMemoryWriter::SharedMemoryWriter(SharedMemoryWriter&& other) noexcept
    : m_file(std::move(other.m_file))
    , m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
{ }

SharedMemoryWriter::~SharedMemoryWriter()
{
    if (m_data)
        ::munmap(m_data, m_size);
}

Descriptor SharedMemoryWriter::finish()
{
    // A writable shared mapping would keep F_SEAL_WRITE from being set: unmap first.
    if (m_data)
        ::munmap(std::exchange(m_data, nullptr), std::exchange(m_size, 0));
    if (::fcntl(m_file.get(), F_ADD_SEALS, kRequiredSeals | F_SEAL_GROW | F_SEAL_SEAL) != 0)
        return Descriptor();
    return std::move(m_file);
}

std::optional<SharedMemoryView> SharedMemoryView::map(const Descriptor& file, std::size_t size)
{
    struct stat status
    {
    };
    if (size == 0 || !file.isValid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)
        || status.st_size < 0 || std::size_t(status.st_size) != size)
        return std::nullopt;
    // Only memory files carry seals: any other file gives -1 here.
    const int seals = ::fcntl(file.get(), F_GET_SEALS);
    if (seals < 0 || (seals & kRequiredSeals) != kRequiredSeals)
        return std::nullopt;
    void* data = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, file.get(), 0);
    if (data == MAP_FAILED)
        return std::nullopt;
    return SharedMemoryView(static_cast<const std::byte*>(data), size);
}

SharedMemoryView::SharedMemoryView(const std::byte* data, std::size_t size)
    : m_data(data)
    , m_size(size)
{ }

SharedMemoryView::SharedMemoryView(SharedMemoryView&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
{ }

SharedMemoryView::~SharedMemoryView()
{
    if (m_data)
        ::munmap(const_cast<std::byte*>(m_data), m_size);
}

// ByteBuffer: growth policy, little-endian integers and the complement used by the file formats.
#include "persist/byte_buffer.h"

#include "common/assert.h"
#include "platform/files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace advplay::persist {

void ByteBuffer::Free::operator()(std::uint8_t* block) const { std::free(block); }

bool ByteBuffer::reallocate(std::size_t capacity)
{
    auto* block = static_cast<std::uint8_t*>(std::realloc(m_data.get(), capacity));
    if (!block)
        return false;
    (void)m_data.release();
    m_data.reset(block);
    m_capacity = capacity;
    return true;
}

bool ByteBuffer::assign(const void* bytes, std::size_t length)
{
    if (length == 0)
        return false;
    if (length > m_capacity) {
        // A fresh block of exactly the size: the old contents are not needed.
        auto* block = static_cast<std::uint8_t*>(std::malloc(length));
        if (!block)
            return false;
        m_data.reset(block);
        m_capacity = length;
    }
    std::memmove(m_data.get(), bytes, length);
    m_size = length;
    return true;
}

bool ByteBuffer::load_file(platform::Files& files, std::string_view path)
{
    auto file = files.open_read(path);
    if (!file)
        return false;
    std::uint64_t const size = file->size();
    if (size == 0 || size > SIZE_MAX / 2)
        return false;
    auto const length = static_cast<std::size_t>(size);
    if (length > m_capacity) {
        auto* block = static_cast<std::uint8_t*>(std::malloc(length));
        if (!block)
            return false;
        m_data.reset(block);
        m_capacity = length;
    }
    m_size = 0;
    std::size_t done = 0;
    while (done < length) {
        std::size_t const got = file->read({ m_data.get() + done, length - done });
        if (got == 0)
            return false;
        done += got;
    }
    m_size = length;
    return true;
}

bool ByteBuffer::grow_for(std::size_t extra)
{
    std::size_t const needed = m_size + extra;
    if (needed <= m_capacity)
        return true;
    std::size_t capacity = m_capacity > kFirstAppendBlock ? m_capacity : kFirstAppendBlock;
    while (capacity < needed)
        capacity *= 2;
    return reallocate(capacity);
}

bool ByteBuffer::append(const void* bytes, std::size_t length)
{
    if (length == 0)
        return false;
    if (!grow_for(length))
        return false;
    std::memcpy(m_data.get() + m_size, bytes, length);
    m_size += length;
    return true;
}

bool ByteBuffer::append_int32(std::int32_t value)
{
    auto const bits = static_cast<std::uint32_t>(value);
    std::uint8_t const bytes[4] = { static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24) };
    return append(bytes, 4);
}

void ByteBuffer::put_int32(std::size_t offset, std::int32_t value)
{
    ENGINE_ASSERT(offset + 4 <= m_size);
    auto const bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        m_data[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::int32_t ByteBuffer::int32_at(std::size_t offset) const
{
    ENGINE_ASSERT(offset + 4 <= m_size);
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | m_data[offset + i];
    return static_cast<std::int32_t>(bits);
}

bool ByteBuffer::reserve_at_least(std::size_t capacity)
{
    return capacity <= m_size || grow_for(capacity - m_size);
}

void ByteBuffer::set_size(std::size_t size)
{
    ENGINE_ASSERT(size <= m_capacity);
    m_size = size;
}

void ByteBuffer::shrink()
{
    if (m_size == m_capacity)
        return;
    if (m_size == 0) {
        clear();
        return;
    }
    (void)reallocate(m_size);
}

void ByteBuffer::clear()
{
    m_data.reset();
    m_capacity = 0;
    m_size = 0;
}

bool ByteBuffer::invert_range(std::size_t offset, std::size_t length)
{
    if (offset >= m_size)
        return false;
    std::size_t const rest = m_size - offset;
    if (length == 0 || length > rest)
        length = rest;
    length &= ~std::size_t { 3 };
    if (length == 0)
        return false;
    std::uint8_t* bytes = m_data.get() + offset;
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
    return true;
}

} // namespace advplay::persist

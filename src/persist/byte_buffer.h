// ByteBuffer: growable byte block for the engine's own file formats (scenario pack, save files).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace advplay::platform {
class Files;
}

namespace advplay::persist {

class ByteBuffer {
public:
    static constexpr std::size_t kFirstAppendBlock = 1024;

    ByteBuffer() = default;
    ByteBuffer(ByteBuffer&&) noexcept = default;
    ByteBuffer& operator=(ByteBuffer&&) noexcept = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // Replaces the contents. False for an empty block or when memory runs out (contents kept).
    [[nodiscard]] bool assign(const void* bytes, std::size_t length);
    // Reads a whole file. False, with the contents unspecified, when it cannot be opened or read, or is
    // empty, or memory runs out.
    [[nodiscard]] bool load_file(platform::Files& files, std::string_view path);
    [[nodiscard]] bool append(const void* bytes, std::size_t length);
    bool append(std::string_view text) { return append(text.data(), text.size()); }
    bool append_byte(std::uint8_t value) { return append(&value, 1); }
    bool append_int32(std::int32_t value);
    void shrink();
    // Makes room for at least `capacity` bytes, doubling as appends do; false when out of memory.
    [[nodiscard]] bool reserve_at_least(std::size_t capacity);
    // Declares the first `size` bytes of the storage (at most the capacity) to be the contents,
    // after a caller has written them through data().
    void set_size(std::size_t size);
    void clear();
    // Complements each byte of a range. A length of 0, or one that runs past the end, means the rest
    // of the buffer; the length is then rounded down to a multiple of 4, leaving the last 0..3 bytes
    // plain. False (nothing changed) when offset is not below the size or the rounded length is 0.
    bool invert_range(std::size_t offset, std::size_t length);

    // Stores a little-endian int32 at `offset`, which must lie inside the buffer with its 4 bytes.
    void put_int32(std::size_t offset, std::int32_t value);
    // Reads a little-endian int32; the caller checks that offset + 4 <= size().
    std::int32_t int32_at(std::size_t offset) const;

    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    bool empty() const { return m_size == 0; }
    std::span<const std::uint8_t> bytes() const { return { m_data.get(), m_size }; }
    std::string_view view() const { return { reinterpret_cast<const char*>(m_data.get()), m_size }; }

private:
    // The storage lives in malloc'd memory so that growing and shrinking go through realloc, which
    // for large blocks remaps pages instead of copying the whole scenario again.
    struct Free {
        void operator()(std::uint8_t* block) const;
    };
    bool grow_for(std::size_t extra);
    // Gives the storage exactly `capacity` bytes, keeping the contents; false when out of memory.
    bool reallocate(std::size_t capacity);

    std::unique_ptr<std::uint8_t[], Free> m_data;
    std::size_t m_capacity { 0 };
    std::size_t m_size { 0 };
};

} // namespace advplay::persist

// ScriptString: growth, assignment and in-place editing.
#include "script/script_string.h"

#include "common/shift_jis.h"

#include <charconv>
#include <cstring>
#include <new>
#include <utility>

namespace advplay::script {

ScriptString::ScriptString(ScriptString&& other) noexcept
    : m_storage(std::move(other.m_storage))
    , m_start(std::exchange(other.m_start, nullptr))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_length(std::exchange(other.m_length, 0))
{
}

ScriptString& ScriptString::operator=(const ScriptString& other)
{
    if (this != &other)
        assign(other.view());
    return *this;
}

ScriptString& ScriptString::operator=(ScriptString&& other) noexcept
{
    m_storage = std::move(other.m_storage);
    m_start = std::exchange(other.m_start, nullptr);
    m_capacity = std::exchange(other.m_capacity, 0);
    m_length = std::exchange(other.m_length, 0);
    return *this;
}

bool ScriptString::reserve_fresh(std::size_t needed)
{
    if (needed > kMaxLength)
        return false;
    std::size_t const with_nul = needed + 1;
    if (m_storage && m_capacity >= with_nul) {
        m_start = m_storage.get();
        return true;
    }
    std::size_t capacity = m_capacity ? m_capacity : kFirstBlock;
    while (capacity < with_nul)
        capacity *= 2;
    std::unique_ptr<char[]> block(new (std::nothrow) char[capacity]);
    if (!block)
        return false;
    m_storage = std::move(block);
    m_capacity = capacity;
    m_start = m_storage.get();
    m_length = 0;
    m_start[0] = '\0';
    return true;
}

bool ScriptString::reserve(std::size_t needed)
{
    if (needed > kMaxLength)
        return false;
    std::size_t const with_nul = needed + 1;
    if (!m_storage) {
        std::size_t capacity = kFirstBlock;
        while (capacity < with_nul)
            capacity *= 2;
        std::unique_ptr<char[]> block(new (std::nothrow) char[capacity]);
        if (!block)
            return false;
        m_storage = std::move(block);
        m_capacity = capacity;
        m_start = m_storage.get();
        m_start[0] = '\0';
        m_length = 0;
        return true;
    }
    if (room() >= with_nul)
        return true;
    if (m_capacity >= with_nul) {
        // Enough storage, but the start has moved too far: slide the text back instead of growing.
        std::memmove(m_storage.get(), m_start, m_length + 1);
        m_start = m_storage.get();
        return true;
    }
    auto const offset = static_cast<std::size_t>(m_start - m_storage.get());
    std::size_t capacity = m_capacity;
    while (capacity < offset + with_nul)
        capacity *= 2;
    std::unique_ptr<char[]> block(new (std::nothrow) char[capacity]);
    if (!block)
        return false;
    std::memcpy(block.get() + offset, m_start, m_length + 1);
    m_storage = std::move(block);
    m_capacity = capacity;
    m_start = m_storage.get() + offset;
    return true;
}

void ScriptString::assign(std::string_view text)
{
    // The text may point into this string itself (a token copied over its own line): keep it alive.
    if (m_start && text.data() >= m_start && text.data() < m_start + m_length + 1) {
        std::memmove(m_start, text.data(), text.size());
        m_length = text.size();
        m_start[m_length] = '\0';
        return;
    }
    if (!reserve_fresh(text.size()))
        return;
    if (!text.empty())
        std::memcpy(m_start, text.data(), text.size());
    m_length = text.size();
    m_start[m_length] = '\0';
}

void ScriptString::assign_int(std::int32_t value)
{
    char digits[16];
    auto const result = std::to_chars(digits, digits + sizeof digits, value);
    assign({ digits, static_cast<std::size_t>(result.ptr - digits) });
}

void ScriptString::append(std::string_view text)
{
    if (text.empty())
        return;
    if (m_start && text.data() >= m_start && text.data() < m_start + m_length + 1) {
        ScriptString copy(text);
        append(copy.view());
        return;
    }
    if (!reserve(m_length + text.size()))
        return;
    std::memcpy(m_start + m_length, text.data(), text.size());
    m_length += text.size();
    m_start[m_length] = '\0';
}

void ScriptString::append_int(std::int32_t value)
{
    char digits[16];
    auto const result = std::to_chars(digits, digits + sizeof digits, value);
    append({ digits, static_cast<std::size_t>(result.ptr - digits) });
}

void ScriptString::append_byte(char byte)
{
    if (!reserve(m_length + 1))
        return;
    m_start[m_length++] = byte;
    m_start[m_length] = '\0';
}

void ScriptString::clear()
{
    if (!m_storage)
        return;
    m_start = m_storage.get();
    m_start[0] = '\0';
    m_length = 0;
}

bool ScriptString::truncate(std::ptrdiff_t n)
{
    if (n < 0)
        return false;
    if (static_cast<std::size_t>(n) < m_length) {
        m_length = static_cast<std::size_t>(n);
        m_start[m_length] = '\0';
    }
    return true;
}

bool ScriptString::drop_front(std::ptrdiff_t n)
{
    if (n < 0)
        return false;
    if (static_cast<std::size_t>(n) >= m_length) {
        if (m_start) {
            m_start += m_length;
            m_length = 0;
        }
        return true;
    }
    m_start += n;
    m_length -= static_cast<std::size_t>(n);
    return true;
}

void ScriptString::lower_case()
{
    if (m_start)
        lower_ascii_in_place(m_start, m_length);
}

int ScriptString::compare(const ScriptString& other) const
{
    // std::string_view compares through char_traits<char>, which orders bytes as unsigned.
    int const result = view().compare(other.view());
    return (result > 0) - (result < 0);
}

} // namespace advplay::script

// ScriptString: the engine's growable byte string for lines, tokens, names and variable values.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace advplay::script {

// Shift-JIS bytes with a movable start. Dropping a prefix only moves the start, so consuming tokens
// from the front of a line costs nothing per byte; the text is always NUL-terminated.
// An operation that cannot get memory leaves the string as it was.
class ScriptString {
public:
    static constexpr std::size_t kFirstBlock = 64;
    // No script needs a longer line, token or value; a string that would grow beyond this fails
    // as if memory had run out, so a script that doubles a string in a loop cannot exhaust memory.
    static constexpr std::size_t kMaxLength = std::size_t { 1 } << 24;

    ScriptString() = default;
    explicit ScriptString(std::string_view text) { assign(text); }
    ScriptString(const ScriptString& other) { assign(other.view()); }
    ScriptString(ScriptString&& other) noexcept;
    ScriptString& operator=(const ScriptString& other);
    ScriptString& operator=(ScriptString&& other) noexcept;
    ~ScriptString() = default;

    void assign(std::string_view text);
    void assign_int(std::int32_t value);
    void append(std::string_view text);
    void append_int(std::int32_t value);
    void append_byte(char byte);
    void clear();
    // Shortens the text to n bytes; no effect when n is not less than the length. False for n < 0.
    bool truncate(std::ptrdiff_t n);
    // Drops the first n bytes by moving the start; all of them when n is not less than the length.
    // False for n < 0.
    bool drop_front(std::ptrdiff_t n);
    // Lower-cases "A".."Z" outside two-byte characters.
    void lower_case();
    // Byte-wise comparison as unsigned bytes.
    int compare(const ScriptString& other) const;

    std::string_view view() const { return { c_str(), m_length }; }
    const char* c_str() const { return m_start ? m_start : ""; }
    char* data() { return m_start; }
    std::size_t length() const { return m_length; }
    bool empty() const { return m_length == 0; }
    std::size_t capacity() const { return m_capacity; }
    std::size_t room() const
    {
        return m_start ? m_capacity - static_cast<std::size_t>(m_start - m_storage.get()) : 0;
    }
    // The byte at `index`; index == length() gives the terminating NUL.
    char operator[](std::size_t index) const { return c_str()[index]; }

    bool operator==(const ScriptString& other) const { return view() == other.view(); }
    bool operator==(std::string_view other) const { return view() == other; }

private:
    // Makes room for `needed` bytes of text plus the NUL after the start, keeping the text. False,
    // with nothing changed, when out of memory or beyond kMaxLength.
    bool reserve(std::size_t needed);
    // Makes room for `needed` bytes at the start of the storage; the text may be lost. False, with
    // nothing changed, when out of memory or beyond kMaxLength.
    bool reserve_fresh(std::size_t needed);

    std::unique_ptr<char[]> m_storage;
    char* m_start { nullptr };
    std::size_t m_capacity { 0 };
    std::size_t m_length { 0 };
};

} // namespace advplay::script

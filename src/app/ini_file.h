// IniFile: the game's ini file, read with the rules of the Windows private-profile reader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::app {

class IniFile {
public:
    IniFile() = default;
    // Sections and keys match without regard to "A".."Z" case; the first of duplicates wins. Values
    // lose surrounding blanks and one pair of enclosing quotes. A file that begins with a UTF-8 byte
    // order mark is converted to Shift-JIS by `to_sjis` (values that do not convert stay as written).
    template<typename Converter>
    static IniFile parse(std::string_view bytes, Converter&& to_sjis)
    {
        bool const utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
        if (utf8)
            bytes.remove_prefix(3);
        IniFile file = parse_plain(bytes);
        if (utf8) {
            for (auto& entry : file.m_entries) {
                if (auto converted = to_sjis(entry.value))
                    entry.value = std::move(*converted);
            }
        }
        return file;
    }
    static IniFile parse_plain(std::string_view bytes);

    // The value, or `fallback` when the section or key is missing; cut to buffer_size - 1 bytes as
    // the fixed buffers of the original reader cut it.
    std::string get(std::string_view section, std::string_view key, std::string_view fallback,
        std::size_t buffer_size = 260) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Entry> m_entries;
};

} // namespace advplay::app

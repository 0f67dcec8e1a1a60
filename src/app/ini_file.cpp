// IniFile: parsing and lookup.
#include "app/ini_file.h"

#include "common/shift_jis.h"

namespace advplay::app {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && lower_ascii(a) == lower_ascii(b);
}

} // namespace

IniFile IniFile::parse_plain(std::string_view bytes)
{
    IniFile file;
    std::string section;
    bool in_section = false;
    while (!bytes.empty()) {
        std::size_t const end = bytes.find('\n');
        std::string_view line = trim(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t const close = line.find(']');
            section = std::string(trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
            in_section = true;
            continue;
        }
        std::size_t const equals = line.find('=');
        if (!in_section || equals == std::string_view::npos)
            continue;
        std::string_view value = trim(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        file.m_entries.push_back({ section, std::string(trim(line.substr(0, equals))), std::string(value) });
    }
    return file;
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view fallback,
    std::size_t buffer_size) const
{
    std::string value(fallback);
    for (auto const& entry : m_entries) {
        if (equal_ignoring_case(entry.section, section) && equal_ignoring_case(entry.key, key)) {
            value = entry.value;
            break;
        }
    }
    if (buffer_size > 0 && value.size() > buffer_size - 1)
        value.resize(buffer_size - 1);
    return value;
}

} // namespace advplay::app

// Paths of game data.
#include "common/data_path.h"

#include "common/shift_jis.h"

namespace advplay {

bool has_drive_prefix(std::string_view path)
{
    if (path.size() < 2 || path[1] != ':')
        return false;
    auto const first = static_cast<unsigned char>(path[0]);
    return (first >= 0x01 && first <= 0x7F) || (first >= 0xA0 && first <= 0xDF);
}

namespace {

// True when the last byte is a backslash of its own, not the second byte of a character.
bool ends_with_backslash(std::string_view text)
{
    std::size_t const last = find_last_sjis(text, '\\');
    return last != kNotFound && last + 1 == text.size();
}

} // namespace

std::optional<std::string> resolve_data_path(std::string_view name, std::string_view folder,
    std::string_view default_extension)
{
    std::string result;
    if (has_drive_prefix(name) || folder.empty()) {
        result = name;
    } else {
        result = folder;
        if (!ends_with_backslash(folder))
            result += '\\';
        result += name;
    }
    std::size_t const separator = find_last_sjis(name, '\\');
    std::string_view const last_part = separator == kNotFound ? name : name.substr(separator + 1);
    if (find_first_sjis(last_part, '.') == kNotFound)
        result += default_extension;
    if (result.size() > kMaxPathLength)
        return std::nullopt;
    return result;
}

std::string normalise_folder(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && result.front() == '\\')
        result.erase(0, 1);
    bool const drive_root = result.size() == 3 && has_drive_prefix(result);
    if (ends_with_backslash(result) && !drive_root)
        result.pop_back();
    return result;
}

} // namespace advplay

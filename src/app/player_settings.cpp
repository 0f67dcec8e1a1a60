// The player's settings file: its keys, its lines, and writing it without ever leaving half a file.
#include "app/player_settings.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <type_traits>
#include <unistd.h>

namespace advplay::app {

namespace {

// ------------------------------------------------------------------------------------------------
// [SECTION] The keys
// ------------------------------------------------------------------------------------------------

// Every value goes through an int32: numbers as they are, and each two-word setting as 0 or 1.
struct SettingKey {
    std::string_view name;
    // Empty for a setting of two words.
    std::string_view number_kind;
    std::int32_t low;
    std::int32_t high;
    std::array<std::string_view, 2> words;
    void (*set)(SettingOverrides&, std::int32_t);
    std::int32_t (*get)(const PlayerSettings&);
};

// The file's "read" and "all" are 0 and 1 like every other pair of words.
static_assert(static_cast<int>(SkipMode::Read) == 0 && static_cast<int>(SkipMode::All) == 1);

template<auto Override> void set_override(SettingOverrides& overrides, std::int32_t value)
{
    using Value = typename std::remove_reference_t<decltype(overrides.*Override)>::value_type;
    overrides.*Override = static_cast<Value>(value);
}

template<auto Setting> std::int32_t get_setting(const PlayerSettings& settings)
{
    return static_cast<std::int32_t>(settings.*Setting);
}

template<auto Setting, auto Override>
constexpr SettingKey number_key(
    std::string_view name, std::string_view kind, std::int32_t low, std::int32_t high)
{
    return { name, kind, low, high, {}, &set_override<Override>, &get_setting<Setting> };
}

template<auto Setting, auto Override>
constexpr SettingKey word_key(std::string_view name, std::string_view word_for_0, std::string_view word_for_1)
{
    return { name, {}, 0, 1, { word_for_0, word_for_1 }, &set_override<Override>, &get_setting<Setting> };
}

// In the order a written section lists them.
constexpr std::array kSettingKeys {
    number_key<&PlayerSettings::text_speed, &SettingOverrides::text_speed>(
        "text_speed", "a percentage", 10, 1000),
    number_key<&PlayerSettings::auto_base_delay, &SettingOverrides::auto_base_delay>(
        "auto_delay", "a number of milliseconds", 0, 60000),
    number_key<&PlayerSettings::auto_character_delay, &SettingOverrides::auto_character_delay>(
        "auto_char_delay", "a number of milliseconds", 0, 10000),
    word_key<&PlayerSettings::skip, &SettingOverrides::skip>("skip", "read", "all"),
    number_key<&PlayerSettings::music_volume, &SettingOverrides::music_volume>(
        "music_volume", "a number", 0, 100),
    number_key<&PlayerSettings::effects_volume, &SettingOverrides::effects_volume>(
        "effects_volume", "a number", 0, 100),
    number_key<&PlayerSettings::movie_volume, &SettingOverrides::movie_volume>(
        "movie_volume", "a number", 0, 100),
    word_key<&PlayerSettings::full_screen, &SettingOverrides::full_screen>("full_screen", "no", "yes"),
    word_key<&PlayerSettings::linear_filter, &SettingOverrides::linear_filter>("filter", "nearest", "linear"),
    word_key<&PlayerSettings::english_messages, &SettingOverrides::english_messages>(
        "messages", "ja", "ja+en"),
    word_key<&PlayerSettings::enter_exports, &SettingOverrides::enter_exports>("enter_export", "no", "yes"),
    word_key<&PlayerSettings::confirm_quit, &SettingOverrides::confirm_quit>("confirm_quit", "no", "yes"),
};

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

const SettingKey* find_key(std::string_view name)
{
    for (auto const& key : kSettingKeys) {
        if (equal_ignoring_case(key.name, name))
            return &key;
    }
    return nullptr;
}

std::string written_value(const SettingKey& key, const PlayerSettings& settings)
{
    std::int32_t const value = key.get(settings);
    if (key.number_kind.empty())
        return std::string(key.words[value != 0 ? 1 : 0]);
    return std::to_string(value);
}

// ------------------------------------------------------------------------------------------------
// [SECTION] Lines and sections
// ------------------------------------------------------------------------------------------------

constexpr std::string_view kFileName = "settings.ini";
// A file of garbage would otherwise bury the terminal under one complaint per line.
constexpr std::size_t kMostProblems = 20;

std::string_view trim(std::string_view text)
{
    auto const blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Each line keeps its '\n', so that a line left alone can be copied back byte for byte.
std::vector<std::string_view> split_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t const end = text.find('\n');
        std::size_t const length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

enum class LineKind {
    Blank,
    Comment,
    Header,
    UnclosedHeader,
    Setting,
    Unreadable,
};

struct Line {
    LineKind kind { LineKind::Blank };
    // Header: what stands between the brackets.
    std::string_view section {};
    std::string_view key {};
    std::string_view value {};
};

Line classify(std::string_view text, bool first_line)
{
    // Editors that save UTF-8 on Windows start the file with a byte order mark.
    if (first_line && text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    text = trim(text);
    if (text.empty())
        return { LineKind::Blank };
    if (text.front() == '#' || text.front() == ';')
        return { LineKind::Comment };
    if (text.front() == '[') {
        if (text.size() < 2 || text.back() != ']')
            return { LineKind::UnclosedHeader };
        // The last bracket closes the header, so that a folder name may hold a ']'.
        return { LineKind::Header, trim(text.substr(1, text.size() - 2)) };
    }
    std::size_t const equals = text.find('=');
    if (equals == std::string_view::npos || trim(text.substr(0, equals)).empty())
        return { LineKind::Unreadable };
    return { LineKind::Setting, {}, trim(text.substr(0, equals)), trim(text.substr(equals + 1)) };
}

enum class Section {
    // The lines above the first header.
    None,
    AllGames,
    ThisGame,
    OtherGame,
    Unknown,
};

Section section_of(std::string_view header, std::string_view game)
{
    if (equal_ignoring_case(header, "advplay"))
        return Section::AllGames;
    if (header.size() > 4 && equal_ignoring_case(header.substr(0, 4), "game")
        && (header[4] == ' ' || header[4] == '\t'))
        return !game.empty() && trim(header.substr(5)) == game ? Section::ThisGame : Section::OtherGame;
    return Section::Unknown;
}

// A piece of a line fit to quote in a message: the file may hold any bytes at all.
std::string quoted(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    std::string result = "\"";
    for (std::size_t i = 0; i < text.size() && i < kLongest; ++i) {
        auto const byte = static_cast<unsigned char>(text[i]);
        result += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
    }
    if (text.size() > kLongest)
        result += "...";
    return result + "\"";
}

bool can_name_section(std::string_view game)
{
    return !game.empty() && game.find_first_of("\r\n") == std::string_view::npos && trim(game) == game
        && game.find('\t') == std::string_view::npos;
}

std::string key_line(const SettingKey& key, const PlayerSettings& settings)
{
    return std::string(key.name) + " = " + written_value(key, settings);
}

// The page keeps its files in memory and stores them in the browser itself, on its own schedule;
// there an fsync starts a whole store of the mounted folder, and a second one before the first had
// finished was seen never to return.
int sync_to_disk(int descriptor)
{
#ifdef __EMSCRIPTEN__
    (void)descriptor;
    return 0;
#else
    return ::fsync(descriptor);
#endif
}

} // namespace

// ------------------------------------------------------------------------------------------------
// [SECTION] Settings
// ------------------------------------------------------------------------------------------------

void apply_overrides(PlayerSettings& settings, const SettingOverrides& overrides)
{
    settings.text_speed = overrides.text_speed.value_or(settings.text_speed);
    settings.auto_base_delay = overrides.auto_base_delay.value_or(settings.auto_base_delay);
    settings.auto_character_delay = overrides.auto_character_delay.value_or(settings.auto_character_delay);
    settings.skip = overrides.skip.value_or(settings.skip);
    settings.music_volume = overrides.music_volume.value_or(settings.music_volume);
    settings.effects_volume = overrides.effects_volume.value_or(settings.effects_volume);
    settings.movie_volume = overrides.movie_volume.value_or(settings.movie_volume);
    settings.full_screen = overrides.full_screen.value_or(settings.full_screen);
    settings.linear_filter = overrides.linear_filter.value_or(settings.linear_filter);
    settings.english_messages = overrides.english_messages.value_or(settings.english_messages);
    settings.enter_exports = overrides.enter_exports.value_or(settings.enter_exports);
    settings.confirm_quit = overrides.confirm_quit.value_or(settings.confirm_quit);
}

SettingChange change_setting(SettingOverrides& overrides, std::string_view key, std::string_view value)
{
    SettingKey const* const setting = find_key(key);
    if (!setting)
        return SettingChange::UnknownKey;
    if (setting->number_kind.empty()) {
        for (std::int32_t index = 0; index < 2; ++index) {
            if (equal_ignoring_case(value, setting->words[static_cast<std::size_t>(index)])) {
                setting->set(overrides, index);
                return SettingChange::Made;
            }
        }
        return SettingChange::BadValue;
    }
    std::int32_t number = 0;
    auto const [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc {} || end != value.data() + value.size() || number < setting->low
        || number > setting->high)
        return SettingChange::BadValue;
    setting->set(overrides, number);
    return SettingChange::Made;
}

std::string setting_values(std::string_view key)
{
    SettingKey const* const setting = find_key(key);
    if (!setting)
        return {};
    // "no or yes" would read oddly, although no is the 0 like every first word.
    if (setting->words[1] == "yes")
        return "yes or no";
    if (setting->number_kind.empty())
        return std::string(setting->words[0]) + " or " + std::string(setting->words[1]);
    return std::string(setting->number_kind) + " from " + std::to_string(setting->low) + " to "
        + std::to_string(setting->high);
}

std::filesystem::path settings_path()
{
    // A relative XDG_CONFIG_HOME is to be ignored, by the rules every desktop program follows.
    char const* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::filesystem::path(config) / "advplay" / kFileName;
    char const* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "advplay" / kFileName;
}

PlayerSettings read_player_settings(
    std::string_view ini_text, std::string_view game, std::vector<std::string>& problems)
{
    SettingOverrides all_games;
    SettingOverrides this_game;
    std::size_t reported = 0;
    std::size_t unreported = 0;
    auto report = [&](std::size_t number, const std::string& problem) {
        if (reported == kMostProblems) {
            ++unreported;
            return;
        }
        ++reported;
        problems.push_back(std::string(kFileName) + " line " + std::to_string(number) + ": " + problem);
    };
    Section section = Section::None;
    std::vector<std::string_view> const lines = split_lines(ini_text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t const number = i + 1;
        Line const line = classify(lines[i], i == 0);
        if (line.kind == LineKind::Blank || line.kind == LineKind::Comment)
            continue;
        if (line.kind == LineKind::Header) {
            section = section_of(line.section, game);
            if (section == Section::Unknown)
                report(number,
                    "unknown section " + quoted(line.section)
                        + ", its lines are ignored (sections are [advplay] and [game FOLDER])");
            continue;
        }
        if (line.kind == LineKind::UnclosedHeader) {
            // Whichever section it meant, its lines cannot be trusted to belong to this game.
            section = Section::Unknown;
            report(number,
                "a section header needs a ] at its end; the lines up to the next section are ignored");
            continue;
        }
        if (section == Section::OtherGame || section == Section::Unknown)
            continue;
        if (section == Section::None) {
            report(number, "settings go below [advplay] (for every game) or [game FOLDER]");
            continue;
        }
        if (line.kind == LineKind::Unreadable) {
            report(number, "expected KEY = VALUE");
            continue;
        }
        switch (change_setting(section == Section::AllGames ? all_games : this_game, line.key, line.value)) {
        case SettingChange::Made:
            break;
        case SettingChange::UnknownKey:
            report(number, "unknown key " + quoted(line.key));
            break;
        case SettingChange::BadValue:
            report(number,
                std::string(line.key) + " must be " + setting_values(line.key) + ", not "
                    + quoted(line.value));
            break;
        }
    }
    if (unreported > 0)
        problems.push_back(
            std::string(kFileName) + ": " + std::to_string(unreported) + " more problems not listed");
    PlayerSettings settings;
    apply_overrides(settings, all_games);
    apply_overrides(settings, this_game);
    return settings;
}

std::string with_game_settings(
    std::string_view ini_text, std::string_view game, const PlayerSettings& settings)
{
    if (!can_name_section(game))
        return std::string(ini_text);
    std::size_t const first_end = ini_text.find('\n');
    std::string const line_end
        = first_end != std::string_view::npos && first_end > 0 && ini_text[first_end - 1] == '\r' ? "\r\n"
                                                                                                  : "\n";
    std::array<bool, kSettingKeys.size()> written {};
    std::string out;
    out.reserve(ini_text.size() + 512);
    bool found = false;
    Section section = Section::None;
    // The keys the old section lacks go after its last setting, ahead of any blank lines and
    // comments that lead into the next section.
    std::size_t insert_at = 0;
    auto finish_section = [&] {
        if (section != Section::ThisGame)
            return;
        std::string missing;
        for (std::size_t k = 0; k < kSettingKeys.size(); ++k) {
            if (!written[k])
                missing += key_line(kSettingKeys[k], settings) + line_end;
            written[k] = true;
        }
        if (missing.empty())
            return;
        if (insert_at == out.size() && !out.empty() && out.back() != '\n') {
            out += line_end;
            insert_at = out.size();
        }
        out.insert(insert_at, missing);
    };
    std::vector<std::string_view> const lines = split_lines(ini_text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view const raw = lines[i];
        Line const line = classify(raw, i == 0);
        if (line.kind == LineKind::Header || line.kind == LineKind::UnclosedHeader) {
            finish_section();
            section = line.kind == LineKind::Header ? section_of(line.section, game) : Section::Unknown;
            out += raw;
            if (section == Section::ThisGame) {
                found = true;
                insert_at = out.size();
            }
            continue;
        }
        if (section != Section::ThisGame) {
            out += raw;
            continue;
        }
        SettingKey const* const key = line.kind == LineKind::Setting ? find_key(line.key) : nullptr;
        if (!key) {
            out += raw;
            if (line.kind != LineKind::Blank && line.kind != LineKind::Comment)
                insert_at = out.size();
            continue;
        }
        auto const index = static_cast<std::size_t>(key - kSettingKeys.data());
        // A key given again later would win over the one written here, so only the first stays.
        if (written[index])
            continue;
        written[index] = true;
        out += key_line(*key, settings);
        if (raw.ends_with("\r\n"))
            out += "\r\n";
        else if (raw.ends_with('\n'))
            out += '\n';
        insert_at = out.size();
    }
    finish_section();
    if (!found) {
        if (!out.empty() && out.back() != '\n')
            out += line_end;
        // A blank line apart from what comes before, unless the file already ends with one.
        std::size_t const previous = out.size() < 2 ? std::string::npos : out.rfind('\n', out.size() - 2);
        std::size_t const last_start = previous == std::string::npos ? 0 : previous + 1;
        if (!out.empty()
            && classify(std::string_view(out).substr(last_start), last_start == 0).kind != LineKind::Blank)
            out += line_end;
        out += "[game " + std::string(game) + "]" + line_end;
        for (auto const& key : kSettingKeys)
            out += key_line(key, settings) + line_end;
    }
    return out;
}

// ------------------------------------------------------------------------------------------------
// [SECTION] Writing files
// ------------------------------------------------------------------------------------------------

bool write_file_atomically(const std::filesystem::path& path, std::string_view bytes, std::string& error)
{
    auto const reason = [](int code) { return std::error_code(code, std::generic_category()).message(); };
    std::filesystem::path const folder = path.parent_path();
    if (!folder.empty()) {
        std::error_code code;
        std::filesystem::create_directories(folder, code);
        if (code) {
            error = "cannot create the folder " + folder.string() + ": " + code.message();
            return false;
        }
    }
    // O_EXCL with the process id and a count keeps two writers, in this process or another, from
    // ever sharing a temporary file; the mode lets the umask decide as for any new file.
    std::filesystem::path temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = path;
        temporary += ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        error = "cannot write " + path.string() + ": " + reason(errno);
        return false;
    }
    int failure = 0;
    std::size_t done = 0;
    while (done < bytes.size() && failure == 0) {
        ssize_t const count = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno != EINTR)
            failure = errno;
        else if (count > 0)
            done += static_cast<std::size_t>(count);
        // A file system that takes nothing and reports no error would keep this loop for ever.
        else if (count == 0)
            failure = EIO;
    }
    // Without the fsync, a crash soon after the rename can leave an empty file under the old name.
    if (failure == 0 && sync_to_disk(descriptor) != 0)
        failure = errno;
    if (::close(descriptor) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.c_str());
        error = "cannot write " + path.string() + ": " + reason(failure);
        return false;
    }
    // Makes the rename itself last; the new file is in place whether or not this works.
    std::filesystem::path const synced = folder.empty() ? std::filesystem::path(".") : folder;
    int const folder_descriptor = ::open(synced.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_descriptor >= 0) {
        (void)sync_to_disk(folder_descriptor);
        ::close(folder_descriptor);
    }
    return true;
}

} // namespace advplay::app

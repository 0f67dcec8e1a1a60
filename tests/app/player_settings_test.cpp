// The player's settings file: what a player may write in it, what a damaged one does, and writing it
// back without losing what the player wrote.
#include "app/player_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <unistd.h>

namespace advplay::app {
namespace {

// All fields in one line, so that a mismatch shows which.
std::string fields(const PlayerSettings& settings)
{
    return "text_speed=" + std::to_string(settings.text_speed)
        + " auto_base=" + std::to_string(settings.auto_base_delay)
        + " auto_char=" + std::to_string(settings.auto_character_delay)
        + " skip=" + (settings.skip == SkipMode::All ? "all" : "read") + " music="
        + std::to_string(settings.music_volume) + " effects=" + std::to_string(settings.effects_volume)
        + " movie=" + std::to_string(settings.movie_volume) + " full_screen="
        + std::to_string(settings.full_screen) + " linear=" + std::to_string(settings.linear_filter)
        + " english=" + std::to_string(settings.english_messages) + " enter_exports="
        + std::to_string(settings.enter_exports) + " confirm_quit=" + std::to_string(settings.confirm_quit);
}

PlayerSettings read(std::string_view text, std::string_view game, std::vector<std::string>& problems)
{
    return read_player_settings(text, game, problems);
}

PlayerSettings read_cleanly(std::string_view text, std::string_view game)
{
    std::vector<std::string> problems;
    PlayerSettings const settings = read_player_settings(text, game, problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    return settings;
}

// Every field away from its default.
PlayerSettings unusual_settings()
{
    PlayerSettings settings;
    settings.text_speed = 250;
    settings.auto_base_delay = 900;
    settings.auto_character_delay = 0;
    settings.skip = SkipMode::All;
    settings.music_volume = 40;
    settings.effects_volume = 0;
    settings.movie_volume = 75;
    settings.full_screen = true;
    settings.linear_filter = true;
    settings.english_messages = true;
    settings.enter_exports = false;
    settings.confirm_quit = true;
    return settings;
}

std::string garbage(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

// ------------------------------------------------------------------------------------------------
// Reading
// ------------------------------------------------------------------------------------------------

TEST(ReadPlayerSettings, NoFileOrOnlyCommentsGivesTheDefaults)
{
    std::string const defaults = fields(PlayerSettings {});
    EXPECT_EQ(fields(read_cleanly("", "demo")), defaults);
    EXPECT_EQ(fields(read_cleanly("# the player's own notes\n; more\n\n[advplay]\n", "demo")), defaults);
}

TEST(ReadPlayerSettings, EveryKeyInItsOwnWords)
{
    PlayerSettings const settings = read_cleanly("[advplay]\n"
                                                 "text_speed = 250\n"
                                                 "auto_delay = 900\n"
                                                 "auto_char_delay = 0\n"
                                                 "skip = all\n"
                                                 "music_volume = 40\n"
                                                 "effects_volume = 0\n"
                                                 "movie_volume = 75\n"
                                                 "full_screen = yes\n"
                                                 "filter = linear\n"
                                                 "messages = ja+en\n"
                                                 "enter_export = no\n"
                                                 "confirm_quit = yes\n",
        "demo");
    EXPECT_EQ(fields(settings), fields(unusual_settings()));
}

TEST(ReadPlayerSettings, TheGamesSectionWinsOverAllGamesWhereverItStands)
{
    std::string_view const text = "[game demo]\n"
                                  "music_volume = 20\n"
                                  "[advplay]\n"
                                  "music_volume = 60\n"
                                  "skip = all\n";
    PlayerSettings const demo = read_cleanly(text, "demo");
    EXPECT_EQ(demo.music_volume, 20);
    EXPECT_EQ(demo.skip, SkipMode::All);
    PlayerSettings const other = read_cleanly(text, "other");
    EXPECT_EQ(other.music_volume, 60);
    EXPECT_EQ(other.skip, SkipMode::All);
}

TEST(ReadPlayerSettings, OtherGamesSectionsAreNotLookedAt)
{
    // The folder name is matched as spelt; the rest of a header is not.
    std::string_view const text = "[ADVPLAY]\n"
                                  "effects_volume = 30\n"
                                  "[game Demo]\n"
                                  "effects_volume = 90\n"
                                  "nonsense that would be a problem in a section of ours\n"
                                  "[GAME demo]\n"
                                  "movie_volume = 10\n"
                                  "[game demo2]\n"
                                  "movie_volume = 99\n";
    PlayerSettings const settings = read_cleanly(text, "demo");
    EXPECT_EQ(settings.effects_volume, 30);
    EXPECT_EQ(settings.movie_volume, 10);
}

TEST(ReadPlayerSettings, BlanksCrLfCommentsAndLetterCaseOfWords)
{
    PlayerSettings const settings = read_cleanly("\xEF\xBB\xBF[advplay]\r\n"
                                                 "\t# tabs and spaces are the editor's business\r\n"
                                                 "  music_volume\t=   35  \r\n"
                                                 "   ; confirm_quit = yes\r\n"
                                                 "full_screen=Yes\r\n"
                                                 "Filter = LINEAR",
        "demo");
    EXPECT_EQ(settings.music_volume, 35);
    EXPECT_FALSE(settings.confirm_quit);
    EXPECT_TRUE(settings.full_screen);
    EXPECT_TRUE(settings.linear_filter);
}

TEST(ReadPlayerSettings, TheEndsOfEachRangeAreAllowed)
{
    PlayerSettings const low
        = read_cleanly("[advplay]\ntext_speed=10\nauto_delay=0\nauto_char_delay=0\nmusic_volume=0\n", "demo");
    EXPECT_EQ(low.text_speed, 10);
    EXPECT_EQ(low.auto_base_delay, 0);
    EXPECT_EQ(low.music_volume, 0);
    PlayerSettings const high = read_cleanly(
        "[advplay]\ntext_speed=1000\nauto_delay=60000\nauto_char_delay=10000\nmovie_volume=100\n", "demo");
    EXPECT_EQ(high.text_speed, 1000);
    EXPECT_EQ(high.auto_base_delay, 60000);
    EXPECT_EQ(high.auto_character_delay, 10000);
    EXPECT_EQ(high.movie_volume, 100);
}

TEST(ReadPlayerSettings, BadLinesAreNamedByNumberAndChangeNothing)
{
    std::vector<std::string> problems;
    PlayerSettings const settings = read("music_volume = 10\n"
                                         "[advplay]\n"
                                         "music_volume = 50\n"
                                         "music_volume = 101\n"
                                         "text_speed = 9\n"
                                         "skip = some\n"
                                         "volume = 5\n"
                                         "just words\n"
                                         "[options]\n"
                                         "music_volume = 1\n"
                                         "[game demo\n"
                                         "music_volume = 2\n",
        "demo", problems);
    EXPECT_EQ(fields(settings), [] {
        PlayerSettings expected;
        expected.music_volume = 50;
        return fields(expected);
    }());
    std::vector<std::string> const expected {
        "settings.ini line 1: settings go below [advplay] (for every game) or [game FOLDER]",
        "settings.ini line 4: music_volume must be a number from 0 to 100, not \"101\"",
        "settings.ini line 5: text_speed must be a percentage from 10 to 1000, not \"9\"",
        "settings.ini line 6: skip must be read or all, not \"some\"",
        "settings.ini line 7: unknown key \"volume\"",
        "settings.ini line 8: expected KEY = VALUE",
        "settings.ini line 9: unknown section \"options\", its lines are ignored (sections are [advplay] and "
        "[game FOLDER])",
        "settings.ini line 11: a section header needs a ] at its end; the lines up to the next section are "
        "ignored",
    };
    EXPECT_EQ(problems, expected);
}

TEST(ReadPlayerSettings, NumbersAreWholeAndDecimal)
{
    for (char const* value : { "-1", "+5", "5.0", "0x10", "1e2", "99999999999", "", "50 %", "٥" }) {
        std::vector<std::string> problems;
        PlayerSettings const settings
            = read(std::string("[advplay]\nmusic_volume = ") + value + "\n", "demo", problems);
        EXPECT_EQ(settings.music_volume, 100) << value;
        EXPECT_EQ(problems.size(), 1u) << value;
    }
}

TEST(ReadPlayerSettings, HostileBytesNeverStopTheReading)
{
    std::uint32_t const seed = 20240611;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> problems;
        std::string const bytes = garbage(random, random() % 2000);
        read(bytes, "demo", problems);
        // One line each at most, and a long run of them is cut short.
        EXPECT_LE(problems.size(), 21u);
    }

    // A NUL inside a value, a line of a megabyte, headers of nothing: the good line after them counts.
    std::string text = "[advplay]\nmusic_volume = 5";
    text += '\0';
    text += "\n" + std::string(1 << 20, 'x') + "\n[\n[]\n=\n[game ]\n[advplay]\n" + std::string(1 << 16, '=')
        + "\nmovie_volume = 7\n";
    std::vector<std::string> problems;
    PlayerSettings const settings = read(text, "demo", problems);
    EXPECT_EQ(settings.music_volume, 100);
    EXPECT_EQ(settings.movie_volume, 7);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems[0], "settings.ini line 2: music_volume must be a number from 0 to 100, not \"5?\"");
    for (auto const& problem : problems)
        EXPECT_LT(problem.size(), 200u) << problem.substr(0, 200);
}

TEST(ReadPlayerSettings, AFileOfMistakesGivesAShortList)
{
    std::string text = "[advplay]\n";
    for (int i = 0; i < 100; ++i)
        text += "nonsense\n";
    std::vector<std::string> problems;
    read(text, "demo", problems);
    ASSERT_EQ(problems.size(), 21u);
    EXPECT_EQ(problems.back(), "settings.ini: 80 more problems not listed");
}

// ------------------------------------------------------------------------------------------------
// Writing a game's section back
// ------------------------------------------------------------------------------------------------

TEST(WithGameSettings, AFileWithoutTheGameGetsItsSectionAtTheEnd)
{
    PlayerSettings const settings = unusual_settings();
    std::string const empty = with_game_settings("", "demo", settings);
    EXPECT_TRUE(empty.starts_with("[game demo]\ntext_speed = 250\n")) << empty;
    EXPECT_EQ(fields(read_cleanly(empty, "demo")), fields(settings));

    std::string_view const text = "# mine\n[advplay]\nmusic_volume = 60";
    std::string const written = with_game_settings(text, "demo", settings);
    EXPECT_TRUE(written.starts_with(std::string(text) + "\n\n[game demo]\n")) << written;
    EXPECT_EQ(fields(read_cleanly(written, "demo")), fields(settings));
    EXPECT_EQ(read_cleanly(written, "other").music_volume, 60);
}

TEST(WithGameSettings, TheOldSectionIsRewrittenInPlace)
{
    std::string_view const text = "; settings for all my games\n"
                                  "[advplay]\n"
                                  "music_volume = 60\n"
                                  "\n"
                                  "[game demo]\n"
                                  "# quieter, the music is loud\n"
                                  "MUSIC_VOLUME = 30\n"
                                  "my_own_key = kept\n"
                                  "music_volume = 31\n"
                                  "\n"
                                  "; the next one is my other game\n"
                                  "[game other]\n"
                                  "skip = all\n";
    PlayerSettings settings;
    settings.music_volume = 45;
    std::string const written = with_game_settings(text, "demo", settings);
    EXPECT_EQ(written,
        "; settings for all my games\n"
        "[advplay]\n"
        "music_volume = 60\n"
        "\n"
        "[game demo]\n"
        "# quieter, the music is loud\n"
        "music_volume = 45\n"
        "my_own_key = kept\n"
        "text_speed = 100\n"
        "auto_delay = 1500\n"
        "auto_char_delay = 80\n"
        "skip = read\n"
        "effects_volume = 100\n"
        "movie_volume = 100\n"
        "full_screen = no\n"
        "filter = nearest\n"
        "messages = ja\n"
        "enter_export = yes\n"
        "confirm_quit = no\n"
        "\n"
        "; the next one is my other game\n"
        "[game other]\n"
        "skip = all\n");
    std::vector<std::string> problems;
    EXPECT_EQ(fields(read(written, "demo", problems)), fields(settings));
    EXPECT_EQ(read(written, "other", problems).skip, SkipMode::All);
}

TEST(WithGameSettings, ASecondSectionForTheGameCannotUndoTheFirst)
{
    std::string_view const text
        = "[game demo]\nskip = all\n[advplay]\n[game demo]\nskip = all\nmusic_volume = 3\n";
    PlayerSettings const settings;
    std::string const written = with_game_settings(text, "demo", settings);
    EXPECT_EQ(fields(read_cleanly(written, "demo")), fields(settings));
    EXPECT_TRUE(written.ends_with("[advplay]\n[game demo]\n")) << written;
}

TEST(WithGameSettings, CrLfFilesStayCrLf)
{
    std::string const written = with_game_settings("[advplay]\r\nskip = all\r\n", "demo", unusual_settings());
    EXPECT_TRUE(written.starts_with("[advplay]\r\nskip = all\r\n\r\n[game demo]\r\ntext_speed = 250\r\n"));
    for (std::size_t at = written.find('\n'); at != std::string::npos; at = written.find('\n', at + 1))
        EXPECT_EQ(written[at - 1], '\r') << at;
}

TEST(WithGameSettings, ANameNoHeaderCanHoldLeavesTheFileAlone)
{
    for (char const* name : { "", " demo", "demo\t", "de\nmo" })
        EXPECT_EQ(with_game_settings("[advplay]\n", name, unusual_settings()), "[advplay]\n") << name;
    // A bracket in a folder name is fine: the header closes at its last one.
    std::string const written = with_game_settings("", "demo [v2]", unusual_settings());
    EXPECT_EQ(fields(read_cleanly(written, "demo [v2]")), fields(unusual_settings()));
}

TEST(WithGameSettings, AnyOldFileReadsBackAsWritten)
{
    std::uint32_t const seed = 977;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    PlayerSettings const settings = unusual_settings();
    for (int round = 0; round < 200; ++round) {
        std::string bytes = garbage(random, random() % 500);
        // Sometimes with the game's section in the middle of the garbage.
        if (round % 2 == 1)
            bytes.insert(random() % (bytes.size() + 1), "\n[game demo]\nskip = read\n");
        std::vector<std::string> problems;
        EXPECT_EQ(
            fields(read(with_game_settings(bytes, "demo", settings), "demo", problems)), fields(settings))
            << "round " << round;
    }
}

// ------------------------------------------------------------------------------------------------
// Writing files
// ------------------------------------------------------------------------------------------------

std::string contents(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

std::vector<std::string> names_in(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (auto const& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class WriteFileAtomically : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path()
            / ("advplay-settings-test-" + std::to_string(::getpid()) + "-"
                + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_folder, ignored);
    }
    std::filesystem::path m_folder;
};

TEST_F(WriteFileAtomically, CreatesTheFoldersAndLeavesOnlyTheFile)
{
    std::filesystem::path const path = m_folder / "config" / "advplay" / "settings.ini";
    std::string error;
    std::string const bytes("[advplay]\n\0binary too\n", 22);
    ASSERT_TRUE(write_file_atomically(path, bytes, error)) << error;
    EXPECT_EQ(contents(path), bytes);
    EXPECT_EQ(names_in(path.parent_path()), std::vector<std::string> { "settings.ini" });
}

TEST_F(WriteFileAtomically, ReplacesTheOldFile)
{
    std::filesystem::path const path = m_folder / "settings.ini";
    std::string error;
    ASSERT_TRUE(write_file_atomically(path, "a much longer old content\n", error)) << error;
    ASSERT_TRUE(write_file_atomically(path, "new\n", error)) << error;
    EXPECT_EQ(contents(path), "new\n");
    ASSERT_TRUE(write_file_atomically(path, "", error)) << error;
    EXPECT_EQ(contents(path), "");
    EXPECT_EQ(names_in(m_folder), std::vector<std::string> { "settings.ini" });
}

TEST_F(WriteFileAtomically, AFileInTheWayOfTheFolderIsAnError)
{
    std::filesystem::path const blocker = m_folder / "advplay";
    std::ofstream(blocker) << "not a folder";
    std::string error;
    EXPECT_FALSE(write_file_atomically(blocker / "settings.ini", "new", error));
    EXPECT_NE(error.find(blocker.string()), std::string::npos) << error;
    EXPECT_EQ(contents(blocker), "not a folder");
}

TEST_F(WriteFileAtomically, AFailedRenameLeavesNoTemporaryBehind)
{
    // A folder where the file should be: everything works up to the rename.
    std::filesystem::path const path = m_folder / "settings.ini";
    std::filesystem::create_directory(path);
    std::ofstream(path / "inside") << "kept";
    std::string error;
    EXPECT_FALSE(write_file_atomically(path, "new", error));
    EXPECT_NE(error.find("settings.ini"), std::string::npos) << error;
    EXPECT_EQ(names_in(m_folder), std::vector<std::string> { "settings.ini" });
    EXPECT_EQ(contents(path / "inside"), "kept");
}

TEST_F(WriteFileAtomically, AReadOnlyFolderKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    std::filesystem::path const path = m_folder / "settings.ini";
    std::string error;
    ASSERT_TRUE(write_file_atomically(path, "old", error)) << error;
    std::filesystem::permissions(
        m_folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(write_file_atomically(path, "new", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(contents(path), "old");
    EXPECT_EQ(names_in(m_folder), std::vector<std::string> { "settings.ini" });
}

// ------------------------------------------------------------------------------------------------
// Where the file lives
// ------------------------------------------------------------------------------------------------

class SettingsPath : public testing::Test {
protected:
    void SetUp() override
    {
        for (auto& [name, value] : m_saved) {
            if (char const* now = std::getenv(name))
                value = now;
        }
        ::setenv("HOME", "/home/player", 1);
    }
    void TearDown() override
    {
        for (auto const& [name, value] : m_saved) {
            if (value)
                ::setenv(name, value->c_str(), 1);
            else
                ::unsetenv(name);
        }
    }
    std::pair<char const*, std::optional<std::string>> m_saved[2] { { "HOME", {} },
        { "XDG_CONFIG_HOME", {} } };
};

TEST_F(SettingsPath, XdgConfigHomeWhenItIsAnAbsolutePath)
{
    ::setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    EXPECT_EQ(settings_path(), std::filesystem::path("/tmp/config/advplay/settings.ini"));
}

TEST_F(SettingsPath, TheHomeFolderOtherwise)
{
    std::filesystem::path const expected("/home/player/.config/advplay/settings.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settings_path(), expected);
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(settings_path(), expected);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(settings_path(), expected);
}

// ------------------------------------------------------------------------------------------------
// One setting at a time, as the command line gives them
// ------------------------------------------------------------------------------------------------

TEST(ChangeSetting, KnowsTheFilesKeysAndTellsWhatEachTakes)
{
    SettingOverrides overrides;
    EXPECT_EQ(change_setting(overrides, "auto_char_delay", "120"), SettingChange::Made);
    EXPECT_EQ(overrides.auto_character_delay, 120);
    EXPECT_EQ(change_setting(overrides, "auto_char_delay", "10001"), SettingChange::BadValue);
    EXPECT_EQ(overrides.auto_character_delay, 120);
    EXPECT_EQ(change_setting(overrides, "volume", "1"), SettingChange::UnknownKey);
    EXPECT_EQ(setting_values("auto_delay"), "a number of milliseconds from 0 to 60000");
    EXPECT_EQ(setting_values("messages"), "ja or ja+en");
    EXPECT_EQ(setting_values("volume"), "");

    PlayerSettings settings = unusual_settings();
    apply_overrides(settings, overrides);
    PlayerSettings expected = unusual_settings();
    expected.auto_character_delay = 120;
    EXPECT_EQ(fields(settings), fields(expected));
}

} // namespace
} // namespace advplay::app

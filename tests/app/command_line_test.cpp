// The command line: options, subcommands and the errors a user sees.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace advplay::app {
namespace {

ParseResult parse(std::vector<std::string> arguments)
{
    return parse_command_line(arguments);
}

TEST(CommandLine, PlayOptions)
{
    auto const result = parse({ "--headless", "--trace", "--max-time", "5000", "--answer", "yes",
        "--messages", "ja+en", "--ini", "x.ini", "game" });
    ASSERT_TRUE(result.command_line);
    CommandLine const& line = *result.command_line;
    EXPECT_EQ(line.action, Action::Play);
    EXPECT_TRUE(line.headless);
    EXPECT_TRUE(line.trace);
    EXPECT_EQ(line.max_time, 5000u);
    EXPECT_EQ(line.answer, YesNo::Yes);
    EXPECT_EQ(line.settings.english_messages, true);
    EXPECT_EQ(parse({ "--messages", "ja" }).command_line->settings.english_messages, false);
    EXPECT_EQ(line.ini_name, "x.ini");
    EXPECT_EQ(line.operands, std::vector<std::string> { "game" });
    EXPECT_TRUE(parse({}).command_line->operands.empty());
}

TEST(CommandLine, SeedAndDate)
{
    auto const result = parse({ "--headless", "--seed", "4294967295", "--date", "2026-12-08 09:30:00", "g" });
    ASSERT_TRUE(result.command_line);
    EXPECT_EQ(result.command_line->seed, 4294967295u);
    EXPECT_EQ(result.command_line->date, "2026-12-08 09:30:00");
    EXPECT_NE(parse({ "--seed", "4294967296" }).error.find("--seed"), std::string::npos);
    EXPECT_NE(parse({ "--seed", "x" }).error.find("--seed"), std::string::npos);
    EXPECT_NE(parse({ "--date" }).error.find("--date"), std::string::npos);
}

TEST(CommandLine, PlayerSettings)
{
    auto const result = parse({ "--text-speed", "250", "--auto-delay", "60000", "--auto-char-delay", "0",
        "--skip", "all", "--music-volume", "0", "--effects-volume", "100", "--movie-volume", "75",
        "--full-screen", "--filter", "linear", "--enter-export", "no", "--confirm-quit", "yes", "--text-hook",
        "-", "game" });
    ASSERT_TRUE(result.command_line) << result.error;
    SettingOverrides const& settings = result.command_line->settings;
    EXPECT_EQ(settings.text_speed, 250);
    EXPECT_EQ(settings.auto_base_delay, 60000);
    EXPECT_EQ(settings.auto_character_delay, 0);
    EXPECT_EQ(settings.skip, SkipMode::All);
    EXPECT_EQ(settings.music_volume, 0);
    EXPECT_EQ(settings.effects_volume, 100);
    EXPECT_EQ(settings.movie_volume, 75);
    EXPECT_EQ(settings.full_screen, true);
    EXPECT_EQ(settings.linear_filter, true);
    EXPECT_EQ(settings.enter_exports, false);
    EXPECT_EQ(settings.confirm_quit, true);
    EXPECT_EQ(result.command_line->text_hook, "-");
    EXPECT_EQ(result.command_line->operands, std::vector<std::string> { "game" });

    // What the command line leaves out, the settings file decides.
    auto const bare = parse({ "game" });
    EXPECT_FALSE(bare.command_line->settings.music_volume);
    EXPECT_FALSE(bare.command_line->settings.full_screen);
    EXPECT_FALSE(bare.command_line->text_hook);
    EXPECT_EQ(parse({ "--full-screen", "--window" }).command_line->settings.full_screen, false);
}

TEST(CommandLine, PlayerSettingsOutOfRangeAreRefused)
{
    EXPECT_EQ(parse({ "--music-volume", "101" }).error, "--music-volume needs a number from 0 to 100");
    EXPECT_EQ(parse({ "--text-speed", "9" }).error, "--text-speed needs a percentage from 10 to 1000");
    EXPECT_EQ(parse({ "--auto-delay", "60001" }).error,
        "--auto-delay needs a number of milliseconds from 0 to 60000");
    EXPECT_EQ(parse({ "--auto-char-delay", "-1" }).error,
        "--auto-char-delay needs a number of milliseconds from 0 to 10000");
    EXPECT_EQ(parse({ "--skip", "some" }).error, "--skip needs read or all");
    EXPECT_EQ(parse({ "--enter-export", "1" }).error, "--enter-export needs yes or no");
    EXPECT_EQ(parse({ "--confirm-quit" }).error, "--confirm-quit needs yes or no");
    EXPECT_EQ(parse({ "--effects-volume", "half" }).error, "--effects-volume needs a number from 0 to 100");
    EXPECT_EQ(parse({ "--filter", "smooth" }).error, "--filter needs nearest or linear");
    EXPECT_NE(parse({ "--text-hook" }).error.find("--text-hook"), std::string::npos);
    // The file's spelling is not an option.
    EXPECT_EQ(parse({ "--music_volume", "5" }).error, "unknown option --music_volume");
}

TEST(CommandLine, Subcommands)
{
    auto const pack = parse({ "pack", "scenario", "out.scn", "--ext", ".scr" });
    ASSERT_TRUE(pack.command_line);
    EXPECT_EQ(pack.command_line->action, Action::Pack);
    EXPECT_EQ(pack.command_line->extension, ".scr");
    EXPECT_EQ(pack.command_line->operands, (std::vector<std::string> { "scenario", "out.scn" }));
    EXPECT_EQ(parse({ "unpack", "a.scn", "out" }).command_line->action, Action::Unpack);
    EXPECT_EQ(parse({ "savedump", "a.sav" }).command_line->action, Action::SaveDump);
    EXPECT_NE(parse({ "savedump" }).error.find("usage"), std::string::npos);
    EXPECT_EQ(parse({ "gplp", "pack", "a.bmp" }).command_line->action, Action::Gplp);
    EXPECT_EQ(parse({ "gplp", "unpack", "a.dpa", "a.bmp" }).command_line->operands.size(), 3u);
    EXPECT_NE(parse({ "gplp", "unpack", "a.dpa" }).error.find("usage"), std::string::npos);
    EXPECT_NE(parse({ "gplp", "squeeze", "a", "b" }).error.find("usage"), std::string::npos);
    EXPECT_EQ(parse({ "--version" }).command_line->action, Action::Version);
    EXPECT_EQ(parse({ "pack", "--help" }).command_line->action, Action::Help);
}

TEST(CommandLine, MistakesAreExplained)
{
    EXPECT_NE(parse({ "--max-time" }).error.find("--max-time"), std::string::npos);
    EXPECT_NE(parse({ "--max-time", "-1" }).error.find("--max-time"), std::string::npos);
    EXPECT_NE(parse({ "--answer", "maybe" }).error.find("yes or no"), std::string::npos);
    EXPECT_NE(parse({ "--messages", "en" }).error.find("ja or ja+en"), std::string::npos);
    EXPECT_NE(parse({ "--bogus" }).error.find("--bogus"), std::string::npos);
    EXPECT_NE(parse({ "pack", "only-one" }).error.find("usage"), std::string::npos);
    EXPECT_NE(parse({ "unpack", "a", "b", "c" }).error.find("usage"), std::string::npos);
    EXPECT_NE(parse({ "a", "b" }).error.find("one game"), std::string::npos);
    EXPECT_FALSE(parse({ "--ext", ".txt", "game" }).command_line);
}

TEST(CommandLine, HelpListsEveryOptionAndSubcommand)
{
    std::string const help = help_text();
    for (char const* word : { "--headless", "--trace", "--max-time", "--max-passes", "--answer", "--ini",
             "--ext", "--help", "--version", "--seed", "--date", "pack SCENARIO_DIR", "unpack PACK",
             "savedump FILE", "gplp pack FILE", "gplp unpack", "--input", "--screenshot", "--scale",
             "--filter", "--debug", "--text-speed", "--auto-delay", "--auto-char-delay", "--skip",
             "--music-volume", "--effects-volume", "--movie-volume", "--full-screen", "--window",
             "--messages", "--enter-export", "--confirm-quit", "--text-hook", "settings.ini" })
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

} // namespace
} // namespace advplay::app

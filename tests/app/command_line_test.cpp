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
    EXPECT_TRUE(line.english_messages);
    EXPECT_FALSE(parse({ "--messages", "ja" }).command_line->english_messages);
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
    for (char const* word :
        { "--headless", "--trace", "--max-time", "--max-passes", "--answer", "--ini", "--ext", "--help",
            "--version", "--seed", "--date", "pack SCENARIO_DIR", "unpack PACK", "savedump FILE",
            "gplp pack FILE", "gplp unpack", "--input", "--screenshot", "--scale", "--filter", "--debug" })
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

} // namespace
} // namespace advplay::app

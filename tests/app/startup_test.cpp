// Start-up: the scenario path from the ini file, and the failures that end the process.
#include "app/startup.h"

#include "app/frame_loop.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::app {
namespace {

IniFile ini_of(std::string_view text)
{
    return IniFile::parse(text, [](const std::string&) { return std::optional<std::string>(); });
}

TEST(Startup, WithoutAnIniTheScenarioIsTheFolderData)
{
    testing::TestGame game;
    game.write_script("start", "hello\n");
    ASSERT_EQ(start_up(game.engine(), IniFile()), StartupResult::Ready);
    EXPECT_EQ(game.engine().store.position().file_name, "start");
    EXPECT_EQ(game.engine().settings.caption, "ADV");
    EXPECT_EQ(game.engine().settings.save_path, "data");
}

TEST(Startup, MissingScenarioPathEndsWithItsMessage)
{
    testing::TestGame game;
    EXPECT_EQ(start_up(game.engine(), ini_of("[Scenario]\nPath=nowhere\n")), StartupResult::Failed);
    EXPECT_EQ(game.messages(), "無効なシナリオフォルダまたはシナリオファイルを指定しました\n\n");
}

TEST(Startup, ScenarioWithoutStartEndsWithItsMessage)
{
    testing::TestGame game;
    game.write_script("other", "x\n");
    EXPECT_EQ(start_up(game.engine(), IniFile()), StartupResult::Failed);
    EXPECT_EQ(game.messages(), "startが実行できません\n\n");
}

TEST(Startup, UnreadableScriptLeavesStartMissing)
{
    testing::TestGame game;
    game.write_script("a", "x\n");
    game.folder().write("data/b.txt", "");
    game.write_script("start", "x\n");
    EXPECT_EQ(start_up(game.engine(), IniFile()), StartupResult::Failed);
    EXPECT_EQ(game.messages(), "startが実行できません\n\n");
}

TEST(Startup, PackNamedInTheIniIsLoaded)
{
    testing::TestGame maker;
    maker.write_script("start", ".cap packed\n.end\n");
    ASSERT_TRUE(maker.load_and_start());

    testing::TestGame game;
    game.folder().write("scn/game.scn", std::string(maker.engine().store.build_pack().view()));
    ASSERT_EQ(start_up(game.engine(), ini_of("[Scenario]\nPath=SCN\\GAME.SCN\n[Save]\nPath=save\n")),
        StartupResult::Ready);
    EXPECT_EQ(game.engine().settings.save_path, "save");
    game.run();
    EXPECT_EQ(game.window().title(), "packed");
}

TEST(Startup, StyleFullScreenSwitchesBeforeTheFirstLine)
{
    testing::TestGame game;
    game.write_script("start", ".end\n");
    ASSERT_EQ(start_up(game.engine(), ini_of("[Settings]\nStyle=fullscreen\n")), StartupResult::Ready);
    game.run();
    EXPECT_TRUE(game.window().full_screen());
    EXPECT_TRUE(game.messages().empty());
}

TEST(Startup, StyleUserAsksWithTheDialogTexts)
{
    for (auto answer : { platform::MessageBoxAnswer::Yes, platform::MessageBoxAnswer::No }) {
        testing::TestGame game(answer);
        game.write_script("start", ".end\n");
        ASSERT_EQ(start_up(game.engine(), ini_of("[Settings]\nStyle=User\n")), StartupResult::Ready);
        game.run();
        EXPECT_EQ(game.window().full_screen(), answer == platform::MessageBoxAnswer::Yes);
        EXPECT_EQ(game.messages(), "フルスクリーン表示しますか？\n\n");
    }
    testing::TestGame custom;
    custom.write_script("start", ".end\n");
    ASSERT_EQ(start_up(custom.engine(), ini_of("[Settings]\nStyle=user\n[Dialog]\nCaption=Q\nText=Full?\n")),
        StartupResult::Ready);
    EXPECT_EQ(custom.messages(), "Full?\n\n");
}

TEST(Startup, WindowOpensWithCaptionAndBackgroundOfTheConfig)
{
    testing::TestGame game;
    game.write_script("config", ".cap Title\n.bgc #ff0000\n.scr 2\n");
    game.write_script("start", ".end\n");
    ASSERT_EQ(start_up(game.engine(), IniFile()), StartupResult::Ready);
    EXPECT_TRUE(game.window().is_open());
    EXPECT_EQ(game.window().title(), "Title");
    EXPECT_EQ(game.window().background(), 0x0000FFu);
    EXPECT_EQ(game.engine().graphics.offscreen_surfaces.size(), 2u);
    // Red in RGB555, everywhere on the window before the first line.
    for (auto pixel : game.window().picture())
        ASSERT_EQ(pixel, 0x7C00);
}

TEST(Startup, SecondCopyStopsAfterTheConfigScript)
{
    testing::TestGame game;
    game.write_script("config", ".cap Second\n");
    game.write_script("start", ".end\n");
    StartupOptions options;
    int claims = 0;
    options.claim_single_instance = [&claims] {
        ++claims;
        return false;
    };
    EXPECT_EQ(start_up(game.engine(), IniFile(), options), StartupResult::AlreadyRunning);
    EXPECT_EQ(claims, 1);
    EXPECT_EQ(game.engine().settings.caption, "Second");
    EXPECT_FALSE(game.window().is_open());
}

TEST(FrameLoop, StopsAtTheTimeLimitAndThePassLimit)
{
    testing::TestGame game;
    std::string script;
    for (int i = 0; i < 10; ++i)
        script += ".wat 30\n.cap x\n";
    game.write_script("start", script);
    ASSERT_TRUE(game.load_and_start());
    EXPECT_EQ(frame_loop(game.engine(), { 100, std::nullopt }), RunEnd::TimeLimit);
    EXPECT_GE(game.clock().now(), 100u);
    EXPECT_LT(game.clock().now(), 104u);

    testing::TestGame spinning;
    spinning.write_script("start", ".wat 0\n.wat 0\n.wat 0\n.end\n");
    ASSERT_TRUE(spinning.load_and_start());
    EXPECT_EQ(frame_loop(spinning.engine(), { std::nullopt, 2 }), RunEnd::PassLimit);
    EXPECT_EQ(frame_loop(spinning.engine(), { std::nullopt, 100 }), RunEnd::Closed);
}

TEST(FrameLoop, NextPassFollowsTheDelayCountedFromThePreviousPass)
{
    testing::TestGame game;
    game.write_script("start", ".wat 50\n.cap a\n.wat 7\n.cap b\n.wat 3\n.cap c\n.end\n");
    ASSERT_TRUE(game.load_and_start());
    game.enable_trace();
    EXPECT_EQ(game.run(), 60u);
    EXPECT_NE(game.trace().find("50 start:3 Fetch .wat 7"), std::string::npos);
    EXPECT_NE(game.trace().find("57 start:5 Fetch .wat 3"), std::string::npos);
}

} // namespace
} // namespace advplay::app

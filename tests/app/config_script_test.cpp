// The config script: declarations, arrays and settings.
#include "app/config_script.h"

#include "graphics/color.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::app {
namespace {

class ConfigScriptTest : public ::testing::Test {
protected:
    Engine& load(std::string_view config)
    {
        m_game.write_script("config", config);
        m_game.write_script("start", ".end\n");
        EXPECT_TRUE(m_game.load_and_start());
        return m_game.engine();
    }
    std::vector<std::string> integers()
    {
        std::vector<std::string> names;
        for (auto const& [name, value] : m_game.engine().variables.integers())
            names.push_back(name);
        return names;
    }

    testing::TestGame m_game;
};

using Names = std::vector<std::string>;

TEST_F(ConfigScriptTest, DeclaresVariablesAndArrays)
{
    Engine& engine = load(".int flag[3] count\n.str name title[2]\n.int count\n.str count\n");
    EXPECT_EQ(integers(), (Names { "count", "flag0", "flag1", "flag2" }));
    EXPECT_EQ(engine.variables.kind("title1"), script::VariableKind::String);
    EXPECT_EQ(engine.variables.kind("title2"), script::VariableKind::None);
    EXPECT_EQ(engine.variables.kind("count"), script::VariableKind::Integer);
    EXPECT_TRUE(m_game.messages().empty());
}

TEST_F(ConfigScriptTest, ArrayCountsMayUseEarlierVariables)
{
    load(".int size\n.int row[size] zero[0] neg[-2]\n");
    EXPECT_EQ(integers(), (Names { "size" }));
}

TEST_F(ConfigScriptTest, ArrayCountsAreBounded)
{
    load(".int huge[99999999]\n");
    EXPECT_EQ(m_game.engine().variables.integers().size(), 100'000u);
}

TEST_F(ConfigScriptTest, DeclarationsBeyondTheMemoryBudgetAreRefusedWithOneReportAStatement)
{
    constexpr std::size_t kBudget = 1 << 20;
    m_game.engine().variables = script::VariableTable(kBudget);
    load(".int a[100000] after\n.int b[5]\n.int a0 a1\n");
    std::size_t const declared = m_game.engine().variables.integers().size();
    std::size_t const fits = kBudget / script::VariableTable::cost("a10000");
    EXPECT_GE(declared, fits * 9 / 10);
    EXPECT_LE(declared, fits * 11 / 10);
    EXPECT_EQ(m_game.engine().variables.kind("after"), script::VariableKind::None);
    EXPECT_EQ(m_game.engine().variables.kind("b0"), script::VariableKind::None);
    // The refused statements, each once; names already declared cost nothing more.
    EXPECT_EQ(m_game.messages(),
        "FILE : config\nLINE : 1\n\n宣言した変数が多すぎます\n\nFILE : config\nLINE : "
        "2\n\n宣言した変数が多すぎます\n\n");
}

TEST_F(ConfigScriptTest, SettingsAndOtherLinesPassedOver)
{
    Engine& engine
        = load("# settings\n.scr 3\n.bgc #ff8000\n.cap \"My Game\"\nsome text\n.wat 100\n.jmp nowhere\n");
    EXPECT_EQ(engine.settings.offscreen_count, 3);
    EXPECT_EQ(engine.settings.background, 0x0080ffu);
    EXPECT_EQ(engine.settings.caption, "My Game");
    EXPECT_EQ(m_game.window().title(), "My Game");
    EXPECT_TRUE(m_game.messages().empty());
    EXPECT_EQ(engine.store.position().file_name, "start");
}

TEST_F(ConfigScriptTest, ColoursReadLikeTheCLibraryDoes)
{
    EXPECT_EQ(graphics::parse_color("#102030"), 0x302010u);
    EXPECT_EQ(graphics::parse_color("102030"), 0u);
    EXPECT_EQ(graphics::parse_color("#1G2030"), 0x302001u);
    EXPECT_EQ(graphics::parse_color("#FF"), 0xFFu);
    EXPECT_EQ(graphics::parse_color("#0 0 0 "), 0u);
    EXPECT_EQ(graphics::parse_color("#-1"), 0xFFFFFFFFu);
}

TEST_F(ConfigScriptTest, ArrayMembersAreReachableThroughBrackets)
{
    m_game.write_script("config", ".int slot[3] i\n");
    m_game.write_script("start", ".let i = 2\n.let slot[i] = 5\n.end\n");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.run();
    EXPECT_EQ(*m_game.engine().variables.integer("slot2"), 5);
}

} // namespace
} // namespace advplay::app

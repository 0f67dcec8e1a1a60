// .sav and .lod as scripts use them.
#include "script/save_commands.h"

#include "persist/save_file.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::script {
namespace {

class SaveCommandsTest : public ::testing::Test {
protected:
    SaveCommandsTest()
    {
        m_game.write_script("config", ".int score flag[2]\n.str name\n");
        m_game.write_script("start", ".end\n");
        m_game.folder().write("game.ini", "");
        EXPECT_TRUE(m_game.load_and_start());
        engine().settings.save_path = "save";
    }
    Engine& engine() { return m_game.engine(); }
    void run(void (*command)(Engine&), std::string_view arguments)
    {
        engine().interpreter.current_line.assign(arguments);
        command(engine());
    }
    std::int32_t integer(std::string_view name) { return *engine().variables.integer(name); }
    std::string string(std::string_view name) { return *engine().variables.string(name); }
    std::size_t reports() const { return m_game.message_box().shown().size(); }

    testing::TestGame m_game;
};

TEST_F(SaveCommandsTest, SaveGoesToTheSaveFolderWithItsDefaultExtension)
{
    ASSERT_TRUE(engine().variables.assign_int("score", 42));
    run(save_command, "game1");
    run(save_command, "game1.dat");
    EXPECT_EQ(reports(), 0u);
    std::string const saved = m_game.folder().read("save/game1.sav");
    EXPECT_EQ(saved, persist::build_save(engine().variables.integers(), engine().variables.strings()).view());
    EXPECT_EQ(m_game.folder().read("save/game1.dat"), saved);
}

TEST_F(SaveCommandsTest, ALoadWhoseNewNamesPassTheBudgetChangesNothing)
{
    persist::IntegerMap many { { "score", 5 } };
    for (int i = 0; i < 2000; ++i)
        many.emplace("extra" + std::to_string(i), i);
    ASSERT_TRUE(engine().platform.files.create_folders("save"));
    ASSERT_TRUE(
        persist::write_save(engine().platform.files, "save\\many.sav", persist::build_save(many, {})));
    VariableTable small(VariableTable::cost("score") * 3 + VariableTable::cost("name")
        + 1000 * VariableTable::cost("extra1000"));
    for (auto const& [name, value] : engine().variables.integers())
        ASSERT_TRUE(small.declare_int(name));
    ASSERT_TRUE(small.declare_string("name"));
    engine().variables = small;
    run(load_command, "many");
    EXPECT_EQ(reports(), 1u);
    EXPECT_EQ(integer("score"), 0) << "refused before anything changed";
    EXPECT_EQ(engine().variables.kind("extra0"), VariableKind::None);
    engine().variables = VariableTable();
    ASSERT_TRUE(engine().variables.declare_int("score"));
    run(load_command, "many");
    EXPECT_EQ(reports(), 1u);
    EXPECT_EQ(integer("score"), 5);
    EXPECT_EQ(engine().variables.integers().size(), 2001u);
}

TEST_F(SaveCommandsTest, LoadRestoresEveryVariableOrOnlyTheNamedOne)
{
    ASSERT_TRUE(engine().variables.assign_int("score", 7));
    ASSERT_TRUE(engine().variables.assign_int("flag1", 1));
    ASSERT_TRUE(engine().variables.assign_string("name", "\x88\xa2"));
    run(save_command, "slot");
    ASSERT_TRUE(engine().variables.assign_int("score", 0));
    ASSERT_TRUE(engine().variables.assign_int("flag1", 0));
    ASSERT_TRUE(engine().variables.assign_string("name", ""));

    run(load_command, "slot score");
    EXPECT_EQ(integer("score"), 7);
    EXPECT_EQ(integer("flag1"), 0);
    run(load_command, "slot name");
    EXPECT_EQ(string("name"), "\x88\xa2");
    run(load_command, "slot");
    EXPECT_EQ(integer("flag1"), 1);
    EXPECT_EQ(reports(), 0u);
}

TEST_F(SaveCommandsTest, LoadOfAMissingFileDoesNothingSilently)
{
    ASSERT_TRUE(engine().variables.assign_int("score", 3));
    run(load_command, "never_saved");
    run(load_command, "never_saved score");
    EXPECT_EQ(integer("score"), 3);
    EXPECT_EQ(reports(), 0u);
}

TEST_F(SaveCommandsTest, OlderSavesKeepNewVariablesAndAddUnknownNames)
{
    m_game.folder().write(
        "save/old.sav", std::string(persist::build_save({ { "score", 5 }, { "retired", 9 } }, {}).view()));
    ASSERT_TRUE(engine().variables.assign_string("name", "kept"));
    run(load_command, "old");
    EXPECT_EQ(integer("score"), 5);
    EXPECT_EQ(string("name"), "kept");
    EXPECT_EQ(integer("retired"), 9);
}

TEST_F(SaveCommandsTest, NameOfTheOtherKindDoesNotChangeKind)
{
    m_game.folder().write(
        "save/mixed.sav", std::string(persist::build_save({ { "name", 5 } }, { { "score", "x" } }).view()));
    run(load_command, "mixed");
    EXPECT_EQ(engine().variables.kind("name"), VariableKind::String);
    EXPECT_EQ(engine().variables.kind("score"), VariableKind::Integer);
    EXPECT_EQ(integer("score"), 0);
}

TEST_F(SaveCommandsTest, FailedLoadsAreReportedAndChangeNothing)
{
    ASSERT_TRUE(engine().variables.assign_int("score", 1));
    std::string good(persist::build_save({ { "score", 9 } }, { { "name", "abc" } }).view());
    m_game.folder().write("save/cut.sav", good.substr(0, good.size() - 3));
    m_game.folder().write("save/empty.sav", "");
    m_game.folder().write("save/good.sav", good);

    run(load_command, "cut");
    run(load_command, "empty");
    run(load_command, "good undeclared");
    run(load_command, "good CurLine");
    run(load_command, "good flag0");
    EXPECT_EQ(integer("score"), 1);
    EXPECT_EQ(string("name"), "");
    EXPECT_EQ(reports(), 5u);
    EXPECT_NE(m_game.messages().find("ロードに失敗しました"), std::string::npos);
}

TEST_F(SaveCommandsTest, SaveThatCannotBeWrittenIsReported)
{
    m_game.folder().write("save", "a file where the folder should be");
    run(save_command, "slot");
    ASSERT_EQ(reports(), 1u);
    EXPECT_NE(m_game.messages().find("セーブに失敗しました"), std::string::npos);
}

TEST_F(SaveCommandsTest, MissingSaveFolderIsCreated)
{
    engine().settings.save_path = "saves\\slot";
    run(save_command, "one");
    EXPECT_EQ(reports(), 0u);
    EXPECT_FALSE(m_game.folder().read("saves/slot/one.sav").empty());
}

TEST_F(SaveCommandsTest, NamesBeyondThePathLimitAreRefused)
{
    run(save_command, std::string(300, 'n'));
    run(load_command, std::string(300, 'n'));
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 0\n\nセーブに失敗しました\n\nFILE : start\nLINE : "
        "0\n\nロードに失敗しました\n\n");
}

} // namespace
} // namespace advplay::script

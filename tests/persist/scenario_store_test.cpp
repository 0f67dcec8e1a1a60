// ScenarioStore: the folder loader, the line splitter and line navigation.
#include "persist/scenario_store.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay::persist {
namespace {

using testing::TemporaryFolder;

class ScenarioStoreTest : public ::testing::Test {
protected:
    ScenarioStoreTest()
        : m_files(m_folder.path().string(), m_encoding)
    {
    }
    bool load(std::string_view folder = "data", std::string_view extension = ".txt")
    {
        return m_store.load_folder(m_files, folder, extension);
    }
    std::string text() const { return std::string(m_store.text().view()); }
    std::string next_line()
    {
        auto line = m_store.read_next_line();
        return line ? std::string(*line) : std::string("<end>");
    }
    std::vector<std::string> keys() const
    {
        std::vector<std::string> result;
        for (auto const& [key, entry] : m_store.index())
            result.push_back(key);
        return result;
    }

    TemporaryFolder m_folder;
    platform::TextEncoding m_encoding;
    platform::HostFiles m_files;
    ScenarioStore m_store;
};

using Keys = std::vector<std::string>;

TEST_F(ScenarioStoreTest, ScriptNamesAreLowerCasedPathsWithoutTheExtension)
{
    m_folder.write("data/START.TXT", "a\n");
    m_folder.write("data/ev/Ab.txt", "b\n");
    m_folder.write("data/note.doc", "c\n");
    m_folder.write("data/README", "d\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(keys(), (Keys { "ev\\ab", "start" }));
    // Folders are entered where they are listed: "ev" comes before "START.TXT".
    EXPECT_EQ(m_store.index().at("ev\\ab").offset, 0);
    EXPECT_EQ(m_store.index().at("start").offset, 5);
}

TEST_F(ScenarioStoreTest, FolderWithOrWithoutTrailingSeparatorGivesTheSameKeys)
{
    m_folder.write("data/sub/x.txt", "x\n");
    ASSERT_TRUE(load("data\\"));
    Keys const with_separator = keys();
    ASSERT_TRUE(load("data"));
    EXPECT_EQ(keys(), with_separator);
    EXPECT_EQ(keys(), (Keys { "sub\\x" }));
}

TEST_F(ScenarioStoreTest, ExtensionWithoutItsDotMatchesNothing)
{
    m_folder.write("data/start.txt", "a\n");
    ASSERT_TRUE(load("data", "txt"));
    EXPECT_TRUE(keys().empty());
    ASSERT_TRUE(load("data", ".TXT"));
    EXPECT_EQ(keys(), (Keys { "start" }));
}

TEST_F(ScenarioStoreTest, LinesBecomeEntriesWithoutReturnsAndLeadingTabs)
{
    m_folder.write("data/start.txt", "\t\t.wat 10\r\n# comment\r\n:loop\r\n\r\nlast");
    ASSERT_TRUE(load());
    EXPECT_EQ(text(), std::string(".wat 10\n\0\0\0\0last\0\x07", 18));
    EXPECT_EQ(m_store.index().at("start:loop"), (IndexEntry { 2, 10 }));
}

TEST_F(ScenarioStoreTest, FileEndingInALineFeedEndsWithAnExtraEmptyEntry)
{
    m_folder.write("data/a.txt", "x\n");
    m_folder.write("data/b.txt", "#only a comment");
    ASSERT_TRUE(load());
    EXPECT_EQ(text(), std::string("x\n\0\0\x07\0\x07", 7));
}

TEST_F(ScenarioStoreTest, ShiftJisSecondBytesAreNeverLineFeedsReturnsOrMarks)
{
    // A lead byte swallows the line feed after it, and a lead byte before a return keeps it.
    m_folder.write("data/start.txt", "\x95\\\x7c\r\n\x82\n:\x82\r\x81\x41\n#\x81\nstill comment\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(text(), std::string("\x95\\\x7c\n\0\x82\n:\x82\r\x81\x41\n\0\0\0\x07", 17));
    EXPECT_EQ(keys(), (Keys { "start" }));
}

TEST_F(ScenarioStoreTest, LaterLabelOfTheSameNameWins)
{
    m_folder.write("data/start.txt", "a\n:loop\nb\n:Loop\n:loop\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(m_store.index().at("start:loop").line_index, 4);
    EXPECT_EQ(m_store.index().at("start:Loop").line_index, 3);
}

TEST_F(ScenarioStoreTest, UnreadableFileStopsTheLoadAndLeavesNoPosition)
{
    m_folder.write("data/a.txt", "a\n");
    m_folder.write("data/b.txt", "");
    m_folder.write("data/c.txt", "c\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(keys(), (Keys { "a" }));
    EXPECT_FALSE(m_store.position().valid);
    EXPECT_FALSE(m_store.read_next_line());
}

TEST_F(ScenarioStoreTest, PathsBeyondTheLengthLimitAreRefused)
{
    std::string const deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/" + std::string(20, 'f') + ".txt";
    m_folder.write("data/" + deep, "x\n");
    EXPECT_FALSE(load());
    EXPECT_NE(m_store.last_error().find("259"), std::string::npos);
}

TEST_F(ScenarioStoreTest, ReadingAfterGotoNameCountsCommentsEmptyLinesAndLabels)
{
    m_folder.write("data/start.txt", "# c\n\n:top\nfourth\nfifth");
    ASSERT_TRUE(load());
    ASSERT_TRUE(m_store.goto_name("START"));
    EXPECT_EQ(next_line(), "fourth\n");
    EXPECT_EQ(m_store.position().line_index, 4);
    EXPECT_EQ(m_store.position().file_name, "start");
    EXPECT_EQ(next_line(), "fifth");
    EXPECT_EQ(next_line(), "<end>");
    EXPECT_EQ(m_store.position().line_index, 5);
    EXPECT_EQ(next_line(), "<end>");
}

TEST_F(ScenarioStoreTest, LabelsAreCaseSensitiveAndScriptNamesAreNot)
{
    m_folder.write("data/Ev/Start.txt", "a\n:Top\nb\n");
    ASSERT_TRUE(load());
    EXPECT_FALSE(m_store.goto_name("ev\\start:top"));
    ASSERT_TRUE(m_store.goto_name("EV\\START:Top"));
    EXPECT_EQ(m_store.position().line_index, 1);
    EXPECT_EQ(next_line(), "b\n");
    EXPECT_EQ(m_store.position().line_index, 3);
    EXPECT_EQ(m_store.position().file_name, "ev\\start");
}

TEST_F(ScenarioStoreTest, MissingNameLeavesThePositionAlone)
{
    m_folder.write("data/start.txt", "a\nb\n");
    ASSERT_TRUE(load());
    ASSERT_TRUE(m_store.goto_name("start"));
    EXPECT_EQ(next_line(), "a\n");
    EXPECT_FALSE(m_store.goto_name("other"));
    EXPECT_FALSE(m_store.goto_name("start:none"));
    EXPECT_FALSE(m_store.goto_line("start", 3));
    EXPECT_EQ(next_line(), "b\n");
}

TEST_F(ScenarioStoreTest, GotoLineMovesToTheLineAfterTheNth)
{
    std::string ten;
    for (int i = 1; i <= 10; ++i)
        ten += "line" + std::to_string(i) + "\n";
    m_folder.write("data/start.txt", ten);
    ASSERT_TRUE(load());
    ASSERT_TRUE(m_store.goto_line("Start", 9));
    EXPECT_EQ(next_line(), "line10\n");
    EXPECT_EQ(m_store.position().line_index, 10);
    ASSERT_TRUE(m_store.goto_line("start", 10));
    EXPECT_EQ(next_line(), "<end>");
    EXPECT_FALSE(m_store.goto_line("start", 11));
    ASSERT_TRUE(m_store.goto_line("start", 0));
    EXPECT_EQ(next_line(), "line1\n");
    EXPECT_FALSE(m_store.goto_line("start", -1));
    EXPECT_FALSE(m_store.goto_line("start:x", 0));
}

TEST_F(ScenarioStoreTest, NamesOnDiskInUtf8AndShiftJisGiveShiftJisKeys)
{
    std::string const hyou = testing::sjis("表");
    m_folder.write("data/表示.txt", "utf8\n");
    m_folder.write("data/" + testing::sjis("予定") + ".txt", "sjis\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(keys(), (Keys { testing::sjis("表示"), testing::sjis("予定") }));
    ASSERT_TRUE(m_store.goto_name(testing::sjis("表示")));
    EXPECT_EQ(next_line(), "utf8\n");
    EXPECT_EQ(hyou, "\x95\\");
}

} // namespace
} // namespace advplay::persist

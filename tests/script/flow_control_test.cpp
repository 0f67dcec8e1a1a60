// Case blocks, jumps and subroutines, run headless.
#include "script/flow_control.h"

#include "script/line_reader.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <sstream>

namespace advplay::script {
namespace {

class FlowControlTest : public ::testing::Test {
protected:
    // Runs "start" (with the other scripts written before) and returns the message-text lines it
    // reached, in order, joined by "|".
    std::string shown(std::string_view start_script)
    {
        m_game.write_script("start", start_script);
        EXPECT_TRUE(m_game.load_and_start());
        m_game.enable_trace();
        m_game.run();
        std::string result;
        std::istringstream trace(m_game.trace());
        for (std::string line; std::getline(trace, line);) {
            std::size_t const at = line.find(" ShowText ");
            if (at == std::string::npos)
                continue;
            if (!result.empty())
                result += '|';
            result += line.substr(at + 10);
        }
        return result;
    }
    void declare(std::string_view config) { m_game.write_script("config", config); }
    std::string messages() const { return m_game.messages(); }

    testing::TestGame m_game;
};

constexpr std::string_view kBlock
    = ".cas [s]\n.< 3\nsmall\n.skp\n.< 10\nmedium\n.skp\n.els\nlarge\n.skp\n.\nafter\n";

TEST_F(FlowControlTest, FirstCaseThatHoldsRunsItsBranch)
{
    declare(".int s\n");
    EXPECT_EQ(shown(".let s = 5\n" + std::string(kBlock)), "medium|after");
    EXPECT_TRUE(messages().empty());
}

TEST_F(FlowControlTest, ElseBranchAndNoBranch)
{
    declare(".int s\n");
    EXPECT_EQ(shown(".let s = 20\n" + std::string(kBlock)), "large|after");
}

TEST_F(FlowControlTest, NoMatchingCaseContinuesAfterTheBlock)
{
    EXPECT_EQ(shown(".cas 20\n.< 3\nsmall\n.skp\n.= 4\nfour\n.skp\n.\nafter\n"), "after");
}

TEST_F(FlowControlTest, EveryComparisonWord)
{
    std::string script;
    for (std::string_view word : { ".==", ".=", ".<", ".>", ".<=", ".>=", ".!=", ".<>" })
        script += ".cas 5\n" + std::string(word) + " 5\nyes" + std::string(word) + "\n.skp\n.els\nno"
            + std::string(word) + "\n.skp\n.\n";
    EXPECT_EQ(shown(script), "yes.==|yes.=|no.<|no.>|yes.<=|yes.>=|no.!=|no.<>");
}

TEST_F(FlowControlTest, NestedBlocksAreSkippedWholeEvenWhenTheirCasesWouldMatch)
{
    EXPECT_EQ(
        shown(
            ".cas 2\n.= 1\n.cas 2\n.= 2\ninner\n.skp\n.\n.skp\n.= 2\nsecond\n.cas 1\n.= 1\nnested\n.skp\n.\n."
            "skp\n.\nafter\n"),
        "second|nested|after");
}

TEST_F(FlowControlTest, CaseValuesAreEvaluatedOnlyWhenReached)
{
    // The second case value names a missing variable: reaching it would be reported.
    EXPECT_EQ(shown(".cas 1\n.= 1\none\n.skp\n.= nobody\nnever\n.skp\n.\n"), "one");
    EXPECT_TRUE(messages().empty());
}

TEST_F(FlowControlTest, CaseValuesReachedAreEvaluated)
{
    EXPECT_EQ(shown(".cas 2\n.= 1\none\n.skp\n.= nobody\nnever\n.skp\n.\n"), "");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 5\n\n存在しない変数を指定しました\n\n");
}

TEST_F(FlowControlTest, BranchWithoutSkipRunsOnIntoTheNext)
{
    EXPECT_EQ(shown(".cas 1\n.= 1\none\n.= 2\ntwo\n.skp\n.\nend\n"), "one|two|end");
}

TEST_F(FlowControlTest, UnclosedBlocksEndTheGameWithTheirMessages)
{
    EXPECT_EQ(shown(".cas 9\n.= 1\none\n.skp\nlost\n"), "");
    // The scan has passed the file's closing empty entry: the report names the line after the last.
    EXPECT_EQ(messages(),
        "FILE : start\nLINE : 6\n\n「.cas」の終わりの「.」がないままファイル終端に達しました\n\n");
}

TEST_F(FlowControlTest, UnclosedSkipEndsTheGame)
{
    EXPECT_EQ(shown(".cas 1\n.= 1\none\n.skp\n.cas 2\n.\n"), "one");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 7\n\n「.」がないままファイル終端に達しました\n\n");
}

TEST_F(FlowControlTest, JumpsToLabelsLinesAndScripts)
{
    m_game.write_script("other", "o1\n:there\no3\n");
    EXPECT_EQ(shown(".jmp :skip\nskipped\n:skip\n.jmp OTHER:there\n"), "o3");
}

TEST_F(FlowControlTest, JumpToALineNumberContinuesAfterThatLine)
{
    m_game.write_script("other", "o1\no2\no3\n");
    EXPECT_EQ(shown(".jmp other;1\n"), "o2|o3");
}

TEST_F(FlowControlTest, JumpWithoutTargetOrToLineZeroRestartsTheScript)
{
    declare(".int n\n");
    EXPECT_EQ(shown(".let n = n + 1\nround[n]\n.cas n\n.= 1\n.jmp\n.= 2\n.jmp ;0\n.\n"),
        "round[n]|round[n]|round[n]");
}

// A line number is its leading digits: "-5" has none and reads as 0, as the engine always read it,
// so a negative line restarts the script (a game may rely on it), and a number that follows other
// text is no number at all.
TEST_F(FlowControlTest, ANegativeOrMalformedLineNumberRestartsTheScript)
{
    declare(".int n\n");
    EXPECT_EQ(shown(".let n = n + 1\nround[n]\n.cas n\n.= 1\n.jmp ;-5\n.= 2\n.jmp start;x3\n.\n"),
        "round[n]|round[n]|round[n]");
    EXPECT_EQ(messages(), "");
}

TEST_F(FlowControlTest, LabelOfAnotherScriptIsNotFoundFromHere)
{
    m_game.write_script("other", ":only\nx\n");
    EXPECT_EQ(shown(".jmp :only\nnever\n"), "");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 1\n\n「.jmp」に失敗しました\n\n");
}

TEST_F(FlowControlTest, SubroutineReturnsAfterTheCallingLine)
{
    m_game.write_script("lib", ":hello\nhello\n.sub exit\n:bye\nbye\n");
    EXPECT_EQ(shown("a\n.sub lib:hello\nb\n.sub lib:bye\nc\n"), "a|hello|b|bye|c");
    EXPECT_TRUE(messages().empty());
}

TEST_F(FlowControlTest, LastFileAndLastLineNameTheCall)
{
    declare(".str where\n.int line\n");
    m_game.write_script("lib", ".let where = [LastFile]\n.let line = LastLine\nin [where] [line]\n");
    EXPECT_EQ(shown("one\n.sub lib\nout [LastFile] [LastLine]\n"),
        "one|in [where] [line]|out [LastFile] [LastLine]");
    EXPECT_EQ(*m_game.engine().variables.string("where"), "start");
    EXPECT_EQ(*m_game.engine().variables.integer("line"), 2);
}

TEST_F(FlowControlTest, InsideASubroutineJumpsMayNotLeaveTheScript)
{
    m_game.write_script("lib", ".jmp lib:ok\nskipped\n:ok\nok\n.jmp LIB:ok\n");
    EXPECT_EQ(shown(".sub lib\nnever\n"), "ok");
    EXPECT_EQ(messages(),
        "FILE : lib\nLINE : 5\n\n「.sub」でのジャンプ先で他のファイルへジャンプしようとしました\n\n");
}

TEST_F(FlowControlTest, DeleteEmptiesTheStackSoALaterExitIsInvalid)
{
    m_game.write_script("lib", "in\n.sub delete\n.jmp start:after\n");
    EXPECT_EQ(shown(".sub lib\n:after\nafter\n.sub exit\nnever\n"), "in|after");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 4\n\n無効な「.sub exit」です\n\n");
}

TEST_F(FlowControlTest, MissingSubroutineTargetEndsTheGame)
{
    EXPECT_EQ(shown(".sub nowhere\nnever\n"), "");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 1\n\n「.sub」に失敗しました\n\n");
    EXPECT_EQ(m_game.engine().call_stack.size(), 1u);
}

TEST_F(FlowControlTest, RecursionWithoutEndStopsAtTheDepthLimit)
{
    EXPECT_EQ(shown(":again\n.sub :again\n"), "");
    EXPECT_EQ(messages(), "FILE : start\nLINE : 2\n\n「.sub」の呼び出しが深すぎます\n\n");
    EXPECT_EQ(m_game.engine().call_stack.size(), kMaxCallDepth);
}

TEST_F(FlowControlTest, ReturnToALineThatNoLongerExistsFails)
{
    m_game.write_script("start", "x\n");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.engine().call_stack.push_back({ "start", 5, false, {} });
    m_game.engine().interpreter.current_line.assign("exit");
    EXPECT_FALSE(sub_command(m_game.engine()));
    EXPECT_EQ(m_game.engine().call_stack.size(), 1u);
    EXPECT_NE(messages().find("「.sub exit」に失敗しました"), std::string::npos);
}

TEST_F(FlowControlTest, ReturnFromAnEscapeResumesTheMessageLine)
{
    m_game.write_script("lib", "inside\n");
    m_game.write_script("start", "first\nsecond\n");
    ASSERT_TRUE(m_game.load_and_start());
    m_game.enable_trace();
    Engine& engine = m_game.engine();
    // Without a character delay the trace shows the order alone.
    engine.text.window.normal_delay = 0;
    ASSERT_TRUE(read_next_line(engine));
    ASSERT_TRUE(call_with_resume(engine, "lib", "rest of first"));
    m_game.run();
    EXPECT_NE(
        m_game.trace().find("0 lib:1 ShowText inside\n0 lib:2 ShowText .sub exit\n0 start:2 ShowText second"),
        std::string::npos)
        << m_game.trace();
}

} // namespace
} // namespace advplay::script

namespace advplay::script {
namespace {

// The author's note of each failed jump or call names what was missing, after the script's place;
// the box keeps the engine's text.
TEST(ScriptErrorNotes, NameTheMissingScriptLabelLineOrFile)
{
    auto const note_of = [](std::string_view script, std::string_view box_text) {
        testing::TestGame game;
        platform::StringOutput notes;
        game.engine().author_notes = &notes;
        game.write_script("other", ":here\n.sub exit\n");
        game.write_script("start", script);
        EXPECT_TRUE(game.load_and_start());
        game.run();
        EXPECT_NE(game.messages().find(box_text), std::string::npos) << script;
        return notes.text();
    };
    EXPECT_EQ(note_of(".cap a\n.jmp nowhere\n", "「.jmp」に失敗しました"),
        "advplay: start:2: no script \"nowhere\" in the scenario (jump to \"nowhere\")\n");
    EXPECT_EQ(note_of(".jmp other:there\n", "「.jmp」に失敗しました"),
        "advplay: start:1: no label \":there\" in the script \"other\"\n");
    EXPECT_EQ(note_of(".sub other;99\n", "「.sub」に失敗しました"),
        "advplay: start:1: the script \"other\" has no line 99\n");
    EXPECT_EQ(note_of(".cas missing\n.\n.end\n", "存在しない変数を指定しました"),
        "advplay: start:1: no variable \"missing\"\n");
    EXPECT_EQ(note_of(".pic screen pictures\\none 0 0 0 0 0 0 8 8\n.end\n", "コピー元のファイルを開けません"),
        "advplay: start:1: cannot open the picture \"data\\pictures\\none.bmp\"\n");
    EXPECT_EQ(note_of(".cur nothing\n.end\n", "カーソルファイルが読み込めませんでした"),
        "advplay: start:1: cannot load the cursor \"nothing\"\n");
    // An error with nothing more to say leaves no note.
    EXPECT_EQ(note_of(".bogus\n.end\n", "存在しないコマンドを指定しました"), "");
}

} // namespace
} // namespace advplay::script

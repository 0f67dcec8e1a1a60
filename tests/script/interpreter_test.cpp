// The interpreter loop: dispatch of lines, the wait clock, states and script errors.
#include "script/interpreter.h"

#include "script/line_reader.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace advplay::script {
namespace {

class InterpreterTest : public ::testing::Test {
protected:
    void start(std::string_view utf8_script)
    {
        m_game.write_script("start", utf8_script);
        ASSERT_TRUE(m_game.load_and_start());
        m_game.enable_trace();
    }
    std::vector<std::string> trace_lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(m_game.trace());
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    Engine& engine() { return m_game.engine(); }

    testing::TestGame m_game;
};

using Lines = std::vector<std::string>;

TEST_F(InterpreterTest, TraceNamesTimeScriptLineStateAndText)
{
    start("# head\n.wat 20\nこんにちは\n .wat 5\n.cap タイトル\n.end\nnot reached\n");
    m_game.run();
    EXPECT_EQ(trace_lines(),
        (Lines { "0 start:2 Fetch .wat 20", "0 start:3 ShowText こんにちは", "420 start:4 ShowText  .wat 5",
            "1120 start:5 PendingCap .cap タイトル", "1220 start:6 Quit .end" }));
    EXPECT_EQ(m_game.window().title(), testing::sjis("タイトル"));
    EXPECT_TRUE(m_game.messages().empty());
}

TEST_F(InterpreterTest, UnknownWordsAreReportedAndTheNextLineRuns)
{
    start(".wat 1\n.WAT 1\n.wat10\n.els\n.\n.wat 2\n.cap x\n");
    m_game.run();
    std::string const report = "存在しないコマンドを指定しました\n\n";
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 2\n\n" + report + "FILE : start\nLINE : 3\n\n" + report
            + "FILE : start\nLINE : 4\n\n" + report + "FILE : start\nLINE : 5\n\n" + report);
    EXPECT_EQ(trace_lines().back(), "0 start:7 PendingCap .cap x");
    EXPECT_EQ(m_game.window().title(), "x");
}

TEST_F(InterpreterTest, CaseLabelsInNormalFlowReadNoArguments)
{
    start(".== nosuch\n.<> [nosuch]\n.cap done\n");
    m_game.run();
    EXPECT_TRUE(m_game.messages().empty());
    EXPECT_EQ(m_game.window().title(), "done");
}

TEST_F(InterpreterTest, WaitsAddUpAndAreServedByTheNextCommandThatEndsAnInterval)
{
    // The wait carries over the immediate lines and is served by the deferred ".cap".
    start(".wat 200\n.wat 300\n.txt a\n.pic b\n.cap first\n.wat 50\n.cap second\n.end\n");
    std::uint32_t const end = m_game.run();
    Lines const lines = trace_lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[4], "0 start:5 PendingCap .cap first");
    EXPECT_EQ(lines[5], "500 start:6 Fetch .wat 50");
    EXPECT_EQ(lines[6], "500 start:7 PendingCap .cap second");
    EXPECT_EQ(lines[7], "550 start:8 Quit .end");
    EXPECT_EQ(end, 550u);
}

TEST_F(InterpreterTest, NegativeWaitsAreNoWait)
{
    start(".wat -5\n.cap x\n.end\n");
    EXPECT_EQ(m_game.run(), 0u);
}

TEST_F(InterpreterTest, FinishCommandGivesWhatIsLeftOfThePendingWait)
{
    start(".end\n");
    WaitClock& wait = engine().interpreter.wait;
    wait.wait_origin = 1000;
    m_game.clock().sleep(1120);
    add_wait(engine(), 100);
    add_wait(engine(), 100);
    EXPECT_EQ(remaining_wait(engine()), 80u);
    finish_command(engine());
    EXPECT_EQ(wait.frame_delay, 80u);
    EXPECT_EQ(wait.pending_wait, 0u);
    EXPECT_TRUE(wait.step_begin);
    // A wait that has already passed while other commands ran gives no delay.
    wait.wait_origin = 0;
    add_wait(engine(), 1000);
    EXPECT_EQ(remaining_wait(engine()), 0u);
    // The clock wraps around at 32 bits; the difference still counts.
    wait.wait_origin = 0xFFFFFFF0u;
    add_wait(engine(), 10);
    EXPECT_EQ(remaining_wait(engine()), 0u);
    EXPECT_EQ(engine().interpreter.wait.pending_wait, 1010u);
}

TEST_F(InterpreterTest, StepBeginsANewIntervalAtTheFrameStart)
{
    start(".wat 100\n.cap x\n");
    WaitClock& wait = engine().interpreter.wait;
    wait.frame_start = 40;
    wait.frame_delay = 7;
    interpreter_step(engine());
    EXPECT_FALSE(wait.step_begin);
    EXPECT_EQ(wait.wait_origin, 40u);
    EXPECT_EQ(wait.frame_delay, 0u);
    EXPECT_EQ(wait.pending_wait, 100u);
}

TEST_F(InterpreterTest, DeferredHandlerRunsOnePassLaterAndReturnsToFetch)
{
    start(".cap later\n.end\n");
    interpreter_step(engine());
    EXPECT_EQ(engine().interpreter.state, State::PendingCap);
    EXPECT_EQ(m_game.window().title(), "ADV");
    EXPECT_EQ(engine().interpreter.current_line.view(), " later\n");
    interpreter_step(engine());
    EXPECT_EQ(engine().interpreter.state, State::Fetch);
    EXPECT_EQ(m_game.window().title(), "later");
}

TEST_F(InterpreterTest, QuitAsksTheWindowToCloseEveryPass)
{
    start(".end\n");
    interpreter_step(engine());
    EXPECT_EQ(engine().interpreter.state, State::Quit);
    interpreter_step(engine());
    interpreter_step(engine());
    platform::Event event;
    int requests = 0;
    while (m_game.window().poll_event(event))
        requests += event.type == platform::EventType::CloseRequest;
    EXPECT_EQ(requests, 2);
}

TEST_F(InterpreterTest, PollingStatesSleepTwoMillisecondsAPass)
{
    start(".end\n");
    for (State state : { State::TextClickWait, State::ClickWait, State::ChoiceWait, State::MoviePlaying }) {
        engine().interpreter.state = state;
        std::uint32_t const before = m_game.clock().now();
        interpreter_step(engine());
        EXPECT_EQ(m_game.clock().now() - before, 2u) << state_name(state);
    }
    engine().interpreter.state = State::Transition;
    std::uint32_t const before = m_game.clock().now();
    interpreter_step(engine());
    EXPECT_EQ(m_game.clock().now(), before);
}

TEST_F(InterpreterTest, EndOfACalledScriptRunsSubExit)
{
    start("o\n");
    engine().call_stack.push_back({ "start", 1, false, {} });
    // The line, its character, its line feed, its end, and the closing empty entry.
    for (int i = 0; i < 5; ++i)
        interpreter_step(engine());
    // The closing empty entry counts as a line, so the report would name line 2.
    EXPECT_EQ(trace_lines().back(), "0 start:2 Fetch .sub exit");
    EXPECT_EQ(engine().interpreter.state, State::Fetch);
}

TEST_F(InterpreterTest, ScriptErrorNamesTheLowerCasedScriptAndTheLine)
{
    m_game.write_script("Ev/A01", "a\nb\n.bad\n");
    m_game.write_script("start", ".end\n");
    ASSERT_TRUE(m_game.load_and_start());
    ASSERT_TRUE(engine().store.goto_name("EV\\A01"));
    engine().text.window.normal_delay = 0;
    // Each text line takes a pass for the line, its character, its line feed and its end.
    for (int i = 0; i < 9; ++i)
        interpreter_step(engine());
    ASSERT_EQ(m_game.message_box().shown().size(), 1u);
    EXPECT_EQ(m_game.message_box().shown()[0],
        "FILE : ev\\a01\nLINE : 3\n\n" + testing::sjis("存在しないコマンドを指定しました"));
}

TEST(InterpreterStates, NumbersAndNamesMatch)
{
    EXPECT_EQ(parse_state("13"), State::ChoiceWait);
    EXPECT_EQ(parse_state("ChoiceWait"), State::ChoiceWait);
    EXPECT_EQ(parse_state("0"), State::Fetch);
    EXPECT_EQ(parse_state("Quit"), State::Quit);
    EXPECT_EQ(parse_state("26"), State::Quit);
    EXPECT_FALSE(parse_state("27"));
    EXPECT_FALSE(parse_state("choicewait"));
    for (int i = 0; i < kStateCount; ++i)
        EXPECT_EQ(parse_state(state_name(static_cast<State>(i))), static_cast<State>(i));
}

} // namespace
} // namespace advplay::script

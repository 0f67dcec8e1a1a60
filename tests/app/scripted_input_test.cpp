// Scripted input: the file format and the order in which actions come due.
#include "app/scripted_input.h"

#include <gtest/gtest.h>

namespace advplay::app {
namespace {

using script::State;

InputScript parsed(std::string_view text)
{
    auto result = parse_input_script(text);
    EXPECT_TRUE(result.script) << result.error;
    return result.script ? *result.script : InputScript {};
}

TEST(ScriptedInput, ParsesEveryActionAndComment)
{
    InputScript const script = parsed("# a replay\r\n"
                                      "at 100 click left 10 20\n"
                                      "after 50 press right -5 7   # trailing comment\n"
                                      "after 0 release right\n"
                                      "wait 11,ChoiceWait\n"
                                      "at 0 move 320 240\n"
                                      "at 0 key enter\n"
                                      "at 0 key alt+enter down\n"
                                      "at 0 key space repeat\n"
                                      "at 0 shot out/first.png\n"
                                      "at 0 close\n");
    ASSERT_EQ(script.steps.size(), 10u);
    InputAction const& click = script.steps[0].action;
    EXPECT_EQ(click.kind, InputAction::Kind::Click);
    EXPECT_EQ(click.button, platform::MouseButton::Left);
    EXPECT_EQ(click.x, 10);
    EXPECT_EQ(click.y, 20);
    EXPECT_EQ(script.steps[0].line, 2);
    EXPECT_EQ(script.steps[1].kind, InputStep::Kind::After);
    EXPECT_EQ(script.steps[1].action.x, -5);
    EXPECT_EQ(script.steps[3].states, (std::vector<State> { State::ClickWait, State::ChoiceWait }));
    EXPECT_EQ(script.steps[5].action.key, platform::Key::Enter);
    EXPECT_EQ(script.steps[5].action.phase, KeyPhase::Tap);
    EXPECT_TRUE(script.steps[6].action.alt);
    EXPECT_EQ(script.steps[6].action.phase, KeyPhase::Down);
    EXPECT_EQ(script.steps[7].action.phase, KeyPhase::Repeat);
    EXPECT_EQ(script.steps[8].action.file, "out/first.png");
    EXPECT_EQ(script.steps[9].action.kind, InputAction::Kind::Close);
}

TEST(ScriptedInput, ParsesTheKeysAndButtonsOfThePlayersComforts)
{
    InputScript const script = parsed("at 0 key ctrl down\n"
                                      "at 0 key tab\n"
                                      "at 0 key ctrl+c\n"
                                      "at 0 key backspace up\n"
                                      "at 0 click middle 3 4\n"
                                      "at 0 wheel up\n"
                                      "at 0 wheel down 3\n");
    ASSERT_EQ(script.steps.size(), 7u);
    EXPECT_EQ(script.steps[0].action.key, platform::Key::Ctrl);
    EXPECT_EQ(script.steps[0].action.phase, KeyPhase::Down);
    EXPECT_EQ(script.steps[1].action.key, platform::Key::Tab);
    EXPECT_EQ(script.steps[2].action.key, platform::Key::C);
    EXPECT_TRUE(script.steps[2].action.ctrl);
    EXPECT_FALSE(script.steps[1].action.ctrl);
    EXPECT_EQ(script.steps[3].action.key, platform::Key::Backspace);
    EXPECT_EQ(script.steps[4].action.button, platform::MouseButton::Middle);
    EXPECT_EQ(script.steps[5].action.kind, InputAction::Kind::Wheel);
    EXPECT_EQ(script.steps[5].action.wheel, 1);
    EXPECT_EQ(script.steps[6].action.wheel, -3);
}

TEST(ScriptedInput, MistakesNameTheirLine)
{
    EXPECT_EQ(parse_input_script("at 1 close\nat x close\n").error, "2: at wants a time in milliseconds");
    EXPECT_EQ(parse_input_script("at 1 clik left 1 2\n").error, "1: unknown action \"clik\"");
    EXPECT_EQ(parse_input_script("at 1 click centre 1 2\n").error,
        "1: click wants left, right or middle and a point X Y");
    EXPECT_EQ(parse_input_script("at 1 click left 1\n").error,
        "1: click wants left, right or middle and a point X Y");
    EXPECT_EQ(parse_input_script("at 1 wheel sideways\n").error,
        "1: wheel wants up or down and how many notches (default 1)");
    EXPECT_EQ(parse_input_script("at 1 wheel up 0\n").error,
        "1: wheel wants up or down and how many notches (default 1)");
    EXPECT_EQ(parse_input_script("wait Sleeping\n").error, "1: unknown state \"Sleeping\"");
    EXPECT_EQ(parse_input_script("wait\n").error, "1: wait wants states, such as 11 or ClickWait,ChoiceWait");
    EXPECT_EQ(parse_input_script("at 1 key f5\n").error.substr(0, 11), "1: key want");
    EXPECT_EQ(
        parse_input_script("at 1 key enter sideways\n").error, "1: a key is pressed down, up or repeat");
    EXPECT_EQ(
        parse_input_script("soon close\n").error, "1: a line begins with at, after or wait, not \"soon\"");
    EXPECT_EQ(parse_input_script("at 5\n").error, "1: an action is missing");
}

TEST(ScriptedInput, ActionsComeDueInOrderAtTheirTimes)
{
    InputPlayer player(parsed("at 100 move 1 1\nafter 50 move 2 2\nat 120 move 3 3\n"));
    EXPECT_TRUE(player.due(99, State::Fetch).empty());
    ASSERT_EQ(player.due(104, State::Fetch).size(), 1u);
    // "after" counts from when the previous action ran (104), not from when it was due.
    EXPECT_TRUE(player.due(153, State::Fetch).empty());
    auto const both = player.due(154, State::Fetch);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].x, 2);
    EXPECT_EQ(both[1].x, 3);
    EXPECT_TRUE(player.finished());
}

TEST(ScriptedInput, WaitHoldsLaterStepsUntilAStateIsReached)
{
    InputPlayer player(parsed("wait 11,13\nafter 10 click left 5 5\nwait Quit\nat 0 close\n"));
    EXPECT_TRUE(player.due(500, State::Fetch).empty());
    EXPECT_TRUE(player.due(600, State::ShowText).empty());
    // The wait is met at 700, and "after 10" counts from then.
    EXPECT_TRUE(player.due(700, State::ChoiceWait).empty());
    EXPECT_TRUE(player.due(709, State::Fetch).empty());
    auto const click = player.due(710, State::Fetch);
    ASSERT_EQ(click.size(), 1u);
    EXPECT_EQ(click[0].kind, InputAction::Kind::Click);
    EXPECT_TRUE(player.due(800, State::Fetch).empty());
    EXPECT_EQ(player.due(800, State::Quit).size(), 1u);
    EXPECT_TRUE(player.finished());
}

// What a headless run asks before it gives up on a wait: can a step still come while the game stays
// in the state it is in?
TEST(ScriptedInput, AStepCanComeOnlyWhileTimeOrTheStateCanBringIt)
{
    InputPlayer player(parsed("at 1000 click left 5 5\nwait ChoiceWait\nafter 10 click left 5 5\n"));
    EXPECT_TRUE(player.due(0, State::ClickWait).empty());
    EXPECT_TRUE(player.can_go_on()) << "the click at 1000 comes as time passes";
    EXPECT_EQ(player.due(1000, State::ClickWait).size(), 1u);
    EXPECT_TRUE(player.due(1001, State::ClickWait).empty());
    EXPECT_FALSE(player.can_go_on()) << "only a choice would let the rest go on";
    EXPECT_TRUE(player.due(1002, State::ChoiceWait).empty());
    EXPECT_TRUE(player.can_go_on()) << "the wait is met; the click comes 10 ms later";
    EXPECT_EQ(player.due(1012, State::ChoiceWait).size(), 1u);
    EXPECT_FALSE(player.can_go_on());
}

} // namespace
} // namespace advplay::app

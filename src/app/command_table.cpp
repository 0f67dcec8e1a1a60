// The command table: every word of the scenario language, how it is dispatched, and its handler.
#include "app/command_table.h"

#include "app/input.h"
#include "app/main_window.h"
#include "engine/engine.h"
#include "graphics/picture_commands.h"
#include "media/media_commands.h"
#include "media/midi_command.h"
#include "script/flow_control.h"
#include "script/line_reader.h"
#include "script/save_commands.h"
#include "script/variable_commands.h"
#include "text/choices.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace advplay::app {

namespace {

using script::Command;
using script::CommandKind;
using script::State;

void wait_command(Engine& engine)
{
    // A negative wait would wrap to weeks of stillness; the scripts give it no meaning, so it is 0.
    std::int32_t const ms = script::next_int(engine);
    if (ms > 0)
        script::add_wait(engine, static_cast<std::uint32_t>(ms));
}

void caption_command(Engine& engine)
{
    script::next_string(engine);
    set_caption(engine, engine.interpreter.token.view());
}

/*
 * Lookup compares whole words, case-sensitively, so the order below has no effect on the result.
 * Deferred commands run their handler at the start of the first pass after the pending wait; ".end",
 * ".clk" and ".tcl" are deferred to a state whose action does the work. "." and ".els" are not
 * commands: only the case-block scans look for them, and met as lines they are unknown words.
 */
// clang-format off
constexpr Command kCommands[] = {
    { ".wat", CommandKind::Immediate,   State::Fetch,      &wait_command,  nullptr },
    { ".def", CommandKind::Immediate,   State::Fetch,      &text::def_command, nullptr },
    { ".sav", CommandKind::Immediate,   State::Fetch,      &script::save_command, nullptr },
    { ".lod", CommandKind::Immediate,   State::Fetch,      &script::load_command, nullptr },
    { ".txt", CommandKind::Immediate,   State::Fetch,      &text::txt_command, nullptr },
    { ".let", CommandKind::Immediate,   State::Fetch,      &script::let_command, nullptr },
    { ".rnd", CommandKind::Immediate,   State::Fetch,      &script::random_command, nullptr },
    { ".mst", CommandKind::Immediate,   State::Fetch,      &graphics::mark_command, nullptr },
    { ".tps", CommandKind::Immediate,   State::Fetch,      &text::tps_command, nullptr },
    { ".tsw", CommandKind::Immediate,   State::Fetch,      &text::tsw_command, nullptr },
    { ".thd", CommandKind::Immediate,   State::Fetch,      &text::thd_command, nullptr },
    { ".tpr", CommandKind::Immediate,   State::Fetch,      &text::tpr_command, nullptr },
    { ".pic", CommandKind::Immediate,   State::Fetch,      &graphics::pic_command, nullptr },
    { ".spr", CommandKind::Immediate,   State::Fetch,      &graphics::spr_command, nullptr },
    { ".now", CommandKind::Deferred,    State::PendingNow, &script::now_command, nullptr },
    { ".cap", CommandKind::Deferred,    State::PendingCap, &caption_command, nullptr },
    { ".cur", CommandKind::Deferred,    State::PendingCur, &cursor_command, nullptr },
    { ".tct", CommandKind::Deferred,    State::PendingTct, &text::tct_command, nullptr },
    { ".tsp", CommandKind::Deferred,    State::PendingTsp, &text::tsp_command, nullptr },
    { ".mcm", CommandKind::Deferred,    State::PendingMcm, &move_cursor_command, nullptr },
    { ".avi", CommandKind::Deferred,    State::MovieStart, nullptr,        nullptr },
    { ".wav", CommandKind::Deferred,    State::PendingWav, &media::wav_command, nullptr },
    { ".mid", CommandKind::Deferred,    State::PendingMid, &media::mid_command, nullptr },
    { ".mp3", CommandKind::Deferred,    State::PendingMp3, &media::mp3_command, nullptr },
    { ".cda", CommandKind::Deferred,    State::PendingCda, &media::cda_command, nullptr },
    { ".lcl", CommandKind::Deferred,    State::PendingLcl, &left_click_jump_command, nullptr },
    { ".rcl", CommandKind::Deferred,    State::PendingRcl, &right_click_jump_command, nullptr },
    { ".end", CommandKind::Deferred,    State::Quit,       nullptr,        nullptr },
    { ".clk", CommandKind::Deferred,    State::ClickSetup, nullptr,        nullptr },
    { ".tcl", CommandKind::Deferred,    State::ClearSetup, nullptr,        nullptr },
    { ".jmp", CommandKind::FlowControl, State::Fetch,      nullptr,        &script::jump_command },
    { ".sub", CommandKind::FlowControl, State::Fetch,      nullptr,        &script::sub_command },
    { ".cas", CommandKind::FlowControl, State::Fetch,      nullptr,        &script::case_command },
    { ".skp", CommandKind::FlowControl, State::Fetch,      nullptr,        &script::skip_command },
    { ".slt", CommandKind::Choice,      State::Fetch,      nullptr,        &text::slt_command },
    { ".==",  CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".=",   CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".<",   CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".>",   CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".<=",  CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".>=",  CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".!=",  CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
    { ".<>",  CommandKind::CaseLabel,   State::Fetch,      nullptr,        nullptr },
};
// clang-format on

// States whose passes belong to subsystems.
constexpr script::StateAction kActions[] = {
    { State::ShowText, &text::show_text_action },
    { State::Transition, &graphics::transition_action },
    { State::MovieStart, &media::movie_start_action },
    { State::MoviePlaying, &media::movie_playing_action },
    { State::TextClickSetup, &text::text_click_setup_action },
    { State::TextClearSetup, &text::text_clear_setup_action },
    { State::ClickSetup, &text::click_setup_action },
    { State::ClearSetup, &text::clear_setup_action },
    { State::TextClickWait, &text::click_wait_action },
    { State::TextClearWait, &text::clear_wait_action },
    { State::ClickWait, &text::click_wait_action },
    { State::ClearWait, &text::clear_wait_action },
    { State::ChoiceWait, &text::highlight_choices },
};

} // namespace

const script::CommandSet& standard_commands()
{
    static const script::CommandSet commands(kCommands, kActions);
    return commands;
}

} // namespace advplay::app

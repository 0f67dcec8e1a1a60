// The message window: message text typed out a character per pass with its escapes, the click
// waits and their blinking mark, and the routines that bring text to the display.
#pragma once

#include "text/text_state.h"

#include <cstdint>
#include <optional>

namespace advplay {
class Engine;
}

namespace advplay::text {

// The mark's two pictures: one for the waits that keep the page, one for those that clear it.
enum class MarkVariant : std::int32_t {
    Click = 0,
    Clear = 1,
};

// Gives both layers their fonts, surfaces and destinations: the message layer draws for the
// display (wrap width 600), the print layer for the screen. Substituted faces are reported as
// internal errors.
void init_text(Engine& engine);

// While the window is shown: the pending text area gets the screen's picture back with the
// message text on top, on the display, and nothing is pending any more.
void refresh_text(Engine& engine);
// Empties the message layer and gives its area on the display the screen's picture back.
void clear_window(Engine& engine);

// One pass of ShowText: the next character or escape of the current line. False when a
// subroutine escape could not be followed (reported already); the game then ends.
[[nodiscard]] bool show_step(Engine& engine);

// The state actions of the interpreter.
void show_text_action(Engine& engine);
void text_click_setup_action(Engine& engine);
void text_clear_setup_action(Engine& engine);
void click_setup_action(Engine& engine);
void clear_setup_action(Engine& engine);
void click_wait_action(Engine& engine);
void clear_wait_action(Engine& engine);

// Whether click waits show the mark: it is defined and the window is shown.
bool mark_in_use(const Engine& engine);
// Puts the mark where its mode says, saving what lies under it in the staging surface; it appears
// on the next animate_mark.
void place_mark(Engine& engine, MarkVariant variant);
// Shows, blinks or keeps the mark, once per pass of a click wait.
void animate_mark(Engine& engine, MarkVariant variant);
// Puts back what the mark covered, if it is shown.
void take_down_mark(Engine& engine, MarkVariant variant);
// The engine clock's time at which animate_mark would next change the mark; nothing while it would
// not change by itself (no mark in use, or a mark that does not blink and is shown).
std::optional<std::uint32_t> next_mark_change(const Engine& engine);

// What remains of the pending wait below which drawing goes straight to the display; with more
// left, it is staged and swapped in after the wait.
constexpr std::uint32_t kImmediateLimit = 100;

} // namespace advplay::text

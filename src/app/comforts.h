// The player's comforts: skip, auto, the backlog, hiding the text, the settings menu and the text
// hook. They act on window events before the game sees them and around each interpreter pass; a
// player who uses none of them leaves the game exactly as the original ran it.
#pragma once

#include "platform/window.h"
#include "script/interpreter.h"

#include <cstdint>
#include <optional>
#include <string>

namespace advplay {
class Engine;
enum class SkipMode : std::uint8_t;
struct PlayerSettings;
} // namespace advplay

namespace advplay::app {

// What the comforts ask of the run around them.
class ComfortHost {
public:
    virtual ~ComfortHost() = default;
    // The player changed a setting in the menu: it is applied to the services and stored.
    virtual void settings_changed(Engine&) { }
};

// Takes the event when it is a comfort's; false leaves it to the game.
bool comfort_event(Engine& engine, const platform::Event& event, ComfortHost* host = nullptr);

// Whether the window shows something other than the game's display (the picture without the text,
// or an overlay), so that the game's own presents wait.
bool text_hidden(const Engine& engine);
// An overlay is open: the game makes no pass meanwhile.
bool comforts_pause(const Engine& engine);

// Around each interpreter pass: before it, skip and auto end what they end; after it, the comforts
// note what the pass began (a message line, a page shown) from the state it left.
void comforts_before_pass(Engine& engine);
void comforts_after_pass(Engine& engine, script::State state_before);

// Whether the comforts will end the wait the game is in without the player (skip or auto), so
// that nobody needs to be there; and when, on the engine clock.
bool comforts_answer_wait(const Engine& engine);
std::optional<std::uint32_t> comforts_due(const Engine& engine);
// Skip is on and what it skips is allowed: timed waits end at once.
bool skipping(const Engine& engine);

// The game's caption, and whether skip (from Tab) or auto is on (Shift-JIS).
std::string window_title(const Engine& engine);

// The message text of the page in the window, lines joined by line feeds (Shift-JIS).
std::string current_page_text(const Engine& engine);

// The record of read lines as stored: one "file:line" per line. Parsing drops nothing it can use
// and takes any bytes.
std::string format_read_record(const Engine& engine);
void parse_read_record(Engine& engine, std::string_view bytes);

// The auto delay for a page of `characters` characters.
std::uint32_t auto_delay(const PlayerSettings& settings, std::int32_t characters);

} // namespace advplay::app

// What the player's comforts keep between two window events, and the player's settings for them;
// the original had none of them, and a player who uses none leaves this as it starts.
#pragma once

#include "graphics/surface.h"
#include "platform/window.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace advplay::platform {
class TextOutput;
}

namespace advplay {

enum class SkipMode : std::uint8_t {
    // Only message lines the player has seen in an earlier run or earlier in this one.
    Read,
    All,
};

// The player's settings (the settings file, the command line, the F1 menu). The defaults give what
// the original gave.
struct PlayerSettings {
    // A factor on the scripts' text delays, in percent: 200 types the text twice as fast.
    std::int32_t text_speed { 100 };
    // Auto mode ends a click wait after base + per character of the page, in milliseconds.
    std::int32_t auto_base_delay { 1500 };
    std::int32_t auto_character_delay { 80 };
    SkipMode skip { SkipMode::Read };
    // 0 to 100.
    std::int32_t music_volume { 100 };
    std::int32_t effects_volume { 100 };
    std::int32_t movie_volume { 100 };
    bool full_screen { false };
    bool linear_filter { false };
    bool english_messages { false };
    // The original wrote the scenario pack and beeped on every Enter.
    bool enter_exports { true };
    // Escape and F12 ask before the game closes.
    bool confirm_quit { false };
};

// The message lines a player has seen, by script and line, kept across runs in the user's data
// folder.
struct ReadRecord {
    // "file:line", the file as the scenario names it (Shift-JIS).
    std::unordered_set<std::string> lines;
    // Lines seen since the record was last written.
    bool changed { false };
};

// One page of message text as the window showed it, for the backlog.
struct BacklogPage {
    struct Line {
        std::string text;
        std::int32_t x { 0 };
        std::int32_t y { 0 };
    };
    std::vector<Line> lines;
    // The message layer's place and face when the page was shown.
    std::int32_t window_x { 0 };
    std::int32_t window_y { 0 };
    std::string font_name;
    std::int32_t font_size { 0 };
    std::int32_t weight { 0 };
};

// What the overlays drawn over the game are, while one is open; the game is paused meanwhile.
enum class Overlay : std::uint8_t {
    None,
    Backlog,
    Settings,
};

struct Comforts {
    PlayerSettings settings;
    // The message text is out of the window (H or the middle button) until the next key or click.
    bool hidden { false };
    // The key or button that brought the text back, or hid it: its repeats and its release are the
    // comfort's too, and the game never sees them.
    std::optional<platform::Key> swallowed_key;
    std::optional<platform::MouseButton> swallowed_button;

    // Skip: while Ctrl is held, or from one Tab to the next (or to what stops it).
    bool ctrl_held { false };
    bool skip_on { false };
    // Auto: click waits end by themselves.
    bool auto_on { false };
    // Skip, not the script or a click, made the text appear at once.
    bool skip_hastened { false };
    ReadRecord read;
    // The message line being shown was new to the player when it began.
    bool line_unread { false };
    // When the click wait the game is in began, for auto mode, and the characters it waits after.
    std::uint32_t wait_began { 0 };
    std::int32_t wait_characters { 0 };

    // The page as the last wait showed it, so that the next wait on the same page adds only what
    // came after.
    BacklogPage last_page;
    std::deque<BacklogPage> backlog;
    Overlay overlay { Overlay::None };
    // The backlog page shown, counted from the oldest; the settings menu's selected item.
    std::size_t backlog_at { 0 };
    int menu_item { 0 };
    // What the window shows while an overlay is open.
    graphics::Surface overlay_picture;
    // Each page's text as UTF-8 when it has been shown, for dictionary and translation tools.
    platform::TextOutput* text_hook { nullptr };
};

} // namespace advplay

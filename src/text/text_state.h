// The text subsystem's state: the two text layers, the message window's display state and the
// registered choices. One instance lives in the Engine.
#pragma once

#include "common/shift_jis.h"
#include "text/text_layer.h"

#include <array>
#include <cstdint>
#include <string>

namespace advplay::text {

// How each button acts on a click wait (0 ends it; 1 ends it, and no wait happens while the button
// is already down; 2 is ignored; 3 means no wait at all).
struct ClickModes {
    std::int32_t left { 0 };
    std::int32_t right { 0 };
};

struct ChoiceColors {
    graphics::ColorRef usual { 0xFFFFFF };
    graphics::ColorRef usual_shadow { 0x000000 };
    graphics::ColorRef selected { 0xFFFFFF };
    graphics::ColorRef selected_shadow { 0x000000 };
    graphics::ColorRef not_selected { 0x808080 };
    graphics::ColorRef not_selected_shadow { 0x000000 };
};

// Where the click-wait mark stands and whether it is drawn.
struct MarkDisplay {
    bool shown { false };
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    // Milliseconds of the engine clock.
    std::uint32_t last_toggle { 0 };
};

// Tab stops of .tpr: where x lies on the printed line.
enum class Align : std::int32_t {
    Left = 0,
    Centre = 1,
    Right = 2,
};

struct MessageWindow {
    // While false, message text is still laid out on the layer but not brought to the display.
    bool window_shown { false };
    // Screen area of message text drawn but not yet brought to the display.
    graphics::Box pending_text_rect;
    // Shows the rest of the text without delay until the next click wait.
    bool skip_rest { false };
    // Milliseconds per character.
    std::int32_t normal_delay { 100 };
    std::int32_t fast_delay { 0 };
    // How a held button hastens text: 0 never; 1 while held, unless the press began in a wait; 2
    // while held.
    std::int32_t left_text_mode { 1 };
    std::int32_t right_text_mode { 1 };
    // The modes of the "\c" and "\t" escapes.
    ClickModes click_defaults;
    ClickModes clear_defaults;
    // Targets of the escapes "\0" to "\9".
    std::array<std::string, 10> sub_targets;
    ChoiceColors colors;
    Align align { Align::Left };
    MarkDisplay mark;
};

// A registered choice. Index 0 of the table is never used.
struct Choice {
    std::string text;
    // A .jmp target.
    std::string target;
    // The message-layer lines the choice occupies once shown, both included.
    std::int32_t first_line { 0 };
    std::int32_t last_line { 0 };
};

struct ChoiceTable {
    static constexpr std::int32_t kCapacity = 20;
    std::array<Choice, kCapacity> records;
    std::int32_t count { 0 };
    // The choice under the cursor in the last pass of the choice wait; 0 for none.
    std::int32_t hovered_choice { 0 };
};

struct TextState {
    // Message text and choices, shown on the display surface.
    TextLayer message_layer;
    // .tpr: printed into the screen or an off-screen surface, then erased.
    TextLayer print_layer;
    MessageWindow window;
    ChoiceTable choices;
};

// The text of the message window as message text again: the lines 0..current joined by "\N", each
// backslash doubled, so that showing it reproduces the page.
inline std::string window_text(const TextLayer& layer)
{
    std::string result;
    for (std::int32_t i = 0; i <= layer.current_line(); ++i) {
        if (i > 0)
            result += "\\N";
        std::string const& text = layer.lines()[static_cast<std::size_t>(i)].text;
        for (std::size_t j = 0; j < text.size(); ++j) {
            result += text[j];
            // The second byte of a pair may be 0x5C; only a backslash of its own is an escape.
            if (is_lead_byte(text[j]) && j + 1 < text.size())
                result += text[++j];
            else if (text[j] == '\\')
                result += '\\';
        }
    }
    return result;
}

} // namespace advplay::text

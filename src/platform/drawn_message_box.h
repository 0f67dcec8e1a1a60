// DrawnMessageBox: a modal box drawn by advplay itself over the game's picture, inside its window,
// with the engine's fonts. It needs neither the system's box nor its fonts, and it stays in front
// in full screen. The game waits while it is up, as it did for the system's boxes.
#pragma once

#include "platform/font_rasterizer.h"
#include "platform/message_box.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"
#include "platform/window.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace advplay::platform {

struct DrawnMessageBoxOptions {
    // Each engine text also in English, under the Japanese, and the buttons in both languages.
    bool english { false };
    // Where every box's text goes as well (UTF-8, then an empty line), so it outlives the box.
    TextOutput* echo { nullptr };
};

// Where a box's button was drawn, in client coordinates of the 640 x 480 picture.
struct DrawnButton {
    MessageBoxAnswer answer { MessageBoxAnswer::Ok };
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { 0 };
    std::int32_t h { 0 };
};

class DrawnMessageBox final : public MessageBox {
public:
    // `fallback` shows the boxes that come while the window has no picture (before it opens, or when
    // it could not); it may be null.
    DrawnMessageBox(Window& window, FontRasterizer* fonts, const TextEncoding& encoding,
        DrawnMessageBoxOptions options, std::unique_ptr<MessageBox> fallback);
    ~DrawnMessageBox() override;

    // Mouse: a button is pressed by letting the left button go over it. Keys: Enter and Space press
    // the focused button, Left and Right move the focus, Escape answers OK or No. A close request
    // answers as Escape does and is handed on to the game when the box is gone, as is every device
    // notification that came meanwhile.
    MessageBoxAnswer show(
        std::string_view text, std::optional<std::string_view> caption, MessageBoxButtons buttons) override;
    // The fallback is told too, for its buttons: the text it gets comes with its reading already.
    void set_english(bool english) override;
    // The buttons of the box drawn last.
    const std::vector<DrawnButton>& last_buttons() const { return m_last_buttons; }

private:
    struct Layout;
    Window& m_window;
    FontRasterizer* m_fonts;
    const TextEncoding& m_encoding;
    DrawnMessageBoxOptions m_options;
    std::unique_ptr<MessageBox> m_fallback;
    std::unique_ptr<Font> m_font;
    std::vector<DrawnButton> m_last_buttons;
};

// Draws a line of Shift-JIS text into a `width` x `height` RGB555 picture, the pen's top-left at
// (x, y), leaving out what falls outside; returns the width of the line. The drawn box and the
// player's overlays write their labels with it.
std::int32_t draw_text_line(std::uint16_t* pixels, std::ptrdiff_t pitch, std::int32_t width,
    std::int32_t height, Font& font, std::string_view text, std::int32_t x, std::int32_t y,
    std::uint16_t color);

// Splits Shift-JIS text into lines at its line breaks and where a line would grow wider than
// `width` pixels, measured by `advance` (of one character); a character wider than the line gets a
// line of its own.
std::vector<std::string> wrap_lines(
    std::string_view text, std::int32_t width, const std::function<std::int32_t(std::string_view)>& advance);

} // namespace advplay::platform

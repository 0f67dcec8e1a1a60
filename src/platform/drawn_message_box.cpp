// DrawnMessageBox: the box's layout, its drawing in the window's RGB555 picture, and its modal loop.
#include "platform/drawn_message_box.h"

#include "common/engine_texts.h"
#include "common/shift_jis.h"

#include <algorithm>

namespace advplay::platform {

namespace {

constexpr std::int32_t kWidth = 640;
constexpr std::int32_t kHeight = 480;
constexpr std::int32_t kFontHeight = 16;
constexpr std::int32_t kLineHeight = 18;
constexpr std::int32_t kPadding = 16;
constexpr std::int32_t kTitleHeight = 22;
constexpr std::int32_t kButtonHeight = 24;
constexpr std::int32_t kButtonWidth = 80;
constexpr std::int32_t kButtonGap = 12;
constexpr std::int32_t kWidest = 620;
constexpr std::int32_t kNarrowest = 200;
// How long the box sleeps between looks at the window when nothing happens.
constexpr std::uint32_t kIdleWait = 250;

// The gothic face the games' own text uses.
constexpr char kFace[] = "\x82l\x82r \x83S\x83V\x83"
                         "b\x83N"; // "ＭＳ ゴシック"
// The caption the system gives a box that has none: "エラー" (error).
constexpr char kDefaultCaption[] = "\x83G\x83\x89\x81[";
// "はい" and "いいえ", as the system's Yes and No read in Japanese.
constexpr char kYes[] = "\x82\xcd\x82\xa2";
constexpr char kNo[] = "\x82\xa2\x82\xa2\x82\xa6";

constexpr std::uint16_t rgb555(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<std::uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

// The colours of the system's boxes of the time.
constexpr std::uint16_t kFace3d = rgb555(0xC0, 0xC0, 0xC0);
constexpr std::uint16_t kLight = rgb555(0xFF, 0xFF, 0xFF);
constexpr std::uint16_t kShadow = rgb555(0x80, 0x80, 0x80);
constexpr std::uint16_t kDark = rgb555(0x00, 0x00, 0x00);
constexpr std::uint16_t kTitle = rgb555(0x00, 0x00, 0x80);

// Calls `each` with every character of Shift-JIS text: a lead byte with its second byte, or one byte.
template<typename Each> void for_each_character(std::string_view text, Each&& each)
{
    for (std::size_t i = 0; i < text.size();) {
        std::size_t const length = is_lead_byte(text[i]) && i + 1 < text.size() ? 2 : 1;
        each(text.substr(i, length));
        i += length;
    }
}

struct Button {
    MessageBoxAnswer answer { MessageBoxAnswer::Ok };
    std::string label;
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { kButtonWidth };
    std::int32_t h { kButtonHeight };
    bool contains(std::int32_t px, std::int32_t py) const
    {
        return px >= x && px < x + w && py >= y && py < y + h;
    }
};

class Canvas {
public:
    explicit Canvas(const PictureArea& picture)
        : m_pixels(static_cast<std::size_t>(kWidth) * kHeight)
    {
        for (std::int32_t y = 0; y < kHeight; ++y)
            std::copy_n(picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.pitch, kWidth,
                m_pixels.begin() + static_cast<std::ptrdiff_t>(y) * kWidth);
    }
    void fill(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint16_t color)
    {
        std::int32_t const x0 = std::clamp(x, 0, kWidth);
        std::int32_t const x1 = std::clamp(x + w, 0, kWidth);
        for (std::int32_t row = std::max(y, 0); row < std::min(y + h, kHeight); ++row)
            std::fill(&m_pixels[index(x0, row)], &m_pixels[index(x0, row)] + (x1 - x0), color);
    }
    // A raised (or, pressed, sunken) 3-D frame just inside the rectangle.
    void bevel(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, bool pressed)
    {
        std::uint16_t const top_left = pressed ? kShadow : kLight;
        std::uint16_t const bottom_right = pressed ? kLight : kShadow;
        fill(x, y, w, 1, top_left);
        fill(x, y, 1, h, top_left);
        fill(x, y + h - 1, w, 1, kDark);
        fill(x + w - 1, y, 1, h, kDark);
        fill(x + 1, y + h - 2, w - 2, 1, bottom_right);
        fill(x + w - 2, y + 1, 1, h - 2, bottom_right);
    }
    void outline(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, std::uint16_t color)
    {
        fill(x, y, w, 1, color);
        fill(x, y + h - 1, w, 1, color);
        fill(x, y, 1, h, color);
        fill(x + w - 1, y, 1, h, color);
    }
    void text(Font& font, std::string_view line, std::int32_t x, std::int32_t y, std::uint16_t color)
    {
        (void)draw_text_line(m_pixels.data(), kWidth, kWidth, kHeight, font, line, x, y, color);
    }
    PictureArea area() const { return { m_pixels.data(), kWidth, 0, 0, kWidth, kHeight }; }

private:
    static std::size_t index(std::int32_t x, std::int32_t y)
    {
        return static_cast<std::size_t>(y) * kWidth + x;
    }
    std::vector<std::uint16_t> m_pixels;
};

std::int32_t line_width(Font& font, std::string_view line)
{
    std::int32_t width = 0;
    for_each_character(line, [&](std::string_view character) { width += font.glyph(character).advance; });
    return width;
}

} // namespace

std::int32_t draw_text_line(std::uint16_t* pixels, std::ptrdiff_t pitch, std::int32_t width,
    std::int32_t height, Font& font, std::string_view text, std::int32_t x, std::int32_t y,
    std::uint16_t color)
{
    std::int32_t const start = x;
    for_each_character(text, [&](std::string_view character) {
        Glyph const& glyph = font.glyph(character);
        for (std::int32_t row = 0; row < glyph.height; ++row) {
            std::int32_t const py = y + glyph.top + row;
            if (py < 0 || py >= height)
                continue;
            for (std::int32_t column = 0; column < glyph.width; ++column) {
                std::int32_t const px = x + glyph.left + column;
                if (px >= 0 && px < width && glyph.bits[static_cast<std::size_t>(row) * glyph.width + column])
                    pixels[py * pitch + px] = color;
            }
        }
        x += glyph.advance;
    });
    return x - start;
}

std::vector<std::string> wrap_lines(
    std::string_view text, std::int32_t width, const std::function<std::int32_t(std::string_view)>& advance)
{
    std::vector<std::string> lines(1);
    std::int32_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\n' || text[i] == '\r') {
            // "\r\n" is one break.
            i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            lines.emplace_back();
            used = 0;
            continue;
        }
        std::size_t const length = is_lead_byte(text[i]) && i + 1 < text.size() ? 2 : 1;
        std::string_view const character = text.substr(i, length);
        std::int32_t const wide = advance(character);
        if (used > 0 && used + wide > width) {
            lines.emplace_back();
            used = 0;
        }
        lines.back() += character;
        used += wide;
        i += length;
    }
    return lines;
}

struct DrawnMessageBox::Layout {
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { 0 };
    std::int32_t h { 0 };
    std::vector<std::string> lines;
    std::vector<Button> buttons;
};

DrawnMessageBox::DrawnMessageBox(Window& window, FontRasterizer* fonts, const TextEncoding& encoding,
    DrawnMessageBoxOptions options, std::unique_ptr<MessageBox> fallback)
    : m_window(window)
    , m_fonts(fonts)
    , m_encoding(encoding)
    , m_options(options)
    , m_fallback(std::move(fallback))
{
    if (m_fallback)
        m_fallback->set_english(m_options.english);
}

DrawnMessageBox::~DrawnMessageBox() = default;

void DrawnMessageBox::set_english(bool english)
{
    m_options.english = english;
    if (m_fallback)
        m_fallback->set_english(english);
}

MessageBoxAnswer DrawnMessageBox::show(
    std::string_view engine_text, std::optional<std::string_view> caption, MessageBoxButtons kind)
{
    std::string text(engine_text);
    if (m_options.english)
        text = texts::with_english_reading(text);
    if (m_options.echo)
        m_options.echo->write(m_encoding.to_utf8(text) + "\n\n");
    bool const question = kind == MessageBoxButtons::YesNo;
    MessageBoxAnswer const cancel = question ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;

    PictureArea const shown = m_window.shown_picture();
    if (!m_font && m_fonts) {
        std::string substitution;
        m_font = m_fonts->create({ kFace, kFontHeight }, substitution);
    }
    if (!shown.pixels || shown.w < kWidth || shown.h < kHeight || !m_font)
        return m_fallback ? m_fallback->show(text, caption, kind) : cancel;
    Font& font = *m_font;

    // The layout: the caption bar, the text, the buttons centred under it, the box centred.
    Layout box;
    auto const advance = [&font](std::string_view character) { return font.glyph(character).advance; };
    box.lines = wrap_lines(text, kWidest - 2 * kPadding, advance);
    std::int32_t const most_lines = (kHeight - kTitleHeight - 3 * kPadding - kButtonHeight) / kLineHeight;
    if (static_cast<std::int32_t>(box.lines.size()) > most_lines)
        box.lines.resize(static_cast<std::size_t>(most_lines));
    std::string const title = caption ? std::string(*caption) : std::string(kDefaultCaption);
    if (question) {
        std::string yes = kYes;
        std::string no = kNo;
        if (m_options.english) {
            yes += " Yes";
            no += " No";
        }
        box.buttons = { { MessageBoxAnswer::Yes, yes }, { MessageBoxAnswer::No, no } };
    } else {
        box.buttons = { { MessageBoxAnswer::Ok, "OK" } };
    }
    std::int32_t buttons_width = -kButtonGap;
    for (Button& button : box.buttons) {
        button.w = std::max(kButtonWidth, line_width(font, button.label) + 2 * kPadding);
        buttons_width += button.w + kButtonGap;
    }
    std::int32_t inner = std::max(buttons_width, line_width(font, title));
    for (auto const& line : box.lines)
        inner = std::max(inner, line_width(font, line));
    box.w = std::clamp(inner + 2 * kPadding, kNarrowest, kWidest);
    box.h = kTitleHeight + kPadding + static_cast<std::int32_t>(box.lines.size()) * kLineHeight + kPadding
        + kButtonHeight + kPadding;
    box.x = (kWidth - box.w) / 2;
    box.y = (kHeight - box.h) / 2;
    std::int32_t button_x = box.x + (box.w - buttons_width) / 2;
    for (Button& button : box.buttons) {
        button.x = button_x;
        button.y = box.y + box.h - kPadding - kButtonHeight;
        button_x += button.w + kButtonGap;
    }
    m_last_buttons.clear();
    for (Button const& button : box.buttons)
        m_last_buttons.push_back({ button.answer, button.x, button.y, button.w, button.h });

    std::vector<std::uint16_t> const saved(
        shown.pixels, shown.pixels + static_cast<std::ptrdiff_t>(kHeight) * shown.pitch);
    PictureArea const before { saved.data(), shown.pitch, 0, 0, kWidth, kHeight };
    std::size_t focus = 0;
    std::optional<std::size_t> pressed;
    auto const draw = [&] {
        Canvas canvas(before);
        canvas.fill(box.x, box.y, box.w, box.h, kFace3d);
        canvas.bevel(box.x, box.y, box.w, box.h, false);
        canvas.fill(box.x + 3, box.y + 3, box.w - 6, kTitleHeight - 4, kTitle);
        canvas.text(font, title, box.x + 8, box.y + 3 + (kTitleHeight - 4 - kFontHeight) / 2, kLight);
        std::int32_t line_y = box.y + kTitleHeight + kPadding;
        for (auto const& line : box.lines) {
            canvas.text(font, line, box.x + kPadding, line_y, kDark);
            line_y += kLineHeight;
        }
        for (std::size_t i = 0; i < box.buttons.size(); ++i) {
            Button const& button = box.buttons[i];
            bool const down = pressed == i;
            canvas.bevel(button.x, button.y, button.w, button.h, down);
            std::int32_t const label_x
                = button.x + (button.w - line_width(font, button.label)) / 2 + (down ? 1 : 0);
            std::int32_t const label_y = button.y + (button.h - kFontHeight) / 2 + (down ? 1 : 0);
            canvas.text(font, button.label, label_x, label_y, kDark);
            if (i == focus)
                canvas.outline(button.x + 4, button.y + 4, button.w - 8, button.h - 8, kShadow);
        }
        m_window.present(canvas.area());
    };
    auto const button_at = [&box](std::int32_t x, std::int32_t y) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < box.buttons.size(); ++i)
            if (box.buttons[i].contains(x, y))
                return i;
        return std::nullopt;
    };

    std::vector<Event> for_the_game;
    std::optional<MessageBoxAnswer> answer;
    draw();
    while (!answer) {
        Event event;
        if (!m_window.poll_event(event)) {
            (void)m_window.wait_event(kIdleWait);
            continue;
        }
        switch (event.type) {
        case EventType::CloseRequest:
            answer = cancel;
            for_the_game.push_back(event);
            break;
        case EventType::KeyDown:
            if (event.key == Key::Enter || event.key == Key::Space)
                answer = box.buttons[focus].answer;
            else if (event.key == Key::Escape)
                answer = cancel;
            else if (event.key == Key::Left || event.key == Key::Right) {
                std::size_t const count = box.buttons.size();
                focus = (focus + (event.key == Key::Right ? 1 : count - 1)) % count;
                draw();
            }
            break;
        case EventType::ButtonDown:
            if (event.button == MouseButton::Left) {
                pressed = button_at(event.x, event.y);
                if (pressed) {
                    focus = *pressed;
                    draw();
                }
            }
            break;
        case EventType::ButtonUp:
            if (event.button == MouseButton::Left && pressed) {
                if (button_at(event.x, event.y) == pressed)
                    answer = box.buttons[*pressed].answer;
                pressed.reset();
                if (!answer)
                    draw();
            }
            break;
        case EventType::KeyUp:
        case EventType::Wheel:
            break;
        case EventType::FocusLost:
        case EventType::FocusGained:
        case EventType::DeviceNotify:
            for_the_game.push_back(event);
            break;
        }
    }
    m_window.present(before);
    for (Event const& event : for_the_game)
        m_window.post_event(event);
    return *answer;
}

} // namespace advplay::platform

// The backlog and the settings menu: their drawing over the dimmed picture, and their keys and
// clicks.
#include "app/overlays.h"

#include "app/comforts.h"
#include "engine/engine.h"
#include "graphics/graphics_state.h"
#include "platform/drawn_message_box.h"
#include "platform/font_rasterizer.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <array>
#include <memory>

namespace advplay::app {

namespace {

using graphics::Pixel;

constexpr std::int32_t kWidth = graphics::kScreenWidth;
constexpr std::int32_t kHeight = graphics::kScreenHeight;
constexpr std::int32_t kLabelSize = 16;

constexpr Pixel rgb555(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<Pixel>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
}

constexpr Pixel kWhite = rgb555(0xFF, 0xFF, 0xFF);
constexpr Pixel kBlack = rgb555(0, 0, 0);
constexpr Pixel kGrey = rgb555(0xA0, 0xA0, 0xA0);
constexpr Pixel kPanel = rgb555(0x10, 0x18, 0x30);
constexpr Pixel kSelected = rgb555(0x30, 0x50, 0xA0);

// The gothic face the games' own text uses, for the overlays' labels.
constexpr char kFace[] = "\x82l\x82r \x83S\x83V\x83"
                         "b\x83N"; // "ＭＳ ゴシック"

// A picture of the game, dimmed to a quarter of its brightness so that text on it reads.
bool begin_picture(Engine& engine, const graphics::Surface& display)
{
    graphics::Surface& picture = engine.comforts.overlay_picture;
    if (picture.width() != kWidth && !picture.create(kWidth, kHeight))
        return false;
    for (std::int32_t y = 0; y < kHeight; ++y) {
        Pixel const* from = display.row(y);
        Pixel* to = picture.row(y);
        for (std::int32_t x = 0; x < kWidth; ++x)
            to[x] = static_cast<Pixel>((from[x] >> 2) & 0x1CE7);
    }
    return true;
}

void show_picture(Engine& engine)
{
    graphics::Surface const& picture = engine.comforts.overlay_picture;
    engine.platform.window.present(
        { picture.pixels(), static_cast<std::int32_t>(picture.pitch()), 0, 0, kWidth, kHeight });
}

void fill(
    graphics::Surface& picture, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Pixel color)
{
    std::int32_t const x0 = std::clamp(x, 0, kWidth);
    std::int32_t const x1 = std::clamp(x + w, 0, kWidth);
    for (std::int32_t row = std::max(y, 0); row < std::min(y + h, kHeight); ++row)
        std::fill(picture.row(row) + x0, picture.row(row) + x1, color);
}

std::unique_ptr<platform::Font> make_font(
    Engine& engine, const std::string& face, std::int32_t size, std::int32_t weight)
{
    if (!engine.platform.fonts)
        return nullptr;
    std::string substitution;
    return engine.platform.fonts->create({ face, size, weight }, substitution);
}

// Draws Shift-JIS text with its pen's top-left at (x, y), with a shadow one pixel down and right;
// returns the width drawn.
std::int32_t draw_text(graphics::Surface& picture, platform::Font* font, std::string_view text,
    std::int32_t x, std::int32_t y, Pixel color)
{
    if (!font)
        return 0;
    auto const line = [&](std::int32_t at_x, std::int32_t at_y, Pixel ink) {
        return platform::draw_text_line(
            picture.pixels(), picture.pitch(), kWidth, kHeight, *font, text, at_x, at_y, ink);
    };
    (void)line(x + 1, y + 1, kBlack);
    return line(x, y, color);
}

std::string sjis(const Engine& engine, std::string_view utf8)
{
    return engine.platform.encoding.to_sjis(utf8).value_or(std::string(utf8));
}

// ---------------------------------------------------------------------------------------------------
// The backlog
// ---------------------------------------------------------------------------------------------------

void draw_backlog(Engine& engine)
{
    Comforts& comforts = engine.comforts;
    // Under the page, the picture without the text now in the window (the screen surface).
    if (!begin_picture(engine, engine.graphics.screen_surface))
        return;
    graphics::Surface& picture = comforts.overlay_picture;
    BacklogPage const& page = comforts.backlog[comforts.backlog_at];
    // The page where the game showed it, in its own face.
    auto const font = make_font(engine, page.font_name, page.font_size, page.weight);
    for (auto const& line : page.lines)
        (void)draw_text(
            picture, font.get(), line.text, page.window_x + line.x, page.window_y + line.y, kWhite);
    auto const label = make_font(engine, kFace, kLabelSize, 400);
    std::string const where
        = std::to_string(comforts.backlog_at + 1) + " / " + std::to_string(comforts.backlog.size());
    (void)draw_text(picture, label.get(), sjis(engine, "ログ " + where), 8, 6, kGrey);
    (void)draw_text(picture, label.get(),
        sjis(engine, "ホイール・PageUp/PageDown でめくる　クリック・Backspace で戻る"), 8, kHeight - 24,
        kGrey);
    show_picture(engine);
}

void backlog_step(Engine& engine, int direction)
{
    Comforts& comforts = engine.comforts;
    if (direction < 0) {
        if (comforts.backlog_at == 0)
            return;
        --comforts.backlog_at;
    } else {
        // Past the newest page the game comes back.
        if (comforts.backlog_at + 1 >= comforts.backlog.size()) {
            close_overlay(engine);
            return;
        }
        ++comforts.backlog_at;
    }
    draw_backlog(engine);
}

// ---------------------------------------------------------------------------------------------------
// The settings menu
// ---------------------------------------------------------------------------------------------------

std::string yes_no(bool on)
{
    return on ? "する  on" : "しない  off";
}

std::string percent(std::int32_t value)
{
    return std::to_string(value) + " %";
}

std::string milliseconds(std::int32_t value)
{
    return std::to_string(value) + " ms";
}

// The next choice of a number setting: the next of `steps` above (or below) the value.
template<std::size_t N>
std::int32_t step_through(std::int32_t value, const std::array<std::int32_t, N>& steps, int direction)
{
    if (direction > 0) {
        for (std::int32_t step : steps)
            if (step > value)
                return step;
        return steps.back();
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (*it < value)
            return *it;
    return steps.front();
}

std::int32_t step_by(std::int32_t value, std::int32_t by, std::int32_t low, std::int32_t high, int direction)
{
    // A value off the grid (from the file) goes to the grid first.
    std::int32_t const on_grid = value / by * by;
    std::int32_t const next = direction > 0 ? on_grid + by : (on_grid == value ? on_grid - by : on_grid);
    return std::clamp(next, low, high);
}

constexpr std::array<std::int32_t, 8> kSpeeds { 50, 75, 100, 150, 200, 300, 500, 1000 };

// One line of the menu: what it shows of the settings, and one step of its value either way.
struct MenuEntry {
    std::string_view label;
    std::string (*value)(const PlayerSettings&);
    void (*step)(PlayerSettings&, int direction);
};

// clang-format off
constexpr std::array<MenuEntry, 12> kMenu { {
    { "文字の速さ  Text speed",
      [](const PlayerSettings& s) { return percent(s.text_speed); },
      [](PlayerSettings& s, int d) { s.text_speed = step_through(s.text_speed, kSpeeds, d); } },
    { "オートの待ち  Auto delay",
      [](const PlayerSettings& s) { return milliseconds(s.auto_base_delay); },
      [](PlayerSettings& s, int d) { s.auto_base_delay = step_by(s.auto_base_delay, 500, 0, 10000, d); } },
    { "一文字ごと  Per character",
      [](const PlayerSettings& s) { return milliseconds(s.auto_character_delay); },
      [](PlayerSettings& s, int d) { s.auto_character_delay = step_by(s.auto_character_delay, 20, 0, 300, d); } },
    { "スキップ  Skip",
      [](const PlayerSettings& s) { return std::string(s.skip == SkipMode::All ? "すべて  all" : "既読のみ  read"); },
      [](PlayerSettings& s, int) { s.skip = s.skip == SkipMode::All ? SkipMode::Read : SkipMode::All; } },
    { "音楽の音量  Music volume",
      [](const PlayerSettings& s) { return percent(s.music_volume); },
      [](PlayerSettings& s, int d) { s.music_volume = step_by(s.music_volume, 10, 0, 100, d); } },
    { "効果音の音量  Effects volume",
      [](const PlayerSettings& s) { return percent(s.effects_volume); },
      [](PlayerSettings& s, int d) { s.effects_volume = step_by(s.effects_volume, 10, 0, 100, d); } },
    { "ムービーの音量  Movie volume",
      [](const PlayerSettings& s) { return percent(s.movie_volume); },
      [](PlayerSettings& s, int d) { s.movie_volume = step_by(s.movie_volume, 10, 0, 100, d); } },
    { "全画面  Full screen",
      [](const PlayerSettings& s) { return yes_no(s.full_screen); },
      [](PlayerSettings& s, int) { s.full_screen = !s.full_screen; } },
    { "拡大の補間  Smooth scaling",
      [](const PlayerSettings& s) { return yes_no(s.linear_filter); },
      [](PlayerSettings& s, int) { s.linear_filter = !s.linear_filter; } },
    { "メッセージ  Messages",
      [](const PlayerSettings& s) { return std::string(s.english_messages ? "日本語＋英語  ja+en" : "日本語  ja"); },
      [](PlayerSettings& s, int) { s.english_messages = !s.english_messages; } },
    { "Enter で書き出し  Enter exports",
      [](const PlayerSettings& s) { return yes_no(s.enter_exports); },
      [](PlayerSettings& s, int) { s.enter_exports = !s.enter_exports; } },
    { "終了の確認  Confirm quit",
      [](const PlayerSettings& s) { return yes_no(s.confirm_quit); },
      [](PlayerSettings& s, int) { s.confirm_quit = !s.confirm_quit; } },
} };
// clang-format on

// The settings' lines and the line that closes the menu.
constexpr int kRowCount = static_cast<int>(kMenu.size()) + 1;

void draw_menu(Engine& engine)
{
    if (!begin_picture(engine, engine.graphics.display_surface))
        return;
    graphics::Surface& picture = engine.comforts.overlay_picture;
    auto const font = make_font(engine, kFace, kLabelSize, 400);
    std::int32_t const top = kMenuTop - 40;
    fill(picture, kMenuLeft - 8, top, kMenuWidth + 16, kRowCount * kMenuRowHeight + 80, kPanel);
    (void)draw_text(picture, font.get(), sjis(engine, "設定  Settings"), kMenuLeft, top + 10, kWhite);
    auto const rows = settings_menu_rows(engine);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        std::int32_t const y = kMenuTop + i * kMenuRowHeight;
        if (i == engine.comforts.menu_item)
            fill(picture, kMenuLeft, y, kMenuWidth, kMenuRowHeight, kSelected);
        (void)draw_text(picture, font.get(), sjis(engine, rows[static_cast<std::size_t>(i)].label),
            kMenuLeft + 8, y + 4, kWhite);
        (void)draw_text(picture, font.get(), sjis(engine, rows[static_cast<std::size_t>(i)].value),
            kMenuLeft + 300, y + 4, kWhite);
    }
    (void)draw_text(picture, font.get(), sjis(engine, "↑↓ 選ぶ　←→ 変える　F1 閉じる"), kMenuLeft,
        kMenuTop + kRowCount * kMenuRowHeight + 12, kGrey);
    show_picture(engine);
}

void menu_change(Engine& engine, int row, int direction, ComfortHost* host)
{
    if (!step_setting(engine, row, direction)) {
        close_overlay(engine);
        return;
    }
    if (host)
        host->settings_changed(engine);
    // A change of display mode leaves the overlay open in the new one.
    if (engine.comforts.overlay == Overlay::Settings)
        draw_menu(engine);
}

} // namespace

bool open_backlog(Engine& engine)
{
    Comforts& comforts = engine.comforts;
    if (comforts.backlog.empty())
        return false;
    comforts.overlay = Overlay::Backlog;
    comforts.backlog_at = comforts.backlog.size() - 1;
    draw_backlog(engine);
    return true;
}

void open_settings_menu(Engine& engine)
{
    engine.comforts.overlay = Overlay::Settings;
    engine.comforts.menu_item = 0;
    // F4 and Alt+Enter switch too; the menu shows the window as it is.
    engine.comforts.settings.full_screen = engine.platform.window.full_screen();
    draw_menu(engine);
}

void close_overlay(Engine& engine)
{
    engine.comforts.overlay = Overlay::None;
    graphics::Surface const& display = engine.graphics.display_surface;
    graphics::mark_dirty(engine.graphics, 0, 0, display.width(), display.height());
}

bool overlay_key(Engine& engine, const platform::Event& event, ComfortHost* host)
{
    Comforts& comforts = engine.comforts;
    using platform::Key;
    if (event.key == Key::Escape || event.key == Key::F12)
        return false;
    if (comforts.overlay == Overlay::Backlog) {
        switch (event.key) {
        case Key::PageUp:
        case Key::Up:
            backlog_step(engine, -1);
            break;
        case Key::PageDown:
        case Key::Down:
            backlog_step(engine, +1);
            break;
        case Key::Backspace:
        case Key::Enter:
        case Key::Space:
            if (!event.repeat)
                close_overlay(engine);
            break;
        default:
            break;
        }
        return true;
    }
    int& item = comforts.menu_item;
    switch (event.key) {
    case Key::Up:
        item = (item + kRowCount - 1) % kRowCount;
        draw_menu(engine);
        break;
    case Key::Down:
        item = (item + 1) % kRowCount;
        draw_menu(engine);
        break;
    case Key::Left:
        menu_change(engine, item, -1, host);
        break;
    case Key::Right:
        menu_change(engine, item, +1, host);
        break;
    case Key::Enter:
    case Key::Space:
        if (!event.repeat)
            menu_change(engine, item, +1, host);
        break;
    case Key::F1:
    case Key::Backspace:
        if (!event.repeat)
            close_overlay(engine);
        break;
    default:
        break;
    }
    return true;
}

void overlay_click(Engine& engine, const platform::Event& event, ComfortHost* host)
{
    Comforts& comforts = engine.comforts;
    if (comforts.overlay == Overlay::Backlog) {
        close_overlay(engine);
        return;
    }
    std::int32_t const row = (event.y - kMenuTop) / kMenuRowHeight;
    bool const inside
        = event.x >= kMenuLeft && event.x < kMenuLeft + kMenuWidth && event.y >= kMenuTop && row < kRowCount;
    if (!inside) {
        close_overlay(engine);
        return;
    }
    comforts.menu_item = row;
    menu_change(engine, row, event.button == platform::MouseButton::Right ? -1 : +1, host);
}

void overlay_wheel(Engine& engine, std::int32_t notches)
{
    Comforts& comforts = engine.comforts;
    for (std::int32_t i = 0; i < std::abs(notches) && comforts.overlay != Overlay::None; ++i) {
        if (comforts.overlay == Overlay::Backlog) {
            backlog_step(engine, notches > 0 ? -1 : +1);
        } else {
            comforts.menu_item = (comforts.menu_item + (notches > 0 ? kRowCount - 1 : 1)) % kRowCount;
            draw_menu(engine);
        }
    }
}

std::vector<MenuRow> settings_menu_rows(const Engine& engine)
{
    std::vector<MenuRow> rows;
    for (MenuEntry const& entry : kMenu)
        rows.push_back({ std::string(entry.label), entry.value(engine.comforts.settings) });
    rows.push_back({ "閉じる  Close", "" });
    return rows;
}

bool step_setting(Engine& engine, int row, int direction)
{
    if (row < 0 || row >= static_cast<int>(kMenu.size()))
        return false;
    kMenu[static_cast<std::size_t>(row)].step(engine.comforts.settings, direction);
    return true;
}

} // namespace advplay::app

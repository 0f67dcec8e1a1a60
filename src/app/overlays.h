// The overlays the player opens over the game: the backlog of pages shown so far and the settings
// menu. Both are drawn by advplay into a picture of their own; the game is paused while one is open.
#pragma once

#include "platform/window.h"

#include <string>
#include <vector>

namespace advplay {
class Engine;
}

namespace advplay::app {

class ComfortHost;

// Opens at the newest page; false (nothing opens) while no page has been shown.
bool open_backlog(Engine& engine);
void open_settings_menu(Engine& engine);
void close_overlay(Engine& engine);

// An event while an overlay is open. A key the overlay leaves alone (Escape, F12: they keep the
// original's meaning) gives false; everything else is the overlay's.
bool overlay_key(Engine& engine, const platform::Event& event, ComfortHost* host);
void overlay_click(Engine& engine, const platform::Event& event, ComfortHost* host);
void overlay_wheel(Engine& engine, std::int32_t notches);

// The settings menu's rows as the player reads them (UTF-8): a label, and the value shown.
struct MenuRow {
    std::string label;
    std::string value;
};
std::vector<MenuRow> settings_menu_rows(const Engine& engine);
// Steps the value of a row by one choice forwards (+1) or backwards (-1); false for the last row,
// which closes the menu.
bool step_setting(Engine& engine, int row, int direction);

// Where the menu draws its rows, in client coordinates: row `row` is at y = kMenuTop + row *
// kMenuRowHeight, from x = kMenuLeft over kMenuWidth.
constexpr std::int32_t kMenuLeft = 80;
constexpr std::int32_t kMenuWidth = 480;
constexpr std::int32_t kMenuTop = 84;
constexpr std::int32_t kMenuRowHeight = 24;

} // namespace advplay::app

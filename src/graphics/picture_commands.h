// The picture commands: .pic and .spr compose pictures, surfaces and colours onto the screen or an
// off-screen surface and bring the change to the display; .mst defines the click-wait mark.
#pragma once

#include "graphics/surface.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace advplay {
class Engine;
}

namespace advplay::graphics {

// The mark shown during click waits: picture 0 for the waits that keep the page, picture 1 for
// those that clear it afterwards.
struct ClickWaitMark {
    bool defined { false };
    std::array<Surface, 2> pictures;
    // 0: at the offsets; 1 and 2: relative to the message text.
    std::int32_t mode { 0 };
    std::int32_t x_offset { 0 };
    std::int32_t y_offset { 0 };
    // Milliseconds between the mark's blinks.
    std::int32_t interval { 0 };
};

// .pic (is_sprite false) and .spr (true): destination, source, transition, time, method, parameter,
// x, y, width, height, source x, source y.
// The number of an "off" surface name ("off2"): what follows "off", read as the C library's atoi
// reads it (no digits: 0), held within the 32-bit range.
std::int64_t offscreen_index(std::string_view text);

void picture_command(Engine& engine, bool is_sprite);
void pic_command(Engine& engine);
void spr_command(Engine& engine);
// .mst delete | picture0 picture1 mode x_offset y_offset interval
void mark_command(Engine& engine);
// One pass of the interpreter's Transition state: the next step, then its wait.
void transition_action(Engine& engine);

} // namespace advplay::graphics

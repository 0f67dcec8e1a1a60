// The lookup tables of the pixel arithmetic: FadeTable and ChannelTable, built once at start-up.
#pragma once

#include "graphics/color.h"

#include <array>
#include <cstdint>
#include <memory>

namespace advplay::graphics {

constexpr int kLevelCount = 32;
constexpr int kPixelCount = 32768;

// [L][p]: pixel p with each 5-bit channel c scaled to floor(c * L / 31). Level 31 is the identity,
// level 0 black, and [L][kWhite] the grey (L, L, L). 2 MiB.
using FadeTable = std::array<std::array<Pixel, kPixelCount>, kLevelCount>;

// [p]: red, green and blue of pixel p, 0..31 each, in that order.
using ChannelTable = std::array<std::array<std::uint8_t, 3>, kPixelCount>;

struct PixelTables {
    FadeTable fade;
    ChannelTable channel;
};

void build_fade_table(FadeTable& table);
void build_channel_table(ChannelTable& table);

// Both tables, built. Null when the memory for them cannot be had.
std::unique_ptr<PixelTables> build_pixel_tables();

} // namespace advplay::graphics

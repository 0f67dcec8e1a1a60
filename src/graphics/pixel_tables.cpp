// Building FadeTable and ChannelTable.
#include "graphics/pixel_tables.h"

#include <new>

namespace advplay::graphics {

void build_fade_table(FadeTable& table)
{
    // scaled[L][c] = floor(c * L / 31), from a running sum so that nothing is multiplied.
    std::array<std::array<Pixel, 32>, kLevelCount> scaled {};
    for (int level = 0; level < kLevelCount; ++level) {
        int sum = 0;
        for (int c = 0; c < 32; ++c) {
            scaled[level][c] = static_cast<Pixel>(sum / 31);
            sum += level;
        }
    }
    for (int level = 0; level < kLevelCount; ++level) {
        auto const& channel = scaled[level];
        Pixel* entry = table[level].data();
        for (int red = 0; red < 32; ++red) {
            for (int green = 0; green < 32; ++green) {
                auto const upper = static_cast<Pixel>(channel[red] << 10 | channel[green] << 5);
                // The 32 blues of one red and green are a straight run; this loop is the whole cost.
                for (int blue = 0; blue < 32; ++blue)
                    entry[blue] = static_cast<Pixel>(upper | channel[blue]);
                entry += 32;
            }
        }
    }
}

void build_channel_table(ChannelTable& table)
{
    // By channels rather than by pixel, so that the innermost loop is a run the compiler can widen.
    auto* entry = table.data();
    for (std::uint8_t red = 0; red < 32; ++red) {
        for (std::uint8_t green = 0; green < 32; ++green) {
            for (std::uint8_t blue = 0; blue < 32; ++blue)
                entry[blue] = { red, green, blue };
            entry += 32;
        }
    }
}

std::unique_ptr<PixelTables> build_pixel_tables()
{
    std::unique_ptr<PixelTables> tables(new (std::nothrow) PixelTables);
    if (!tables)
        return nullptr;
    build_fade_table(tables->fade);
    build_channel_table(tables->channel);
    return tables;
}

} // namespace advplay::graphics

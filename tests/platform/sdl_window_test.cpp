// The SDL window on SDL's dummy video driver: what it shows, how often it wants to present, a wait
// for events that a post from another thread ends, and the filter its picture is scaled with.
#include "platform/sdl/sdl_library.h"
#include "platform/sdl/sdl_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace advplay::platform {
namespace {

class DummyVideo : public ::testing::Test {
protected:
    DummyVideo() { ::setenv("SDL_VIDEODRIVER", "dummy", 1); }
    ~DummyVideo() override { ::unsetenv("SDL_VIDEODRIVER"); }
    TextEncoding encoding;
    SdlLibrary library;
};

TEST_F(DummyVideo, TheWindowKeepsWhatItShowsAndAPostEndsItsWait)
{
    SdlWindow window(encoding, { 1, false, {} });
    ASSERT_TRUE(window.open("test", 0x00204060)) << window.open_error();
    EXPECT_GT(window.present_interval(), 0u);
    EXPECT_LE(window.present_interval(), 1000u / 24);

    // The background colour at first, then what was presented where it was presented.
    PictureArea shown = window.shown_picture();
    ASSERT_NE(shown.pixels, nullptr);
    std::uint16_t const background = shown.pixels[0];
    EXPECT_EQ(background, (0x60 >> 3) << 10 | (0x40 >> 3) << 5 | (0x20 >> 3));
    std::vector<std::uint16_t> const square(16 * 16, 0x7C00);
    window.present({ square.data(), 16, 100, 50, 16, 16 });
    shown = window.shown_picture();
    EXPECT_EQ(shown.pixels[50 * 640 + 100], 0x7C00);
    EXPECT_EQ(shown.pixels[65 * 640 + 115], 0x7C00);
    EXPECT_EQ(shown.pixels[66 * 640 + 115], background);

    auto const started = std::chrono::steady_clock::now();
    std::thread poster([&window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Event notice { EventType::DeviceNotify };
        notice.device = 3;
        window.post_event(notice);
    });
    EXPECT_TRUE(window.wait_event(10'000));
    poster.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    Event event;
    ASSERT_TRUE(window.poll_event(event));
    EXPECT_EQ(event.type, EventType::DeviceNotify);
    EXPECT_EQ(event.device, 3);
}

SDL_ScaleMode scale_mode(const SdlWindow& window)
{
    SDL_ScaleMode mode = SDL_ScaleModeBest;
    EXPECT_EQ(SDL_GetTextureScaleMode(window.texture(), &mode), 0) << SDL_GetError();
    return mode;
}

TEST_F(DummyVideo, TheFilterChangesAtOnceAndHoldsForTheNextWindow)
{
    SdlWindow window(encoding, { 1, false, {} });
    ASSERT_TRUE(window.open("test", 0)) << window.open_error();
    EXPECT_EQ(scale_mode(window), SDL_ScaleModeNearest);
    window.set_linear_filter(true);
    EXPECT_EQ(scale_mode(window), SDL_ScaleModeLinear);
    EXPECT_STREQ(SDL_GetHint(SDL_HINT_RENDER_SCALE_QUALITY), "linear");
    window.set_linear_filter(false);
    EXPECT_EQ(scale_mode(window), SDL_ScaleModeNearest);

    // Asked for before the window opens, it is what the window's texture is made with.
    SdlWindow smooth(encoding, { 1, false, {} });
    smooth.set_linear_filter(true);
    ASSERT_TRUE(smooth.open("test", 0)) << smooth.open_error();
    EXPECT_EQ(scale_mode(smooth), SDL_ScaleModeLinear);
    // And from the options, as before.
    SdlWindow from_options(encoding, { 1, true, {} });
    ASSERT_TRUE(from_options.open("test", 0)) << from_options.open_error();
    EXPECT_EQ(scale_mode(from_options), SDL_ScaleModeLinear);
}

} // namespace
} // namespace advplay::platform

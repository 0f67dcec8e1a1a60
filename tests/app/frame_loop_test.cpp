// The frame loop with a window like a real one: presents that take time and are gathered to one per
// refresh, and a wait for events in which a waiting game rests.
#include "app/frame_loop.h"

#include "app/input.h"
#include "support/bitmap_files.h"
#include "support/forwarding_window.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace advplay::app {
namespace {

using platform::Event;
using platform::EventType;

// A headless window whose presents cost `present_cost` ms of the virtual clock, which wants at most
// one present per `interval` ms, and whose wait for events lets the clock run, ending early only when
// `click_at` comes (a left click at (1, 1)).
class SlowWindow final : public testing::ForwardingWindow {
public:
    platform::VirtualClock* clock { nullptr };
    std::uint32_t present_cost { 0 };
    std::uint32_t interval { 0 };
    std::uint32_t click_at { 0xFFFFFFFF };
    struct Rest {
        std::uint32_t at;
        std::uint32_t ms;
    };
    std::vector<Rest> rests;
    std::vector<std::uint32_t> presents;

    bool wait_event(std::uint32_t ms) override
    {
        rests.push_back({ clock->now(), ms });
        std::uint32_t const until = clock->now() + ms;
        if (clock->now() < click_at && until >= click_at) {
            clock->sleep(click_at - clock->now());
            post_event({ EventType::ButtonDown });
            post_event({ EventType::ButtonUp });
            return true;
        }
        clock->sleep(ms);
        return true;
    }
    void present(const platform::PictureArea& area) override
    {
        presents.push_back(clock->now());
        m_inner.present(area);
        clock->sleep(present_cost);
    }
    std::uint32_t present_interval() const override { return interval; }
};

// Twenty red squares, 10 ms apart: 200 ms of game time.
constexpr char kDrawing[] = R"(.wat 10
.pic screen #FF0000 0 0 0 0 0 0 64 64
.wat 10
.pic screen #00FF00 0 0 0 0 0 0 64 64
)";

std::string drawing_script()
{
    std::string script;
    for (int i = 0; i < 10; ++i)
        script += kDrawing;
    return script + ".end\n";
}

// From the first drawing to the last, in the virtual time of the trace's lines.
std::uint32_t drawing_span(const std::string& trace)
{
    std::vector<std::uint32_t> times;
    std::size_t line = 0;
    while (line < trace.size()) {
        std::size_t const end = trace.find('\n', line);
        std::string const text = trace.substr(line, end - line);
        if (text.find(".pic screen") != std::string::npos)
            times.push_back(static_cast<std::uint32_t>(std::stoul(text)));
        line = end == std::string::npos ? trace.size() : end + 1;
    }
    return times.empty() ? 0 : times.back() - times.front();
}

TEST(FrameLoop, SlowPresentsNeitherStretchNorShrinkGameTime)
{
    testing::TestGame headless;
    headless.write_script("start", drawing_script());
    ASSERT_TRUE(headless.load_and_start());
    headless.enable_trace();
    headless.run();
    ASSERT_EQ(drawing_span(headless.trace()), 190u);

    // Presents that take less than a step, and more than one: the game keeps its time either way.
    for (std::uint32_t cost : { 6u, 12u }) {
        SlowWindow window;
        window.present_cost = cost;
        window.interval = 16;
        testing::TestGame game(platform::MessageBoxAnswer::No, &window);
        window.clock = &game.clock();
        game.write_script("start", drawing_script());
        ASSERT_TRUE(game.load_and_start());
        game.enable_trace();
        game.run();
        std::uint32_t const span = drawing_span(game.trace());
        EXPECT_GE(span, 190u) << cost;
        EXPECT_LE(span, 192u) << cost;
        // At most one present per refresh, however many passes drew.
        ASSERT_GE(window.presents.size(), 2u);
        for (std::size_t i = 1; i < window.presents.size(); ++i)
            EXPECT_GE(window.presents[i] - window.presents[i - 1], 16u) << cost;
    }
}

TEST(FrameLoop, AGameWaitingForAClickRestsUntilItComes)
{
    SlowWindow window;
    window.interval = 16;
    window.click_at = 1000;
    testing::TestGame game(platform::MessageBoxAnswer::No, &window);
    window.clock = &game.clock();
    game.write_script("start", ".clk 0 0\n.cap done\n.end\n");
    ASSERT_TRUE(game.load_and_start());
    game.run();
    // A pass (2 ms) and a rest of the longest length, four times a second, rather than a pass every
    // 2 ms; the click ends the rest it falls in.
    ASSERT_GE(window.rests.size(), 3u);
    for (std::size_t i = 0; i + 1 < window.rests.size(); ++i)
        EXPECT_EQ(window.rests[i].ms, 250u);
    EXPECT_LE(window.rests.size(), 5u);
    EXPECT_GE(game.clock().now(), 1000u);
    EXPECT_LT(game.clock().now(), 1010u);
}

TEST(FrameLoop, ALongWaitSleepsOnTheWindowUntilCloseToItsDeadline)
{
    SlowWindow window;
    window.interval = 16;
    testing::TestGame game(platform::MessageBoxAnswer::No, &window);
    window.clock = &game.clock();
    game.write_script("start", ".wat 1000\n.cap a\n.end\n");
    ASSERT_TRUE(game.load_and_start());
    game.enable_trace();
    game.run();
    // One wait for events, then the last milliseconds tick by tick: the caption still changes on
    // the millisecond.
    ASSERT_FALSE(window.rests.empty());
    EXPECT_EQ(window.rests.front().ms, 1000u - 8u);
    EXPECT_LE(window.rests.size(), 2u);
    EXPECT_NE(game.trace().find("1000 start:3 Quit .end"), std::string::npos) << game.trace();
}

TEST(FrameLoop, ARestEndsWhenTheMarkIsDueToBlink)
{
    SlowWindow window;
    window.interval = 16;
    window.click_at = 1300;
    testing::TestGame game(platform::MessageBoxAnswer::No, &window);
    window.clock = &game.clock();
    game.folder().write("data/mark0.bmp", testing::bmp24(8, 8, [](int, int) { return 0x0000FFu; }));
    game.folder().write("data/mark1.bmp", testing::bmp24(8, 8, [](int, int) { return 0xFF0000u; }));
    game.write_script("start", ".mst mark0 mark1 0 600 440 500\n.tsw\n.clk 0 0\n.end\n");
    ASSERT_TRUE(game.load_and_start());
    game.run();
    // The mark shows at the wait's first pass and blinks 500 ms later each time: a rest either lasts
    // its longest or ends on the tick the blink is due (501 ms after the last one), and the pass after
    // it presents the change.
    std::uint32_t const placed = window.rests.front().at;
    std::vector<std::uint32_t> ends;
    for (auto const& rest : window.rests)
        if (rest.ms != 250 && rest.at + rest.ms < window.click_at)
            ends.push_back(rest.at + rest.ms - placed);
    EXPECT_EQ(ends, (std::vector<std::uint32_t> { 501, 1001 }));
    std::vector<std::uint32_t> blinks;
    for (std::uint32_t at : window.presents)
        if (at > placed)
            blinks.push_back(at - placed);
    ASSERT_GE(blinks.size(), 2u);
    EXPECT_EQ(blinks[0], 503u);
    EXPECT_EQ(blinks[1], 1003u);
}

// Characters with a wait before them are drawn on the staging surface and swapped in once the wait
// is over; a present gathered from an earlier pass must not take their rectangle before the swap, or
// the window never shows them.
TEST(FrameLoop, TextStagedBehindItsWaitReachesTheWindow)
{
    SlowWindow window;
    window.interval = 16;
    window.present_cost = 5;
    testing::TestGame game(platform::MessageBoxAnswer::No, &window);
    window.clock = &game.clock();
    // The second picture comes in the same millisecond as the first, so its present waits for the
    // refresh; the text after the 200 ms wait is staged meanwhile.
    game.write_script("start",
        ".tsw\n.pic screen #00FF00 0 0 0 0 0 0 64 64\n.pic screen #0000FF 0 0 0 0 0 0 32 32\n.wat 200\n"
        "あいう\\c\n.end\n");
    ASSERT_TRUE(game.load_and_start());
    (void)frame_loop(game.engine(), { 1000, std::nullopt });
    ASSERT_EQ(game.engine().interpreter.state, script::State::TextClickWait);
    platform::PictureArea const shown = window.shown_picture();
    graphics::Surface const& display = game.engine().graphics.display_surface;
    for (std::int32_t y = 0; y < display.height(); ++y)
        for (std::int32_t x = 0; x < display.width(); ++x)
            ASSERT_EQ(shown.pixels[static_cast<std::ptrdiff_t>(y) * shown.pitch + x], display.at(x, y)) << x << "," << y;
}

} // namespace
} // namespace advplay::app

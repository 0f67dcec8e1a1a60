// .pic, .spr and .mst, run headless through the interpreter: what reaches the screen surface, the
// display and the window, and when.
#include "graphics/picture_commands.h"

#include "app/frame_loop.h"
#include "common/engine_texts.h"
#include "graphics/compose.h"
#include "graphics/transition.h"
#include "support/bitmap_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace advplay::graphics {
namespace {

using script::State;

using testing::bmp24;

constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kBlue = 0xFF0000;
constexpr ColorRef kGreen = 0x00FF00;
constexpr Pixel kRedPixel = color_to_pixel(kRed);
constexpr Pixel kBluePixel = color_to_pixel(kBlue);
constexpr Pixel kGreenPixel = color_to_pixel(kGreen);

class PictureCommandsTest : public ::testing::Test {
protected:
    PictureCommandsTest()
    {
        m_game.folder().write("data/bg01.bmp", bmp24(640, 480, [](int, int) { return kRed; }));
        m_game.folder().write("data/bg02.bmp", bmp24(640, 480, [](int, int) { return kBlue; }));
        // A sprite on a green key: its top-left pixel. The middle 2 x 2 pixels are red.
        m_game.folder().write("data/chara.bmp",
            bmp24(4, 4, [](int x, int y) { return x >= 1 && x <= 2 && y >= 1 && y <= 2 ? kRed : kGreen; }));
    }
    void run(std::string_view script, std::string_view config = ".scr 1\n")
    {
        m_game.write_script("config", config);
        m_game.write_script("start", script);
        ASSERT_TRUE(m_game.load_and_start());
        m_game.run();
    }
    Pixel screen(int x, int y) { return m_game.engine().graphics.screen_surface.row(y)[x]; }
    Pixel window(int x, int y) { return m_game.window().picture()[static_cast<std::size_t>(y) * 640 + x]; }
    Pixel offscreen(int index, int x, int y)
    {
        return m_game.engine().graphics.offscreen_surfaces[index].row(y)[x];
    }

    testing::TestGame m_game;
};

TEST_F(PictureCommandsTest, PictureWithoutNumbersIsCopiedWholeAndShownAtOnce)
{
    run(".pic screen bg01\n.end\n");
    EXPECT_EQ(screen(0, 0), kRedPixel);
    EXPECT_EQ(screen(639, 479), kRedPixel);
    EXPECT_EQ(window(320, 240), kRedPixel);
    EXPECT_EQ(m_game.clock().now(), 0u);
    EXPECT_TRUE(m_game.messages().empty());
}

TEST_F(PictureCommandsTest, ColourWithEmptySizeFillsTheScreen)
{
    run(".pic screen bg01\n.pic screen #0000FF 0 0 0 0 0 0\n.end\n");
    EXPECT_EQ(screen(0, 0), kBluePixel);
    EXPECT_EQ(screen(639, 479), kBluePixel);
    EXPECT_EQ(window(639, 479), kBluePixel);
}

TEST_F(PictureCommandsTest, ZeroSizeFromAVariableDrawsNothing)
{
    run(".let w = 0\n.pic screen bg01 0 0 0 0 0 0 w\n.end\n", ".int w\n");
    EXPECT_EQ(screen(0, 0), 0);
}

TEST_F(PictureCommandsTest, SpriteLeavesOutItsKeyColour)
{
    run(".pic screen #0000FF\n.spr screen chara 0 0 0 0 100 50\n.end\n");
    EXPECT_EQ(screen(100, 50), kBluePixel);
    EXPECT_EQ(screen(101, 51), kRedPixel);
    EXPECT_EQ(screen(102, 52), kRedPixel);
    EXPECT_EQ(screen(103, 53), kBluePixel);
    EXPECT_EQ(window(101, 51), kRedPixel);
}

// Each method number reaches its own operation with the command's parameter and rectangle: the
// window shows what that operation makes of the same picture.
TEST_F(PictureCommandsTest, EveryMethodReachesItsOperation)
{
    run(".pic screen bg01\n"
        ".pic screen #406080 0 0 1 100 10 0 8 8\n.pic screen #406080 0 0 2 0 20 0 8 8\n"
        ".pic screen #406080 0 0 3 0 30 0 8 8\n.pic screen #406080 0 0 4 100 40 0 8 8\n"
        ".pic screen #406080 0 0 5 100 50 0 8 8\n"
        ".pic screen bg02 0 0 1 60 10 20 8 8\n.pic screen bg02 0 0 2 0 20 20 8 8\n"
        ".pic screen bg02 0 0 3 0 30 20 8 8\n.pic screen bg02 0 0 4 60 40 20 8 8\n"
        ".pic screen bg02 0 0 5 60 50 20 8 8\n"
        ".spr screen chara 0 0 1 200 100 40\n.spr screen chara 0 0 4 200 110 40\n"
        ".spr screen chara 0 0 5 200 120 40\n.end\n");
    EXPECT_TRUE(m_game.messages().empty());

    Surface reference;
    ASSERT_TRUE(reference.create(640, 480));
    ASSERT_TRUE(fill(reference, kRed));
    Surface blue;
    ASSERT_TRUE(blue.create(640, 480));
    ASSERT_TRUE(fill(blue, kBlue));
    Surface chara;
    ASSERT_TRUE(chara.create(4, 4));
    ASSERT_TRUE(fill(chara, kGreen));
    ASSERT_TRUE(fill(chara, { 1, 1, 2, 2 }, kRed));
    ColorRef const grey = 0x806040;
    ASSERT_TRUE(blend_color(reference, { 10, 0, 8, 8 }, grey, 100));
    ASSERT_TRUE(add_color(reference, { 20, 0, 8, 8 }, grey));
    ASSERT_TRUE(subtract_color(reference, { 30, 0, 8, 8 }, grey));
    ASSERT_TRUE(darken_color(reference, { 40, 0, 8, 8 }, grey, 100));
    ASSERT_TRUE(brighten_color(reference, { 50, 0, 8, 8 }, grey, 100));
    ASSERT_TRUE(blend(reference, { 10, 20, 8, 8 }, blue, 0, 0, 60));
    ASSERT_TRUE(add(reference, { 20, 20, 8, 8 }, blue, 0, 0));
    ASSERT_TRUE(subtract(reference, { 30, 20, 8, 8 }, blue, 0, 0));
    ASSERT_TRUE(darken(reference, { 40, 20, 8, 8 }, blue, 0, 0, 60));
    ASSERT_TRUE(brighten(reference, { 50, 20, 8, 8 }, blue, 0, 0, 60));
    // The sprite's key is its top-left pixel: the green.
    ColorRef const key = kGreen;
    ASSERT_TRUE(blend_keyed(reference, { 100, 40, 4, 4 }, chara, 0, 0, key, 200));
    ASSERT_TRUE(darken_keyed(reference, { 110, 40, 4, 4 }, chara, 0, 0, key, 200));
    ASSERT_TRUE(brighten_keyed(reference, { 120, 40, 4, 4 }, chara, 0, 0, key, 200));

    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(window(x, y), reference.row(y)[x]) << "at (" << x << ", " << y << ")";
    }
}

TEST_F(PictureCommandsTest, RefusedSpriteMethodsDrawNothingButStillShow)
{
    run(".pic screen bg01\n.spr screen chara 0 0 2\n.spr screen #00FF00\n.spr screen chara 0 0 3\n.spr "
        "screen chara 0 0 6\n"
        ".pic screen #00FF00 0 0 6\n.end\n");
    EXPECT_EQ(screen(1, 1), kRedPixel);
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 2\n\n「.spr」では合成方法「2」は無効です\n\n"
        "FILE : start\nLINE : 3\n\n「.spr」ではコピー元に色を指定しても無効です\n\n"
        "FILE : start\nLINE : 4\n\n「.spr」では合成方法「3」は無効です\n\n"
        "FILE : start\nLINE : 5\n\n「.spr」では合成方法「6」は無効です\n\n"
        "FILE : start\nLINE : 6\n\n合成方法「6」ではコピー元に色を指定しても無効です\n\n");
}

TEST_F(PictureCommandsTest, OffScreenSurfacesByIndex)
{
    run(".pic offx bg01\n.pic off1 bg01\n.pic off-1 bg01\n.pic screen off3\n.pic there bg01\n.pic screen "
        "missing\n.end\n");
    EXPECT_EQ(offscreen(0, 5, 5), kRedPixel);
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 2\n\nコピー先に存在しないオフスクリーンを指定しました\n\n"
        "FILE : start\nLINE : 3\n\nコピー先に存在しないオフスクリーンを指定しました\n\n"
        "FILE : start\nLINE : 4\n\nコピー元に存在しないオフスクリーンを指定しました\n\n"
        "FILE : start\nLINE : 5\n\nコピー先の指定が不正です\n\n"
        "FILE : start\nLINE : 6\n\nコピー元のファイルを開けません\n\n");
}

// GIF files damaged so that the loader the engine once used died on them (a free of memory it never
// allocated): their damage lies in the image data, so they now load, with the rest of the picture at
// index 0, and the game goes on. A file that did not load would report that it cannot be opened.
TEST_F(PictureCommandsTest, DamagedGifsThatOnceCrashedTheLoaderLoadOrAreRefused)
{
    std::filesystem::path const corpus = std::filesystem::path(ADVPLAY_FUZZ_CORPUS_DIR) / "picture_fuzz";
    std::vector<std::string> names;
    for (auto const& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().filename().string().starts_with("sdl-image-crash-"))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    std::string script;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::ifstream in(corpus / names[i], std::ios::binary);
        m_game.folder().write("data/damaged" + std::to_string(i) + ".gif",
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        script += ".pic off" + std::to_string(i) + " damaged" + std::to_string(i) + ".gif\n";
    }
    m_game.folder().write("data/missing-table.gif", "GIF89a\x01\x00\x01\x00\x00\x00\x00;");
    run(script + ".pic screen missing-table.gif\n.pic screen bg01\n.end\n", ".scr 2\n");
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 3\n\n" + std::string(texts::kSourceFileUnreadable.utf8) + "\n\n");
    // pjw-thumbnail is 32 x 32 black and white; hippopotamus is 36 x 28.
    EXPECT_NE(offscreen(1, 0, 0), offscreen(1, 35, 27));
    EXPECT_EQ(screen(5, 5), kRedPixel) << "the script ran on to its last picture";
}

TEST_F(PictureCommandsTest, TransitionToAnOffScreenSurfaceIsRefusedButComposed)
{
    run(".pic off0 bg01 3\n.end\n");
    EXPECT_EQ(offscreen(0, 639, 479), kRedPixel);
    EXPECT_EQ(m_game.messages(),
        "FILE : start\nLINE : 1\n\nコピー先が「screen」でない場合トランジションは無効です\n\n");
}

// Notes what the window shows each time the frame loop looks at its events.
class WindowWatch final : public app::FrameHooks {
public:
    void before_events(Engine& engine) override
    {
        auto& window = static_cast<platform::HeadlessWindow&>(engine.platform.window);
        seen.emplace_back(engine.platform.clock.now(), window.picture()[0]);
    }
    std::vector<std::pair<std::uint32_t, Pixel>> seen;
};

TEST_F(PictureCommandsTest, AChangeBehindAPendingWaitIsStagedUntilTheWaitIsOver)
{
    m_game.write_script("config", "# no settings\n");
    m_game.write_script("start", ".pic screen bg01 0 500 0\n.pic screen bg02\n.end\n");
    ASSERT_TRUE(m_game.load_and_start());
    WindowWatch watch;
    app::frame_loop(m_game.engine(), {}, &watch);
    ASSERT_FALSE(watch.seen.empty());
    bool red_before = false;
    for (auto const& [at, pixel] : watch.seen) {
        if (at < 500) {
            EXPECT_NE(pixel, kBluePixel) << at;
            red_before = red_before || pixel == kRedPixel;
        }
    }
    EXPECT_TRUE(red_before);
    EXPECT_EQ(watch.seen.back().first, 500u);
    EXPECT_EQ(window(0, 0), kBluePixel);
    EXPECT_EQ(screen(0, 0), kBluePixel);
}

TEST_F(PictureCommandsTest, TransitionRunsItsStepsThenReturnsToFetch)
{
    m_game.write_script("config", "# no settings\n");
    m_game.write_script("start", ".pic screen bg01 3 10\n.end\n");
    ASSERT_TRUE(m_game.load_and_start());
    script::interpreter_step(m_game.engine());
    EXPECT_EQ(m_game.engine().interpreter.state, State::Transition);
    EXPECT_EQ(m_game.engine().graphics.transition.kind, 3);
    std::uint32_t const end = m_game.run();
    EXPECT_EQ(window(0, 0), kRedPixel);
    EXPECT_EQ(window(639, 479), kRedPixel);
    // Every step waits 10 ms; the first one only schedules the next.
    EXPECT_EQ(end, 10u * static_cast<std::uint32_t>(transition_last_step(3) + 1));
}

TEST_F(PictureCommandsTest, AlternatingTwoPicturesDecodesEachOnce)
{
    run(".pic screen bg01\n.pic screen bg02\n.pic screen bg01\n.pic screen bg02\n.pic screen bg01\n.end\n");
    EXPECT_EQ(m_game.engine().graphics.picture_cache.decode_count(), 2u);
}

TEST_F(PictureCommandsTest, MarkIsDefinedAndDeleted)
{
    m_game.folder().write("data/mark1.bmp", bmp24(8, 8, [](int, int) { return kRed; }));
    m_game.folder().write("data/mark2.bmp", bmp24(6, 6, [](int, int) { return kBlue; }));
    run(".mst mark1 mark2 0 600 440 500\n.end\n");
    ClickWaitMark const& mark = m_game.engine().click_wait_mark;
    EXPECT_TRUE(mark.defined);
    EXPECT_EQ(mark.pictures[0].width(), 8);
    EXPECT_EQ(mark.pictures[1].width(), 6);
    EXPECT_EQ(mark.x_offset, 600);
    EXPECT_EQ(mark.y_offset, 440);
    EXPECT_EQ(mark.interval, 500);
    // The marks are not taken from or put into the picture cache.
    EXPECT_EQ(m_game.engine().graphics.picture_cache.decode_count(), 0u);
    m_game.engine().interpreter.current_line.assign("delete");
    mark_command(m_game.engine());
    EXPECT_FALSE(m_game.engine().click_wait_mark.defined);
}

// Halfway through each kind, the window shows exactly the steps that are due by then, each a wait
// after the one before it: the same pixels as the steps applied one by one to the old picture.
TEST(PictureTransitions, HalfwayTheWindowShowsTheStepsDueByThen)
{
    for (std::int32_t kind = 1; kind <= 15; ++kind) {
        testing::TestGame game;
        game.folder().write(
            "data/bg01.bmp", bmp24(640, 480, [](int x, int y) { return (x + y) % 7 ? kRed : kGreen; }));
        game.write_script("config", "# no settings\n");
        game.write_script(
            "start", ".pic screen #0000FF\n.pic screen bg01 " + std::to_string(kind) + " 10\n.end\n");
        ASSERT_TRUE(game.load_and_start());
        std::int32_t const steps = std::max(1, transition_last_step(kind) / 2);
        app::frame_loop(game.engine(), { static_cast<std::uint32_t>(10 * steps + 5), std::nullopt }, nullptr);

        Surface old_picture;
        ASSERT_TRUE(old_picture.create(640, 480));
        ASSERT_TRUE(fill(old_picture, kBlue));
        Surface new_picture;
        ASSERT_TRUE(new_picture.create(640, 480));
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x)
                new_picture.row(y)[x] = (x + y) % 7 ? kRedPixel : kGreenPixel;
        }
        for (std::int32_t step = 1; step <= steps; ++step)
            (void)transition_step(old_picture, new_picture, kind, step);

        std::uint16_t const* shown = game.window().picture().data();
        int differing = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x)
                differing += shown[y * 640 + x] != old_picture.row(y)[x];
        }
        EXPECT_EQ(differing, 0) << "kind " << kind << " after " << steps << " steps";
        // Halfway means neither the old picture nor the new one whole.
        int still_old = 0;
        for (std::size_t i = 0; i < 640u * 480u; ++i)
            still_old += shown[i] == kBluePixel;
        EXPECT_GT(still_old, 0) << "kind " << kind;
        EXPECT_LT(still_old, 640 * 480) << "kind " << kind;
    }
}

} // namespace
} // namespace advplay::graphics

// The text tests' harness: a headless game stepped pass by pass, probes of its surfaces, and a font that
// draws every character as a block of known size.
#pragma once

#include "app/frame_loop.h"
#include "app/input.h"
#include "engine/engine.h"
#include "script/interpreter.h"
#include "support/bitmap_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace advplay::text::testing_support {

using script::State;

using testing::bmp24;

// Glyphs of known shape, so that boxes and pixels can be told exactly. At cell height h a
// single-byte character advances h / 2 and a pair h; "." inks only the pixel at the pen, "W"
// advances h / 2 + 1, and every other character inks its whole advance by h.
class BlockFonts final : public platform::FontRasterizer {
public:
    std::unique_ptr<platform::Font> create(const platform::FontRequest& request, std::string&) override
    {
        requests.push_back(request);
        return std::make_unique<BlockFont>(request.height);
    }
    std::vector<platform::FontRequest> requests;

private:
    class BlockFont final : public platform::Font {
    public:
        explicit BlockFont(std::int32_t height)
            : m_height(height)
        {
        }
        const platform::Glyph& glyph(std::string_view character) override
        {
            auto& made = m_glyphs[std::string(character)];
            made.advance = character.size() == 2 ? m_height : m_height / 2;
            if (character == "W")
                made.advance += 1;
            made.left = made.top = 0;
            made.width = character == "." ? 1 : made.advance;
            made.height = character == "." ? 1 : m_height;
            made.bits.assign(static_cast<std::size_t>(made.width) * made.height, 1);
            return made;
        }

    private:
        std::int32_t m_height;
        std::map<std::string, platform::Glyph> m_glyphs;
    };
};

// How many pixels of `surface` in the rectangle have the value `pixel`.
inline int count_pixels(const graphics::Surface& surface, int x, int y, int w, int h, graphics::Pixel pixel)
{
    int found = 0;
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column)
            found += surface.at(column, row) == pixel;
    return found;
}

class TextGame : public ::testing::Test {
protected:
    // Writes the scripts and starts the game without running a pass.
    void start(std::string_view script, std::string_view config = "# no settings\n")
    {
        m_game.write_script("config", config);
        m_game.write_script("start", script);
        ASSERT_TRUE(m_game.load_and_start());
    }
    // Runs the frame loop to the end of the game, or for at most `passes` passes.
    void run(
        std::string_view script, std::string_view config = "# no settings\n", std::uint64_t passes = 100'000)
    {
        start(script, config);
        m_game.run(passes);
    }
    // Interpreter passes without the frame loop: the clock stands still unless a test moves it.
    void step(int passes = 1)
    {
        for (int i = 0; i < passes; ++i)
            script::interpreter_step(engine());
    }
    // Steps until the interpreter is in `state`; false when it does not get there in 10,000 passes.
    bool step_until(State state)
    {
        for (int i = 0; i < 10'000; ++i) {
            if (engine().interpreter.state == state)
                return true;
            script::interpreter_step(engine());
        }
        return false;
    }
    // A pass as the frame loop makes it: the step, the wait it asked for on the virtual clock, and
    // the display (swapped first when the step staged it) brought to the window.
    void pass(int passes = 1)
    {
        script::WaitClock& wait = engine().interpreter.wait;
        for (int i = 0; i < passes; ++i) {
            script::interpreter_step(engine());
            std::uint32_t const elapsed = m_game.clock().now() - wait.frame_start;
            if (elapsed < wait.frame_delay)
                m_game.clock().sleep(wait.frame_delay - elapsed);
            wait.frame_start = m_game.clock().now();
            app::present_display(engine());
        }
    }
    bool pass_until(State state)
    {
        for (int i = 0; i < 10'000; ++i) {
            if (engine().interpreter.state == state)
                return true;
            pass();
        }
        return false;
    }
    void click(platform::MouseButton button, std::int32_t x = 0, std::int32_t y = 0)
    {
        app::button_down(engine(), button, x, y);
        app::button_up(engine(), button);
    }

    Engine& engine() { return m_game.engine(); }
    TextLayer& layer() { return engine().text.message_layer; }
    MessageWindow& window() { return engine().text.window; }
    State state() { return engine().interpreter.state; }
    graphics::Pixel display(int x, int y) { return engine().graphics.display_surface.at(x, y); }
    graphics::Pixel screen(int x, int y) { return engine().graphics.screen_surface.at(x, y); }
    graphics::Pixel staging(int x, int y) { return engine().graphics.staging_surface.at(x, y); }
    // What the window shows.
    graphics::Pixel shown(int x, int y)
    {
        return m_game.window().picture()[static_cast<std::size_t>(y) * 640 + static_cast<std::size_t>(x)];
    }
    int count_display(int x, int y, int w, int h, graphics::Pixel pixel)
    {
        return count_pixels(engine().graphics.display_surface, x, y, w, h, pixel);
    }
    std::string line_text(std::size_t index) { return layer().lines().at(index).text; }

    testing::TestGame m_game;
};

constexpr graphics::Pixel kWhite = graphics::color_to_pixel(0xFFFFFF);
constexpr graphics::Pixel kRedPixel = graphics::color_to_pixel(0x0000FF);
constexpr graphics::Pixel kBluePixel = graphics::color_to_pixel(0xFF0000);
constexpr graphics::Pixel kGreenPixel = graphics::color_to_pixel(0x00FF00);

} // namespace advplay::text::testing_support

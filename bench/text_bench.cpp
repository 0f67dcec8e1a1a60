// Measures: the message layer's draw_text for one full-width character (あ) at font size 32 with the
// glyph already cached, at magnification 1 and 4; and one pass of the choice wait with ten choices
// shown (hit test, then every choice line restored from the screen, drawn again and marked).
// Anchors: FreeType's FT_Load_Char rendering the same glyph, monochrome, at the same pixel size (what
// drawing without the cache would cost at least); graphics::copy of the whole screen (the cost of
// showing any full picture).
// Targets: the cached draw at least 3 times faster than the plain FreeType render; the choice pass
// far below the 2 ms the choice wait sleeps each pass. Ratios come from the medians of the
// repetitions.
#include "generated_scenario.h"

#include "app/startup.h"
#include "graphics/compose.h"
#include "platform/fonts/freetype_fonts.h"
#include "script/line_reader.h"
#include "text/choices.h"
#include "text/text_layer.h"

#include "bench_runs.h"

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace advplay::bench {

namespace {

// あ in Shift-JIS and as a code point.
constexpr char kCharacter[] = "\x82\xa0";
constexpr FT_ULong kCodePoint = 0x3042;
constexpr std::int32_t kFontSize = 32;
// As many as fit on one line of the 600-pixel wrap width.
constexpr int kPerLine = 18;
constexpr int kChoices = 10;

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One iteration draws a line of the character; clearing the line afterwards is not timed.
void cached_draw(benchmark::State& state)
{
    auto const magnification = static_cast<std::int32_t>(state.range(0));
    platform::TextEncoding encoding;
    platform::FreeTypeFonts fonts(encoding);
    graphics::Surface destination;
    if (!destination.create(graphics::kScreenWidth, graphics::kScreenHeight))
        std::abort();
    text::TextLayer layer;
    layer.attach_fonts(&fonts, nullptr);
    if (!layer.init(&destination, 600, 640, 480, magnification))
        std::abort();
    (void)layer.draw_text(kCharacter, text::Flush::No);
    layer.clear_all();
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPerLine; ++i)
            benchmark::DoNotOptimize(layer.draw_text(kCharacter, text::Flush::No));
        state.SetIterationTime(seconds_since(start));
        if (layer.current_line() != 0)
            state.SkipWithError("the line wrapped");
        layer.clear_all();
    }
    state.SetItemsProcessed(state.iterations() * kPerLine);
}
BENCHMARK(cached_draw)->Arg(1)->Arg(4)->UseManualTime();

// The same glyph through FreeType alone: loaded, hinted and rendered in monochrome each time.
void anchor_freetype(benchmark::State& state)
{
    auto const magnification = static_cast<std::int32_t>(state.range(0));
    platform::TextEncoding encoding;
    platform::FreeTypeFonts fonts(encoding);
    std::string const file = fonts.file_for("\x82l\x82r \x83S\x83V\x83"
                                            "b\x83N");
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, file.c_str(), 0, &face) != 0) {
        state.SkipWithError("no gothic face");
        return;
    }
    // The stand-in's em is its cell: the font size times the magnification.
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(kFontSize * magnification));
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPerLine; ++i) {
            if (FT_Load_Char(face, kCodePoint, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
                state.SkipWithError("FT_Load_Char failed");
            benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
        }
        state.SetIterationTime(seconds_since(start));
    }
    state.SetItemsProcessed(state.iterations() * kPerLine);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(anchor_freetype)->Arg(1)->Arg(4)->UseManualTime();

// One pass of ChoiceWait over ten choices of eight full-width characters, the window shown and the
// cursor on the first choice.
void choice_pass(benchmark::State& state)
{
    RepeatedLineGame game(".end", 1);
    // The fonts outlive the engine, whose layers hold fonts made by them.
    platform::TextEncoding encoding;
    platform::FreeTypeFonts fonts(encoding);
    HeadlessEngine host(game.root());
    Engine& engine = host.engine();
    engine.platform.fonts = &fonts;
    if (app::start_up(engine, app::IniFile()) != app::StartupResult::Ready) {
        state.SkipWithError("start_up failed");
        return;
    }
    engine.text.window.window_shown = true;
    for (int i = 1; i <= kChoices; ++i) {
        // "選択肢その" and the number.
        engine.interpreter.current_line.assign(
            "add \x91I\x91\xf0\x8e\x88\x82\xbb\x82\xcc" + std::to_string(i) + " :choice" + std::to_string(i));
        (void)text::slt_command(engine);
    }
    engine.interpreter.current_line.assign("exec");
    if (!text::slt_command(engine) || engine.text.choices.count != kChoices) {
        state.SkipWithError(".slt exec failed");
        return;
    }
    text::highlight_choices(engine);
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        text::highlight_choices(engine);
        state.SetIterationTime(seconds_since(start));
        benchmark::DoNotOptimize(engine.graphics.display_surface.pixels());
    }
    if (engine.text.choices.hovered_choice != 1)
        state.SkipWithError("the cursor is not on the first choice");
}
BENCHMARK(choice_pass)->UseManualTime();

void anchor_screen_copy(benchmark::State& state)
{
    graphics::Surface display;
    graphics::Surface staging;
    if (!display.create(graphics::kScreenWidth, graphics::kScreenHeight)
        || !staging.create(graphics::kScreenWidth, graphics::kScreenHeight))
        std::abort();
    graphics::Rect const whole { 0, 0, graphics::kScreenWidth, graphics::kScreenHeight };
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(graphics::copy(display, whole, staging, 0, 0));
        state.SetIterationTime(seconds_since(start));
    }
}
BENCHMARK(anchor_screen_copy)->UseManualTime();

// Keeps the median (or only) time of each benchmark, in seconds per iteration.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs) {
            bool const median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool const single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || !(median || single))
                continue;
            m_seconds[run.run_name.str()]
                = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double find(const std::string& name) const
    {
        auto const found = m_seconds.find(name);
        return found == m_seconds.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

} // namespace advplay::bench

int main(int argc, char** argv)
{
    using advplay::bench::kPerLine;
    advplay::bench::SummaryReporter reporter;
    if (!advplay::bench::run_benchmarks(argc, argv, reporter))
        return 1;

    std::printf("\n");
    for (int m : { 1, 4 }) {
        std::string const arg = "/" + std::to_string(m) + "/manual_time";
        double const cached = reporter.find("cached_draw" + arg) / kPerLine;
        double const plain = reporter.find("anchor_freetype" + arg) / kPerLine;
        if (cached <= 0 || plain <= 0)
            continue;
        double const ratio = plain / cached;
        std::printf(
            "m = %d: draw_text %.3f us per character, FT_Load_Char %.3f us: FreeType %.1fx the cached "
            "draw (goal at least 3x): %s\n",
            m, cached * 1e6, plain * 1e6, ratio, ratio >= 3 ? "met" : "MISSED");
    }
    double const pass = reporter.find("choice_pass/manual_time");
    double const copy = reporter.find("anchor_screen_copy/manual_time");
    if (pass > 0 && copy > 0) {
        std::printf("choice pass with %d choices %.1f us, screen copy %.1f us: %.2fx the copy; %.1f%% of the "
                    "2 ms sleep: %s\n",
            advplay::bench::kChoices, pass * 1e6, copy * 1e6, pass / copy, pass / 2e-3 * 100,
            pass < 0.5e-3 ? "met" : "MISSED");
    }
    return 0;
}

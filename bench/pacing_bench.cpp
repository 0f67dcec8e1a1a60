// Measures: frame pacing of the real clock: a script of 200 ".wat 16" + ".cap" pairs (".cap" is a
// deferred command, so every second pass waits 16 ms), run through app::frame_loop on the steady
// clock; the wall-clock intervals between the passes that set the caption.
// Anchor: the 16 ms the script asks for.
// Target: median interval within 0.5 ms of 16 ms, 99th percentile within 2 ms of it.
#include "app/command_table.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "engine/engine.h"
#include "platform/headless/headless_message_box.h"
#include "platform/posix/host_files.h"
#include "platform/posix/steady_clock.h"
#include "platform/text_output.h"
#include "platform/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace advplay::bench {

namespace {

constexpr int kPairs = 200;
constexpr double kAsked = 16.0;

// A window that only notes when the caption changes: the passes that run ".cap".
class PacingWindow final : public platform::Window {
public:
    bool open(std::string_view, std::uint32_t) override { return true; }
    bool poll_event(platform::Event& event) override
    {
        if (!m_close)
            return false;
        m_close = false;
        event = { platform::EventType::CloseRequest };
        return true;
    }
    void post_event(const platform::Event& event) override
    {
        m_close = m_close || event.type == platform::EventType::CloseRequest;
    }
    bool set_title(std::string_view) override
    {
        m_times.push_back(std::chrono::steady_clock::now());
        return true;
    }
    platform::CursorPosition cursor_position() override { return {}; }
    void warp_cursor(platform::CursorPosition) override { }
    void capture_mouse(bool) override { }
    bool set_cursor(const platform::CursorImage*) override { return true; }
    void show_cursor(bool) override { }
    void present(const platform::PictureArea&) override { }
    void handle_paint_requests() override { }
    void set_background(std::uint32_t) override { }
    bool full_screen() const override { return false; }
    platform::FullScreenResult set_full_screen(bool) override { return platform::FullScreenResult::Done; }
    void raise() override { }
    void set_clipboard_text(std::string_view) override { }

    std::vector<std::chrono::steady_clock::time_point> m_times;

private:
    bool m_close { false };
};

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    auto const at = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

void frame_pacing(benchmark::State& state)
{
    std::random_device device;
    auto const root = std::filesystem::temp_directory_path() / ("advplay-pacing-" + std::to_string(device()));
    std::filesystem::create_directories(root / "data");
    {
        std::ofstream script(root / "data" / "start.txt", std::ios::binary);
        for (int i = 0; i < kPairs; ++i)
            script << ".wat 16\r\n.cap pacing\r\n";
        script << ".end\r\n";
    }
    platform::TextEncoding encoding;
    platform::HostFiles files(root.string(), encoding);
    platform::SteadyClock clock;
    PacingWindow window;
    platform::StringOutput messages;
    platform::HeadlessMessageBox message_box(messages, encoding, platform::MessageBoxAnswer::No);
    std::vector<double> intervals;
    for (auto _ : state) {
        Engine engine({ clock, window, message_box, files, encoding }, app::standard_commands());
        window.m_times.clear();
        if (app::start_up(engine, app::IniFile()) != app::StartupResult::Ready) {
            state.SkipWithError("start_up failed");
            break;
        }
        window.m_times.clear();
        (void)app::frame_loop(engine, {});
        for (std::size_t i = 1; i < window.m_times.size(); ++i)
            intervals.push_back(
                std::chrono::duration<double, std::milli>(window.m_times[i] - window.m_times[i - 1]).count());
    }
    std::filesystem::remove_all(root);
    if (intervals.empty())
        return;
    std::vector<double> deviations;
    for (double interval : intervals)
        deviations.push_back(std::abs(interval - kAsked));
    double const median = percentile(intervals, 0.5);
    double const p99 = percentile(deviations, 0.99);
    state.counters["median_ms"] = median;
    state.counters["p99_off_ms"] = p99;
    state.counters["intervals"] = static_cast<double>(intervals.size());
    std::printf("\nFrame pacing, %zu intervals of a 16 ms wait each on the steady clock\n", intervals.size());
    std::printf("  median interval %.3f ms (off by %.3f, target <= 0.5)  -> %s\n", median,
        std::abs(median - kAsked), std::abs(median - kAsked) <= 0.5 ? "met" : "MISSED");
    std::printf("  99th percentile off by %.3f ms (target <= 2.0)        -> %s\n\n", p99,
        p99 <= 2.0 ? "met" : "MISSED");
}

} // namespace

BENCHMARK(frame_pacing)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace advplay::bench

BENCHMARK_MAIN();

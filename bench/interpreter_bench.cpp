// Measures: interpreter passes that never wait: a script "start" of one million ".wat 0" lines run
// headless through app::frame_loop on a virtual clock, one pass per line, in lines per second.
// Anchor: a bare loop over the same lines doing only script::read_next_line (the copy of each line
// into current_line that every pass begins with).
// Target: at least 5 million lines per second.
#include "generated_scenario.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "script/line_reader.h"

#include <benchmark/benchmark.h>

namespace advplay::bench {

namespace {

bool start(HeadlessEngine& host, benchmark::State& state)
{
    if (app::start_up(host.engine(), app::IniFile()) != app::StartupResult::Ready) {
        state.SkipWithError("start_up failed");
        return false;
    }
    return true;
}

void interpret_waits(benchmark::State& state)
{
    HeadlessEngine host(million_waits().root());
    if (!start(host, state))
        return;
    Engine& engine = host.engine();
    std::uint32_t const started = host.clock().now();
    for (auto _ : state) {
        (void)engine.store.goto_name("start");
        script::reset_interpreter(engine);
        app::RunEnd const end = app::frame_loop(engine, {});
        if (end != app::RunEnd::Closed || host.clock().now() != started || !host.messages().empty()) {
            state.SkipWithError("the run did not end at once and without errors");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kMillionWaitLines));
}

void interpret_waits_anchor_read_next_line(benchmark::State& state)
{
    HeadlessEngine host(million_waits().root());
    if (!start(host, state))
        return;
    Engine& engine = host.engine();
    std::size_t lines = 0;
    for (auto _ : state) {
        (void)engine.store.goto_name("start");
        lines = 0;
        while (script::read_next_line(engine))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    if (lines != kMillionWaitLines)
        state.SkipWithError("the script does not have a million lines");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kMillionWaitLines));
}

} // namespace

BENCHMARK(interpret_waits)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(interpret_waits_anchor_read_next_line)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace advplay::bench

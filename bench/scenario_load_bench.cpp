// Measures: ScenarioStore::load_folder of 2,000 generated scripts (about 50 MB of Shift-JIS-like
// text with CR LF, comments, labels, tab indents, nested folders) through HostFiles, wall time.
// Anchor: the physical floor, the same file list read with plain POSIX open/read/close into one
// fresh block that holds them all (a second anchor reuses one block, so it has no page faults).
// Both run on a warm page cache. Target: load_folder within 1.5 times the first anchor.
#include "generated_scenario.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace advplay::bench {

namespace {

// Reads each file into `block` one after another; false when a file does not read fully.
bool read_files(const GeneratedScenario& scenario, std::uint8_t* block)
{
    auto const& paths = scenario.script_paths();
    auto const& sizes = scenario.script_sizes();
    std::size_t at = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        int const descriptor = ::open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return false;
        std::size_t done = 0;
        while (done < sizes[i]) {
            ssize_t const got = ::read(descriptor, block + at + done, sizes[i] - done);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        ::close(descriptor);
        if (done != sizes[i])
            return false;
        at += done;
    }
    return true;
}

void set_work_counters(benchmark::State& state, const GeneratedScenario& scenario)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * scenario.script_bytes()));
    state.counters["scripts"] = static_cast<double>(scenario.script_paths().size());
    state.counters["script_MB"] = static_cast<double>(scenario.script_bytes()) / 1e6;
}

void load_folder(benchmark::State& state)
{
    auto const& scenario = large_scenario();
    warm_page_cache(scenario.script_paths());
    platform::TextEncoding const encoding;
    platform::HostFiles files(scenario.root(), encoding);
    for (auto _ : state) {
        persist::ScenarioStore store;
        bool const loaded = store.load_folder(files, "data", ".txt");
        benchmark::DoNotOptimize(store.text().data());
        if (!loaded || store.text().empty()) {
            state.SkipWithError("load_folder failed");
            break;
        }
    }
    set_work_counters(state, scenario);
}

void load_folder_anchor_posix_read(benchmark::State& state)
{
    auto const& scenario = large_scenario();
    warm_page_cache(scenario.script_paths());
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[scenario.script_bytes()]);
        bool const read = read_files(scenario, block.get());
        benchmark::DoNotOptimize(block.get());
        benchmark::ClobberMemory();
        if (!read) {
            state.SkipWithError("a script file did not read fully");
            break;
        }
    }
    set_work_counters(state, scenario);
}

void load_folder_anchor_posix_read_reused(benchmark::State& state)
{
    auto const& scenario = large_scenario();
    warm_page_cache(scenario.script_paths());
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[scenario.script_bytes()]);
    for (auto _ : state) {
        bool const read = read_files(scenario, block.get());
        benchmark::DoNotOptimize(block.get());
        benchmark::ClobberMemory();
        if (!read) {
            state.SkipWithError("a script file did not read fully");
            break;
        }
    }
    set_work_counters(state, scenario);
}

} // namespace

BENCHMARK(load_folder)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(load_folder_anchor_posix_read)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(load_folder_anchor_posix_read_reused)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace advplay::bench

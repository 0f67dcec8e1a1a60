// Measures: the line reader over the whole 50 MB generated scenario: goto_name of every script, then
// script::read_next_line for each of its lines and next_token until the token comes back empty,
// in MB/s of ScenarioText (the store's in-memory text, which the walk crosses once).
// Anchor: a plain memchr walk from NUL to NUL over the same ScenarioText.
// Target: at least 200 MB/s.
#include "generated_scenario.h"

#include "script/line_reader.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace advplay::bench {

namespace {

std::vector<std::string> script_names(const persist::ScenarioStore& store)
{
    std::vector<std::string> names;
    for (auto const& [key, entry] : store.index()) {
        if (key.find(':') == std::string::npos)
            names.push_back(key);
    }
    return names;
}

bool load(HeadlessEngine& host, benchmark::State& state)
{
    if (!host.engine().store.load_folder(host.files(), "data", ".txt")) {
        state.SkipWithError("load_folder failed");
        return false;
    }
    return true;
}

void tokenize_scenario(benchmark::State& state)
{
    auto const& scenario = large_scenario();
    HeadlessEngine host(scenario.root());
    if (!load(host, state))
        return;
    Engine& engine = host.engine();
    auto const names = script_names(engine.store);
    std::size_t tokens = 0;
    for (auto _ : state) {
        tokens = 0;
        for (auto const& name : names) {
            if (!engine.store.goto_name(name)) {
                state.SkipWithError("goto_name failed");
                return;
            }
            while (script::read_next_line(engine)) {
                do {
                    script::next_token(engine);
                    ++tokens;
                } while (!engine.interpreter.token.empty());
            }
        }
        benchmark::DoNotOptimize(tokens);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * engine.store.text().size()));
    state.counters["tokens"] = static_cast<double>(tokens);
    state.counters["text_MB"] = static_cast<double>(engine.store.text().size()) / 1e6;
}

void tokenize_scenario_anchor_memchr(benchmark::State& state)
{
    auto const& scenario = large_scenario();
    HeadlessEngine host(scenario.root());
    if (!load(host, state))
        return;
    auto const& text = host.engine().store.text();
    auto const* const begin = reinterpret_cast<const char*>(text.data());
    auto const* const end = begin + text.size();
    std::size_t entries = 0;
    for (auto _ : state) {
        entries = 0;
        for (auto const* p = begin; p < end; ++entries) {
            auto const* nul = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
            if (!nul)
                break;
            p = nul + 1;
        }
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["entries"] = static_cast<double>(entries);
}

} // namespace

BENCHMARK(tokenize_scenario)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(tokenize_scenario_anchor_memchr)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace advplay::bench

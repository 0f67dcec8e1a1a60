// Measures: (1) a counting loop of one million iterations (".let", ".cas" with one case label, ".jmp"
// back to a label) run headless through app::frame_loop, in script lines per second. Every line the
// interpreter reads counts, the case label lines the ".cas" scan reads included: four lines per
// iteration, and on the last one the scan also passes over ".jmp" and stops at ".", then ".end".
// (2) script::save_variables and script::load_variables of 10,000 variables (5,000 integers and
// 5,000 strings of 16 bytes) on a host folder below /tmp, through platform::HostFiles.
// Anchors: (1) the ".wat 0" line rate of interpret_waits in the same run, compared per line;
// (2) the save file's bytes written with one fwrite (fopen/fwrite/fclose) to a file in the same folder,
// and read back with one fread into a fresh block.
// Targets: (1) at least 2 million lines per second; (2) each under 5 ms.
// The load figure depends on the state of the heap: run alone, the several hundred kilobytes that
// each load takes for its parsed entries go back to the system when freed and fault in again on the
// next load, which can more than double its time; after other benchmarks have left the heap larger,
// they stay.
#include "generated_scenario.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "persist/save_file.h"
#include "script/save_commands.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace advplay::bench {

namespace {

// ---------------------------------------------------------------------------------------------------
// The counting loop
// ---------------------------------------------------------------------------------------------------

constexpr std::int32_t kLoopIterations = 1'000'000;
// Iterations 1 .. n - 1 read ".let", ".cas", ".<" and ".jmp"; the last reads ".let", ".cas", ".<",
// ".jmp" (passed over by the scan), "." and ".end". The label line is no line of the text.
constexpr std::size_t kLoopLines = 4 * (kLoopIterations - 1) + 6;

class CountingLoopGame {
public:
    CountingLoopGame()
    {
        m_folder.write("data/config.txt", ".int i\r\n");
        std::string script = ":loop\r\n.let i = i + 1\r\n.cas i\r\n.< ";
        script += std::to_string(kLoopIterations);
        script += "\r\n.jmp :loop\r\n.\r\n.end\r\n";
        m_folder.write("data/start.txt", script);
    }

    const std::string& root() const { return m_folder.path(); }

private:
    ScratchFolder m_folder;
};

void interpret_counting_loop(benchmark::State& state)
{
    CountingLoopGame const game;
    HeadlessEngine host(game.root());
    Engine& engine = host.engine();
    if (app::start_up(engine, app::IniFile()) != app::StartupResult::Ready) {
        state.SkipWithError("start_up failed");
        return;
    }
    std::uint32_t const started = host.clock().now();
    for (auto _ : state) {
        (void)engine.variables.assign_int("i", 0);
        (void)engine.store.goto_name("start");
        script::reset_interpreter(engine);
        app::RunEnd const end = app::frame_loop(engine, {});
        auto const* counted = engine.variables.integer("i");
        if (end != app::RunEnd::Closed || !counted || *counted != kLoopIterations
            || host.clock().now() != started || !host.messages().empty()) {
            state.SkipWithError("the loop did not count to a million at once and without errors");
            return;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLoopLines));
}

// ---------------------------------------------------------------------------------------------------
// Saving and loading variables
// ---------------------------------------------------------------------------------------------------

constexpr int kSavedIntegers = 5'000;
constexpr int kSavedStrings = 5'000;
constexpr std::string_view kSavePath = "bench.sav";

std::string variable_name(int number)
{
    char name[16];
    std::snprintf(name, sizeof name, "v%05d", number);
    return name;
}

// An engine over a folder of its own with the 10,000 variables declared and a save of them written.
class SavedVariables {
public:
    SavedVariables()
        : m_host(m_folder.path())
    {
        auto& variables = m_host.engine().variables;
        for (int i = 0; i < kSavedIntegers; ++i) {
            std::string const name = variable_name(i);
            (void)variables.declare_int(name);
            (void)variables.assign_int(name, i * 40'503 - 100'000'000);
        }
        for (int i = 0; i < kSavedStrings; ++i) {
            std::string const name = variable_name(kSavedIntegers + i);
            // Six two-byte characters (hiragana) and four digits: 16 bytes.
            char text[17];
            std::snprintf(
                text, sizeof text, "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8\x82\xa9%04d", i % 10'000);
            (void)variables.declare_string(name);
            (void)variables.assign_string(name, text);
        }
        m_saved = script::save_variables(m_host.engine(), kSavePath);
        if (m_saved)
            m_save_bytes = std::filesystem::file_size(host_path(kSavePath));
    }

    Engine& engine() { return m_host.engine(); }
    std::string host_path(std::string_view relative) const
    {
        return m_folder.path() + '/' + std::string(relative);
    }
    // Whether the first save succeeded, and its size.
    bool saved() const { return m_saved; }
    std::size_t save_bytes() const { return m_save_bytes; }

private:
    ScratchFolder m_folder;
    HeadlessEngine m_host;
    bool m_saved { false };
    std::size_t m_save_bytes { 0 };
};

bool ready(const SavedVariables& saved, benchmark::State& state)
{
    if (!saved.saved() || saved.save_bytes() == 0) {
        state.SkipWithError("the first save_variables failed");
        return false;
    }
    return true;
}

void save_variables(benchmark::State& state)
{
    SavedVariables saved;
    if (!ready(saved, state))
        return;
    for (auto _ : state) {
        if (!script::save_variables(saved.engine(), kSavePath)) {
            state.SkipWithError("save_variables failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * saved.save_bytes()));
}

void save_variables_anchor_fwrite(benchmark::State& state)
{
    SavedVariables saved;
    if (!ready(saved, state))
        return;
    auto const& variables = saved.engine().variables;
    persist::ByteBuffer const bytes = persist::build_save(variables.integers(), variables.strings());
    std::string const path = saved.host_path("anchor.sav");
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) {
            state.SkipWithError("fopen failed");
            return;
        }
        std::size_t const written = std::fwrite(bytes.data(), 1, bytes.size(), file);
        if (std::fclose(file) != 0 || written != bytes.size()) {
            state.SkipWithError("fwrite failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void load_variables(benchmark::State& state)
{
    SavedVariables saved;
    if (!ready(saved, state))
        return;
    Engine& engine = saved.engine();
    // A load that changed nothing would be cheaper than a real one: check once that it restores.
    (void)engine.variables.assign_int(variable_name(0), 1);
    (void)engine.variables.assign_string(variable_name(kSavedIntegers), "changed");
    if (!script::load_variables(engine, kSavePath) || *engine.variables.integer(variable_name(0)) == 1
        || *engine.variables.string(variable_name(kSavedIntegers)) == "changed") {
        state.SkipWithError("load_variables does not restore the saved values");
        return;
    }
    for (auto _ : state) {
        if (!script::load_variables(engine, kSavePath)) {
            state.SkipWithError("load_variables failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * saved.save_bytes()));
}

void load_variables_anchor_fread(benchmark::State& state)
{
    SavedVariables saved;
    if (!ready(saved, state))
        return;
    std::string const path = saved.host_path(kSavePath);
    std::size_t const size = saved.save_bytes();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            state.SkipWithError("fopen failed");
            return;
        }
        // A fresh block each time, as a loader that keeps nothing between loads would have.
        std::unique_ptr<std::uint8_t[]> const block(new std::uint8_t[size]);
        std::size_t const got = std::fread(block.get(), 1, size, file);
        std::fclose(file);
        if (got != size) {
            state.SkipWithError("fread failed");
            return;
        }
        benchmark::DoNotOptimize(block.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

} // namespace

BENCHMARK(interpret_counting_loop)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(save_variables)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(save_variables_anchor_fwrite)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(load_variables)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(load_variables_anchor_fread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace advplay::bench

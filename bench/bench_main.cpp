// Measures: nothing itself; runs the benchmarks of this folder and then prints each measurement
// beside its anchor with their ratio and the target it is held to.
// Anchors: see the header of each benchmark file.
// Ratios are measured time over anchor time for the same work, from the medians of the repetitions
// (so 2.0 means twice as slow as the anchor); where the two runs do different amounts of work, the
// times per item (per script line) are compared. Generated game folders below /tmp go at exit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

struct Measurement {
    double seconds_per_iteration { 0 };
    double bytes_per_second { 0 };
    double items_per_second { 0 };
    bool from_median { false };
};

// Shows the usual table and keeps one measurement per benchmark: the median when there are
// repetitions, otherwise the last run.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that saved output stays plain text.
    SummaryReporter()
        : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs) {
            if (run.error_occurred)
                continue;
            bool const median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            auto& kept = m_measurements[run.run_name.function_name];
            if (kept.from_median && !median)
                continue;
            kept.seconds_per_iteration
                = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            kept.bytes_per_second = counter(run, "bytes_per_second");
            kept.items_per_second = counter(run, "items_per_second");
            kept.from_median = median;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const Measurement* find(std::string_view name) const
    {
        auto const found = m_measurements.find(std::string(name));
        return found == m_measurements.end() ? nullptr : &found->second;
    }

private:
    static double counter(const Run& run, const char* name)
    {
        auto const found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : static_cast<double>(found->second);
    }

    std::map<std::string, Measurement> m_measurements;
};

enum class Shown {
    Milliseconds,
    MegabytesPerSecond,
    MillionLinesPerSecond,
};

enum class TargetKind {
    None,
    // Measured time over anchor time must not exceed the value.
    MaxRatio,
    // The measured rate (in the unit shown) must reach the value.
    MinRate,
    // The measured time per iteration, in milliseconds, must stay below the value.
    MaxMilliseconds,
};

enum class RatioOf {
    // Both runs do the same work: time per iteration.
    Iterations,
    // The runs do different amounts of work: time per item (the inverse of the item rates).
    Items,
};

struct Comparison {
    const char* title;
    const char* measured;
    const char* measured_label;
    const char* anchor;
    const char* anchor_label;
    Shown shown;
    TargetKind target;
    double target_value;
    RatioOf ratio_of;
};

// clang-format off
constexpr Comparison kComparisons[] = {
    { "a. Loading 2,000 generated scripts (~50 MB)",
      "load_folder", "ScenarioStore::load_folder",
      "load_folder_anchor_posix_read", "POSIX open/read/close into a fresh block",
      Shown::Milliseconds, TargetKind::MaxRatio, 1.5, RatioOf::Iterations },
    { "a'. The same against a floor that reuses its block (no page faults)",
      "load_folder", "ScenarioStore::load_folder",
      "load_folder_anchor_posix_read_reused", "POSIX open/read/close into a reused block",
      Shown::Milliseconds, TargetKind::None, 0, RatioOf::Iterations },
    { "b. read_next_line + next_token over the whole scenario",
      "tokenize_scenario", "read_next_line + next_token",
      "tokenize_scenario_anchor_memchr", "memchr walk NUL to NUL",
      Shown::MegabytesPerSecond, TargetKind::MinRate, 200, RatioOf::Iterations },
    { "c. Interpreter passes, one million \".wat 0\" lines",
      "interpret_waits", "frame_loop, headless",
      "interpret_waits_anchor_read_next_line", "bare read_next_line loop",
      Shown::MillionLinesPerSecond, TargetKind::MinRate, 5, RatioOf::Iterations },
    { "d. Counting loop, one million iterations of \".let\", \".cas\" and \".jmp\" (4,000,002 lines)",
      "interpret_counting_loop", "frame_loop, headless",
      "interpret_waits", "\".wat 0\" lines, frame_loop, headless",
      Shown::MillionLinesPerSecond, TargetKind::MinRate, 2, RatioOf::Items },
    { "e. \".sav\" of 10,000 variables (5,000 integers, 5,000 strings)",
      "save_variables", "script::save_variables",
      "save_variables_anchor_fwrite", "the same bytes with fopen/fwrite/fclose",
      Shown::Milliseconds, TargetKind::MaxMilliseconds, 5, RatioOf::Iterations },
    { "f. \".lod\" of the same 10,000 variables",
      "load_variables", "script::load_variables",
      "load_variables_anchor_fread", "the same bytes with fopen/fread/fclose",
      Shown::Milliseconds, TargetKind::MaxMilliseconds, 5, RatioOf::Iterations },
};
// clang-format on

double shown_value(const Measurement& measurement, Shown shown)
{
    switch (shown) {
    case Shown::Milliseconds:
        return measurement.seconds_per_iteration * 1e3;
    case Shown::MegabytesPerSecond:
        return measurement.bytes_per_second / 1e6;
    case Shown::MillionLinesPerSecond:
        return measurement.items_per_second / 1e6;
    }
    return 0;
}

const char* unit_name(Shown shown)
{
    switch (shown) {
    case Shown::Milliseconds:
        return "ms";
    case Shown::MegabytesPerSecond:
        return "MB/s";
    case Shown::MillionLinesPerSecond:
        return "M lines/s";
    }
    return "";
}

void print_summary(const SummaryReporter& reporter)
{
    std::printf("\nMeasurements beside their anchors (wall time; medians when repeated; ratio = measured "
                "time / anchor time)\n");
    for (auto const& comparison : kComparisons) {
        auto const* measured = reporter.find(comparison.measured);
        auto const* anchor = reporter.find(comparison.anchor);
        if (!measured || !anchor)
            continue;
        double const ratio = comparison.ratio_of == RatioOf::Items
            ? anchor->items_per_second / measured->items_per_second
            : measured->seconds_per_iteration / anchor->seconds_per_iteration;
        double const value = shown_value(*measured, comparison.shown);
        char const* unit = unit_name(comparison.shown);
        std::printf("\n%s\n", comparison.title);
        std::printf("  %-44s %12.2f %s\n", comparison.measured_label, value, unit);
        std::printf(
            "  %-44s %12.2f %s\n", comparison.anchor_label, shown_value(*anchor, comparison.shown), unit);
        std::printf("  ratio %.2f", ratio);
        if (comparison.ratio_of == RatioOf::Items)
            std::printf(" per item (rate %.2f of the anchor's)", 1.0 / ratio);
        switch (comparison.target) {
        case TargetKind::None:
            std::printf("  (no target)\n");
            break;
        case TargetKind::MaxRatio:
            std::printf("  target: ratio <= %.2f  -> %s\n", comparison.target_value,
                ratio <= comparison.target_value ? "met" : "MISSED");
            break;
        case TargetKind::MinRate:
            std::printf("  target: >= %.0f %s  -> %s\n", comparison.target_value, unit,
                value >= comparison.target_value ? "met" : "MISSED");
            break;
        case TargetKind::MaxMilliseconds:
            std::printf("  target: < %.0f ms  -> %s\n", comparison.target_value,
                measured->seconds_per_iteration * 1e3 < comparison.target_value ? "met" : "MISSED");
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print_summary(reporter);
    benchmark::Shutdown();
    return 0;
}

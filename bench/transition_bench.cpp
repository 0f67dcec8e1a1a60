// Measures: every step of each of the sixteen transitions on two 640 x 480 surfaces, timed one by one
// while the transition runs from its first step to its last.
// Anchors: memcpy of 640 x 480 x 2 bytes (the physical floor) and graphics::copy of the whole screen
// (what showing the picture at once costs).
// A kind is judged by its slowest step, which must stay within twice the time of graphics::copy of the
// whole screen; its average step is shown beside. Each call is timed on its own and stands for the
// median of its samples; the figures are the medians of the repetitions.
#include "graphics/compose.h"
#include "graphics/surface.h"
#include "graphics/transition.h"

#include "bench_runs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace advplay::graphics;

constexpr int kKinds = 16;
constexpr Rect kWhole { 0, 0, kScreenWidth, kScreenHeight };
constexpr double kGoal = 2.0;

Surface picture(int seed)
{
    Surface surface;
    if (!surface.create(kScreenWidth, kScreenHeight))
        std::abort();
    for (int y = 0; y < kScreenHeight; ++y)
        for (int x = 0; x < kScreenWidth; ++x)
            surface.at(x, y) = static_cast<Pixel>(((x * 7 + y * 13 + seed) ^ (x * y)) & 0x7FFF);
    return surface;
}

// Times each call of `work` on its own, so that a call that the scheduler interrupted counts as one
// slow sample instead of lengthening a mean. Returns the median of each call's samples.
template<typename Work>
std::vector<double> median_seconds(benchmark::State& state, std::size_t calls, Work work)
{
    std::vector<std::vector<double>> samples(calls);
    for (auto _ : state) {
        for (std::size_t call = 0; call < calls; ++call) {
            auto const start = std::chrono::steady_clock::now();
            work(call);
            benchmark::ClobberMemory();
            samples[call].push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::vector<double> medians;
    for (auto& call : samples) {
        auto const middle = call.begin() + static_cast<std::ptrdiff_t>(call.size() / 2);
        std::nth_element(call.begin(), middle, call.end());
        medians.push_back(call.empty() ? 0.0 : *middle);
    }
    return medians;
}

void anchor_memcpy(benchmark::State& state)
{
    Surface display = picture(0);
    Surface const staging = picture(1);
    std::size_t const bytes = static_cast<std::size_t>(kScreenWidth) * kScreenHeight * sizeof(Pixel);
    auto const medians = median_seconds(state, 1, [&](std::size_t) {
        std::memcpy(display.pixels(), staging.pixels(), bytes);
        benchmark::DoNotOptimize(display.pixels());
    });
    state.counters["median_us"] = medians[0] * 1e6;
}
BENCHMARK(anchor_memcpy);

void anchor_copy(benchmark::State& state)
{
    Surface display = picture(0);
    Surface const staging = picture(1);
    auto const medians = median_seconds(
        state, 1, [&](std::size_t) { benchmark::DoNotOptimize(copy(display, kWhole, staging, 0, 0)); });
    state.counters["median_us"] = medians[0] * 1e6;
}
BENCHMARK(anchor_copy);

// One iteration is a whole transition, from the empty first step to the last. The counters give the
// slowest step, which step that is, and the average over the drawing steps (all but the empty first
// one, except for kind 0, whose only step draws), each step by the median of its own samples.
void transition(benchmark::State& state)
{
    auto const kind = static_cast<std::int32_t>(state.range(0));
    auto const steps = static_cast<std::size_t>(transition_last_step(kind)) + 1;
    Surface display = picture(0);
    Surface const staging = picture(1);
    auto const medians = median_seconds(state, steps, [&](std::size_t step) {
        benchmark::DoNotOptimize(transition_step(display, staging, kind, static_cast<std::int32_t>(step)));
    });
    std::size_t const first = kind == 0 ? 0 : 1;
    std::size_t worst = first;
    double total = 0;
    for (std::size_t step = first; step < steps; ++step) {
        total += medians[step];
        if (medians[step] > medians[worst])
            worst = step;
    }
    state.counters["worst_us"] = medians[worst] * 1e6;
    state.counters["worst_step"] = static_cast<double>(worst);
    state.counters["average_us"] = total / static_cast<double>(steps - first) * 1e6;
}
BENCHMARK(transition)->DenseRange(0, kKinds - 1);

// Keeps the median run (or the only one) of each benchmark: its time and its counters.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    struct Result {
        double seconds { 0 };
        std::map<std::string, double> counters;
    };

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (auto const& run : runs) {
            bool const median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool const single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred || !(median || single))
                continue;
            Result& result = m_results[run.run_name.str()];
            result.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (auto const& [name, counter] : run.counters)
                result.counters[name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    const Result* find(const std::string& name) const
    {
        auto const found = m_results.find(name);
        return found == m_results.end() ? nullptr : &found->second;
    }

private:
    std::map<std::string, Result> m_results;
};

} // namespace

int main(int argc, char** argv)
{
    SummaryReporter reporter;
    if (!advplay::bench::run_benchmarks(argc, argv, reporter))
        return 1;

    auto const* memcpy_run = reporter.find("anchor_memcpy");
    auto const* copy_run = reporter.find("anchor_copy");
    if (!memcpy_run || !copy_run)
        return 0;
    double const memcpy_us = memcpy_run->counters.at("median_us");
    double const copy_us = copy_run->counters.at("median_us");
    std::printf("\nanchors: memcpy of 640 x 480 x 2 bytes %.1f us, graphics::copy of the screen %.1f us\n",
        memcpy_us, copy_us);
    std::printf("%4s %5s %9s %9s %5s %13s %13s %11s %11s %s\n", "kind", "steps", "avg us", "worst us", "at",
        "avg/memcpy", "worst/memcpy", "avg/copy", "worst/copy", "goal");
    int missed = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
        auto const* run = reporter.find("transition/" + std::to_string(kind));
        if (!run)
            continue;
        double const average = run->counters.at("average_us");
        double const worst = run->counters.at("worst_us");
        bool const met = worst / copy_us <= kGoal;
        missed += met ? 0 : 1;
        std::printf("%4d %5d %9.2f %9.2f %5.0f %13.3f %13.3f %11.3f %11.3f %s\n", kind,
            transition_last_step(kind), average, worst, run->counters.at("worst_step"), average / memcpy_us,
            worst / memcpy_us, average / copy_us, worst / copy_us, met ? "met" : "MISSED");
    }
    std::printf("goal: the slowest step within %.0fx graphics::copy of the screen; %d kind%s missed\n", kGoal,
        missed, missed == 1 ? "" : "s");
    return 0;
}

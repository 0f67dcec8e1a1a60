// Running a benchmark program whose summary compares medians.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace advplay::bench {

// Runs the registered benchmarks through `reporter`, as medians of five repetitions unless the
// command line says otherwise. False when the command line has an argument the library does not know.
inline bool run_benchmarks(int argc, char** argv, benchmark::BenchmarkReporter& reporter)
{
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    std::string min_time = "--benchmark_min_time=0.1";
    arguments.insert(arguments.begin() + 1, { repetitions.data(), aggregates.data(), min_time.data() });
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

} // namespace advplay::bench

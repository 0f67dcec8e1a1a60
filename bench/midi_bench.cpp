// Measures: (1) the MIDI sequencer on the real 1 ms timer thread and the steady clock: a test song
// played for 10 s into a MidiOut that notes the steady clock's microsecond at every message; each
// message's lateness against its ideal time from the song's tempo map, and the process's CPU time
// (getrusage) over the same run. (2) MidiSequencer::load of the largest test song, which opens the
// file by name, reads it whole (through DataFile and HostFiles, as a game's songs are read), closes
// it and converts it.
// Anchors: (1) the ideal times and the 10 s of wall-clock time; (2) opening the same file by name,
// reading its bytes into memory with one std::ifstream read and closing it: the load without the
// conversion, measured the same way (repetitions, median).
// Targets: median lateness under 1 ms, 99th percentile under 3 ms; CPU under 1% of one core; load of
// the largest song under 1 ms (a song starts with no delay a player could hear). The load's two parts are also timed alone: opening and reading the file through
// DataFile, and converting bytes already in memory.
#include "datafile/data_file.h"
#include "media/midi_sequencer.h"
#include "platform/midi_out.h"
#include "platform/posix/host_files.h"
#include "platform/posix/steady_clock.h"
#include "platform/posix/thread_timer.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace advplay::bench {

namespace {

using Steady = std::chrono::steady_clock;

const std::filesystem::path kMidi = std::filesystem::path(ADVPLAY_BENCH_MIDI_DIR);
// Many notes on five tracks, three tempo changes; its first 10 s hold a few hundred messages.
constexpr const char* kPlayedSong = "yubatake-MainTheme.mid";
// 11 tracks and 37 tempo changes in 24 KB.
constexpr const char* kLargestSong = "avgvst-TogetherAgain.mid";
constexpr int kPlaySeconds = 10;

// Notes when each channel message arrives; the rest is dropped.
class StampingMidiOut final : public platform::MidiOut {
public:
    bool open() override { return true; }
    void reset() override { }
    void close() override { }
    void send_short(std::uint32_t message) override
    {
        std::lock_guard const lock(m_mutex);
        m_stamps.push_back({ message, Steady::now() });
    }
    void send_long(std::span<const std::uint8_t>) override { }

    struct Stamp {
        std::uint32_t message;
        Steady::time_point at;
    };
    std::vector<Stamp> take()
    {
        std::lock_guard const lock(m_mutex);
        return std::move(m_stamps);
    }

private:
    std::mutex m_mutex;
    std::vector<Stamp> m_stamps;
};

// The ideal time of each channel message, in microseconds after the song's first tick: the tick of
// the event (counted from the first event) through the tempo changes before it.
std::vector<double> ideal_times_us(const media::Song& song)
{
    std::vector<double> times;
    std::uint32_t tempo = media::MidiSequencer::kResetTempo;
    std::uint64_t tick = 0;
    std::uint64_t segment_tick = 0;
    double segment_us = 0;
    for (std::size_t i = 0; i < song.event_count; ++i) {
        media::SongEvent const& event = song.events[i];
        if (i > 0)
            tick += event.delta;
        double const at = segment_us + static_cast<double>(tick - segment_tick) * tempo / song.division;
        if (event.status == media::kMeta && event.data1 == media::kMetaTempo) {
            segment_us = at;
            segment_tick = tick;
            tempo = media::tempo_at(song, i);
            i += 2;
        } else if (event.status >= 0x80 && event.status < 0xF0) {
            times.push_back(at);
        }
    }
    return times;
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    auto const at = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

double cpu_seconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void sequencer_real_timer(benchmark::State& state)
{
    platform::TextEncoding encoding;
    platform::HostFiles files(kMidi.string(), encoding);
    platform::SteadyClock clock;
    platform::ThreadTimer timer;
    StampingMidiOut output;
    media::MidiSequencer sequencer(clock, &timer, &output);
    std::vector<double> lateness_ms;
    double cpu_share = 0;
    for (auto _ : state) {
        if (!sequencer.load(files, kPlayedSong)) {
            state.SkipWithError("cannot load the song");
            break;
        }
        auto const ideal = ideal_times_us(*sequencer.song());
        sequencer.set_loop(false);
        double const cpu_before = cpu_seconds();
        // Count the steady clock's microseconds from the start of the millisecond that play read,
        // which is where the sequencer's millisecond times count from: play early in a millisecond,
        // and again should the main thread have been held up past its end. Timing from the moment the
        // wait for that millisecond ended, or from before a hold-up, would add a delay the sequencer
        // never sees to every message.
        Steady::time_point played;
        for (;;) {
            clock.sleep_to_next_tick();
            played = std::chrono::floor<std::chrono::milliseconds>(Steady::now());
            (void)sequencer.play();
            if (std::chrono::floor<std::chrono::milliseconds>(Steady::now()) == played)
                break;
            sequencer.stop();
            (void)output.take();
        }
        std::this_thread::sleep_for(std::chrono::seconds(kPlaySeconds));
        double const cpu_used = cpu_seconds() - cpu_before;
        double const wall = std::chrono::duration<double>(Steady::now() - played).count();
        sequencer.stop();
        cpu_share = cpu_used / wall;
        auto const stamps = output.take();
        // The first events are due 100 ms after play: the start deadline and the lead-in after it.
        Steady::time_point const origin
            = played + std::chrono::milliseconds(2 * media::MidiSequencer::kStartDeadlineMs);
        // The volumes that stop sends at the end are no song events.
        std::size_t const count = std::min(stamps.size(), ideal.size());
        for (std::size_t i = 0; i < count; ++i) {
            if (stamps[i].at - played >= std::chrono::seconds(kPlaySeconds))
                break;
            double const actual_us = std::chrono::duration<double, std::micro>(stamps[i].at - origin).count();
            lateness_ms.push_back((actual_us - ideal[i]) / 1000.0);
        }
    }
    if (lateness_ms.empty())
        return;
    std::vector<double> absolute;
    for (double late : lateness_ms)
        absolute.push_back(std::abs(late));
    double const median = percentile(absolute, 0.5);
    double const p99 = percentile(absolute, 0.99);
    state.counters["messages"] = static_cast<double>(lateness_ms.size());
    state.counters["median_off_ms"] = median;
    state.counters["p99_off_ms"] = p99;
    state.counters["cpu_percent"] = cpu_share * 100;
    std::printf("\nSequencer on the real timer, %s for %d s: %zu messages\n", kPlayedSong, kPlaySeconds,
        lateness_ms.size());
    std::printf(
        "  median |actual - ideal| %.3f ms (target < 1)   -> %s\n", median, median < 1 ? "met" : "MISSED");
    std::printf("  99th percentile         %.3f ms (target < 3)   -> %s\n", p99, p99 < 3 ? "met" : "MISSED");
    std::printf("  earliest %.3f ms, latest %.3f ms\n",
        *std::min_element(lateness_ms.begin(), lateness_ms.end()),
        *std::max_element(lateness_ms.begin(), lateness_ms.end()));
    std::printf("  CPU %.3f%% of one core (target < 1%%)       -> %s\n\n", cpu_share * 100,
        cpu_share < 0.01 ? "met" : "MISSED");
}

void load_largest_song(benchmark::State& state)
{
    platform::TextEncoding encoding;
    platform::HostFiles files(kMidi.string(), encoding);
    platform::SteadyClock clock;
    media::MidiSequencer sequencer(clock, nullptr, nullptr);
    for (auto _ : state) {
        bool const loaded = sequencer.load(files, kLargestSong);
        benchmark::DoNotOptimize(loaded);
    }
    state.SetBytesProcessed(
        state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(kMidi / kLargestSong)));
}

// Opening and reading the file through the engine's own reader, as load does, without converting it.
void open_largest_song(benchmark::State& state)
{
    platform::TextEncoding encoding;
    platform::HostFiles files(kMidi.string(), encoding);
    for (auto _ : state) {
        datafile::DataFile file(files);
        bool const opened = file.open(kLargestSong, datafile::FileMode::ReadBinary);
        benchmark::DoNotOptimize(opened);
        benchmark::DoNotOptimize(file.content().data());
    }
    state.SetBytesProcessed(
        state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(kMidi / kLargestSong)));
}

// The conversion alone, from bytes already in memory: what load adds to the read.
void convert_largest_song(benchmark::State& state)
{
    std::ifstream in(kMidi / kLargestSong, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    for (auto _ : state) {
        auto song = media::convert_song(bytes);
        benchmark::DoNotOptimize(song);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void read_largest_song_bytes(benchmark::State& state)
{
    for (auto _ : state) {
        std::ifstream in(kMidi / kLargestSong, std::ios::binary | std::ios::ate);
        std::vector<char> bytes(static_cast<std::size_t>(in.tellg()));
        in.seekg(0);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(
        state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(kMidi / kLargestSong)));
}

} // namespace

BENCHMARK(sequencer_real_timer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(load_largest_song)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(open_largest_song)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(convert_largest_song)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(read_largest_song_bytes)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace advplay::bench

BENCHMARK_MAIN();

// Fuzz target: a MIDI song through the loader, then the first seconds of its play on the virtual
// clock, loop restarts included.
#include "media/midi_sequencer.h"
#include "memory_files.h"
#include "platform/headless/recording_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// Every index the player follows stays inside the song.
void check(const advplay::media::Song& song)
{
    using namespace advplay::media;
    if (song.events.size() != song.event_count + Song::kSpareEvents)
        __builtin_trap();
    for (std::size_t i = 0; i < song.event_count; ++i) {
        SongEvent const& event = song.events[i];
        if (event.status == kSystemExclusive && event.word() >= song.system_exclusive.size())
            __builtin_trap();
        if (event.status == kMeta && event.data1 == kMetaTempo) {
            if (i + 2 >= song.event_count || song.events[i + 1].delta != 0 || song.events[i + 2].delta != 0)
                __builtin_trap();
            i += 2;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace advplay;
    fuzz::MemoryFiles files;
    files.add("song.mid", std::string_view(reinterpret_cast<const char*>(data), size));
    platform::VirtualClock clock;
    platform::VirtualTimer timer(clock);
    platform::RecordingMidiOut output(clock);
    media::MidiSequencer sequencer(clock, &timer, &output);
    if (!sequencer.load(files, "song.mid"))
        return 0;
    check(*sequencer.song());
    (void)sequencer.play();
    // Long enough for a short song to end and start over twice.
    for (int ms = 0; ms < 3000 && sequencer.playing(); ++ms)
        clock.sleep(1);
    sequencer.stop();
    return 0;
}

// The midi-render subcommand: a song played by the engine's own sequencer on the virtual clock, into
// the synthesiser, and written out as a WAV file faster than it would sound.
#include "app/runner.h"

#include "media/midi_sequencer.h"
#include "platform/fluidsynth/fluid_synthesizer.h"
#include "platform/fluidsynth/rendering_midi_out.h"
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/posix/host_files.h"

#include <cstdio>
#include <filesystem>

namespace advplay::app {

namespace {

void say(const std::string& text)
{
    std::fprintf(stderr, "advplay: %s\n", text.c_str());
}

constexpr int kRenderRate = 44100;
// A song that has not ended after this long (an absurd tempo, say) is cut here.
constexpr std::uint32_t kLongestRenderMs = 60 * 60 * 1000;

void append_le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A 16-bit stereo PCM WAVE file.
std::vector<std::uint8_t> wave_file(const std::vector<std::int16_t>& samples, int rate)
{
    std::uint32_t const data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + data_bytes);
    auto const text = [&out](const char* tag) { out.insert(out.end(), tag, tag + 4); };
    text("RIFF");
    append_le(out, 36 + data_bytes, 4);
    text("WAVE");
    text("fmt ");
    append_le(out, 16, 4);
    append_le(out, 1, 2); // PCM
    append_le(out, 2, 2); // channels
    append_le(out, static_cast<std::uint32_t>(rate), 4);
    append_le(out, static_cast<std::uint32_t>(rate) * 4, 4); // bytes a second
    append_le(out, 4, 2); // bytes a frame
    append_le(out, 16, 2); // bits a sample
    text("data");
    append_le(out, data_bytes, 4);
    for (std::int16_t const sample : samples)
        append_le(out, static_cast<std::uint16_t>(sample), 2);
    return out;
}

std::string engine_path(const platform::TextEncoding& encoding, const std::string& host)
{
    auto converted = encoding.to_sjis(host);
    return converted ? *converted : host;
}

} // namespace

int run_midi_render(const CommandLine& line)
{
    std::string const& song_path = line.operands[0];
    std::string const& output_path = line.operands[1];
    std::string const soundfont = line.soundfont ? *line.soundfont : platform::kDefaultSoundFont;

    platform::TextEncoding encoding;
    std::error_code status;
    platform::HostFiles files(
        std::filesystem::current_path(status).string(), encoding, platform::HostFiles::Reach::Anywhere);
    platform::FluidSynthesizer synthesizer(kRenderRate);
    if (!synthesizer.load_soundfont(soundfont)) {
        say("cannot load the SoundFont " + soundfont);
        return kExitUsage;
    }
    platform::VirtualClock clock;
    platform::VirtualTimer timer(clock);
    platform::RenderingMidiOut output(clock, synthesizer);
    media::MidiSequencer sequencer(clock, &timer, &output);
    if (!sequencer.load(files, engine_path(encoding, song_path))) {
        say("cannot read " + song_path + " as a MIDI song");
        return kExitUsage;
    }

    sequencer.set_loop(line.loops > 1);
    (void)sequencer.play();
    std::uint32_t const start = clock.now();
    // The sound starts with the song's first events; the sequencer's lead-in before them is left out.
    output.set_origin(start + 2 * media::MidiSequencer::kStartDeadlineMs);
    while (sequencer.playing()) {
        if (line.loops > 1 && sequencer.loops_completed() >= line.loops - 1)
            sequencer.set_loop(false);
        if (clock.now() - start >= kLongestRenderMs) {
            say("the song is still playing after an hour; the sound ends there");
            sequencer.stop();
            break;
        }
        clock.sleep(1);
    }
    output.render_to_now();

    std::vector<std::uint8_t> const bytes = wave_file(output.samples(), kRenderRate);
    auto file = files.open_write(engine_path(encoding, output_path));
    if (!file || !file->write(bytes) || !file->close()) {
        say("cannot write " + output_path);
        return kExitUsage;
    }
    double const seconds = static_cast<double>(output.samples().size() / 2) / kRenderRate;
    std::fprintf(stderr, "advplay: wrote %.3f s of sound to %s\n", seconds, output_path.c_str());
    return kExitEnded;
}

} // namespace advplay::app

// The real sound path, captured: SDL's disk audio driver writes what the device would play into a
// file, so a test can tell sound from silence. The mixer is the one device of a run; every sound of a
// test goes through it. The driver plays in real time, so each test lasts about a second.
#include "platform/fluidsynth/fluid_synthesizer.h"
#include "platform/fluidsynth/rendering_midi_out.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/virtual_clock.h"
#include "platform/posix/steady_clock.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_mixer.h"
#include "platform/sdl/sdl_synth_out.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

namespace advplay::platform {
namespace {

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;
// The demo's chime: 600 ms, loud from its first sample, made by tools/make_demo_media.py.
const std::filesystem::path kChime = kData / ".." / ".." / "games" / "demo" / "data" / "se" / "chime.wav";

void wait_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class DiskAudio : public ::testing::Test {
protected:
    DiskAudio()
    {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", output().c_str(), 1);
    }
    std::string output() const { return (m_folder.path() / "out.raw").string(); }
    // The largest magnitude of the 16-bit samples the device was given.
    int loudest() const
    {
        std::ifstream file(output(), std::ios::binary);
        std::vector<char> const bytes(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        int peak = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            auto const sample = static_cast<std::int16_t>(
                static_cast<std::uint8_t>(bytes[i]) | (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        return peak;
    }
    // Waits up to five seconds for the report of `id`, running `each_round` meanwhile.
    template<typename Round>
    std::optional<DeviceNotice> report(HeadlessWindow& window, MediaId id, Round each_round)
    {
        for (int i = 0; i < 500; ++i) {
            Event event;
            while (window.poll_event(event)) {
                if (event.type == EventType::DeviceNotify && event.device == id)
                    return event.notice;
            }
            each_round();
            wait_ms(10);
        }
        return std::nullopt;
    }
    // The peak of what a player given these volumes before anything opened played in `play`.
    int peak_with(int music, int effects, int movie, const std::function<void(SdlMediaPlayer&)>& play)
    {
        {
            SdlMixer mixer;
            EXPECT_TRUE(mixer.is_open()) << mixer.error();
            SteadyClock clock;
            SdlMediaPlayer player(clock, mixer);
            player.set_volumes(music, effects, movie);
            play(player);
        }
        return loudest();
    }

    testing::TemporaryFolder m_folder;
};

TEST_F(DiskAudio, ASoundEffectIsMixedIntoTheOutput)
{
    {
        SdlMixer mixer;
        ASSERT_TRUE(mixer.is_open()) << mixer.error();
        SteadyClock clock;
        SdlMediaPlayer player(clock, mixer);
        auto const length = player.play_effect(kChime.string(), EffectMode::Once);
        ASSERT_TRUE(length);
        EXPECT_EQ(*length, 600u);
        for (int i = 0; i < 200 && player.effect_playing(); ++i)
            wait_ms(10);
        EXPECT_FALSE(player.effect_playing());
    }
    EXPECT_GT(loudest(), 8000);
}

// The mixer would decode anything else as music, whole, before playing it: a file of zeros that a
// tracker reader takes for a module that loops for ever filled memory without end.
TEST_F(DiskAudio, OnlyWavFilesPlayAsEffects)
{
    SdlMixer mixer;
    ASSERT_TRUE(mixer.is_open()) << mixer.error();
    SteadyClock clock;
    SdlMediaPlayer player(clock, mixer);
    EXPECT_FALSE(
        player.play_effect((kData / "mp3" / "tinytag-mpeg1_44_1khz_cbr.mp3").string(), EffectMode::Once));
    EXPECT_FALSE(player.play_effect(
        (std::filesystem::path(ADVPLAY_FUZZ_CORPUS_DIR) / "media_fuzz" / "oom-module-that-loops-for-ever.wav")
            .string(),
        EffectMode::Once));
    EXPECT_FALSE(player.effect_playing());
    EXPECT_TRUE(player.play_effect(kChime.string(), EffectMode::Once));
}

TEST_F(DiskAudio, Mp3MusicIsMixedIntoTheOutput)
{
    {
        SdlMixer mixer;
        SteadyClock clock;
        SdlMediaPlayer player(clock, mixer);
        MediaId const id = player.open_music((kData / "mp3" / "corkami-mp3.mp3").string());
        ASSERT_NE(id, kNoMedia);
        ASSERT_TRUE(player.play_music(id, nullptr));
        wait_ms(600);
        EXPECT_TRUE(player.close(id));
    }
    EXPECT_GT(loudest(), 8000);
}

TEST_F(DiskAudio, TheSynthesiserAndTheBeepShareTheDevice)
{
    {
        SdlMixer mixer;
        SdlSynthOut synthesizer(kDefaultSoundFont, mixer);
        ASSERT_EQ(synthesizer.error(), "");
        ASSERT_TRUE(synthesizer.open());
        synthesizer.send_short(0x7F3C90); // middle C, full velocity, channel 1
        wait_ms(500);
        synthesizer.send_short(0x403C80);
    }
    int const note = loudest();
    EXPECT_GT(note, 1000);
    {
        SdlMixer mixer;
        SdlAudio audio(mixer);
        audio.beep(440, 200);
        wait_ms(400);
    }
    // The beep is a square wave at a quarter of full volume.
    EXPECT_EQ(loudest(), 8192);
}

TEST_F(DiskAudio, SilenceStaysSilentWithEverySourceAttached)
{
    {
        SdlMixer mixer;
        SteadyClock clock;
        SdlMediaPlayer player(clock, mixer);
        SdlSynthOut synthesizer(kDefaultSoundFont, mixer);
        SdlAudio audio(mixer);
        ASSERT_EQ(synthesizer.error(), "");
        wait_ms(200);
    }
    EXPECT_LT(loudest(), 16);
}

// Two ripped tracks on one time line: a range across the boundary plays into the second track and
// reports its end.
TEST_F(DiskAudio, ADiscRangePlaysAcrossTracksAndReportsItsEnd)
{
    auto const one = m_folder.path() / "track01.wav";
    auto const two = m_folder.path() / "track02.wav";
    std::filesystem::copy_file(kChime, one);
    std::filesystem::copy_file(kChime, two);
    {
        SdlMixer mixer;
        SteadyClock clock;
        SdlMediaPlayer player(clock, mixer);
        HeadlessWindow window;
        std::vector<std::string> const paths { one.string(), two.string() };
        std::vector<std::optional<std::uint32_t>> lengths;
        MediaId const id = player.open_disc(paths, lengths);
        ASSERT_NE(id, kNoMedia);
        ASSERT_EQ(lengths.size(), 2u);
        EXPECT_EQ(lengths[0], 600u);
        EXPECT_EQ(lengths[1], 600u);
        ASSERT_TRUE(player.play_disc(id, 300, 900, &window));
        EXPECT_EQ(report(window, id, [] {}), DeviceNotice::Successful);
        EXPECT_EQ(player.position(id), 900u);
        // Past the end of the disc nothing can play.
        EXPECT_FALSE(player.play_disc(id, 1200, std::nullopt, &window));
        EXPECT_TRUE(player.close(id));
    }
    EXPECT_GT(loudest(), 8000);
}

// A movie shows its pictures in the window and mixes its sound into the device; its end is reported
// once the last picture has been shown.
TEST_F(DiskAudio, AMovieShowsItsPicturesAndSoundsToItsEnd)
{
    {
        SdlMixer mixer;
        SteadyClock clock;
        SdlMediaPlayer player(clock, mixer);
        HeadlessWindow window;
        MediaId const id = player.open_movie((kData / "avi" / "riffparse-test-mjpeg-pcm.avi").string());
        ASSERT_NE(id, kNoMedia);
        ASSERT_TRUE(player.set_movie_window(id, &window));
        ASSERT_TRUE(player.play_movie(id, false, &window));
        EXPECT_EQ(report(window, id, [&] { player.update(); }), DeviceNotice::Successful);
        auto const& picture = window.picture();
        EXPECT_TRUE(
            std::any_of(picture.begin(), picture.end(), [](std::uint16_t pixel) { return pixel != 0; }));
        EXPECT_TRUE(player.close(id));
    }
    // Its mono sound peaks at -18.1 dB of full scale (4,070) and is heard at that level on both
    // sides, not 3 dB lower.
    EXPECT_GT(loudest(), 3700);
}

// Each volume scales its own kind of sound and no other, and holds for what plays after it was set.
// Nine short runs of the device: some six seconds.
TEST_F(DiskAudio, EachVolumeScalesItsOwnSoundsFromThenOn)
{
    auto const track = m_folder.path() / "track01.wav";
    std::filesystem::copy_file(kChime, track);
    auto const effect = [](SdlMediaPlayer& player) {
        EXPECT_TRUE(player.play_effect(kChime.string(), EffectMode::Once));
        wait_ms(700);
    };
    auto const disc = [&track](SdlMediaPlayer& player) {
        std::vector<std::string> const paths { track.string() };
        std::vector<std::optional<std::uint32_t>> lengths;
        MediaId const id = player.open_disc(paths, lengths);
        EXPECT_TRUE(player.play_disc(id, 0, std::nullopt, nullptr));
        wait_ms(700);
    };
    auto const movie = [this](SdlMediaPlayer& player) {
        HeadlessWindow window;
        MediaId const id = player.open_movie((kData / "avi" / "riffparse-test-mjpeg-pcm.avi").string());
        EXPECT_TRUE(player.set_movie_window(id, &window));
        EXPECT_TRUE(player.play_movie(id, false, &window));
        EXPECT_EQ(report(window, id, [&] { player.update(); }), DeviceNotice::Successful);
    };

    auto const music = [](SdlMediaPlayer& player) {
        MediaId const id = player.open_music((kData / "mp3" / "corkami-mp3.mp3").string());
        EXPECT_TRUE(player.play_music(id, nullptr));
        wait_ms(600);
    };

    int const effect_full = peak_with(100, 100, 100, effect);
    EXPECT_GT(effect_full, 8000);
    EXPECT_NEAR(peak_with(0, 50, 0, effect), effect_full / 2, effect_full / 50);
    int const disc_full = peak_with(100, 0, 0, disc);
    EXPECT_GT(disc_full, 8000);
    EXPECT_NEAR(peak_with(50, 100, 100, disc), disc_full / 2, disc_full / 50);
    int const music_full = peak_with(100, 0, 0, music);
    EXPECT_GT(music_full, 8000);
    EXPECT_NEAR(peak_with(50, 100, 100, music), music_full / 2, music_full / 50);
    EXPECT_GT(peak_with(0, 0, 100, movie), 3700);
    EXPECT_LT(peak_with(100, 100, 0, movie), 16);
}

// Stopping a playing medium aborts its owed report; the stop's own report follows.
TEST_F(DiskAudio, AStopAbortsThePlayAndReportsItself)
{
    SdlMixer mixer;
    SteadyClock clock;
    SdlMediaPlayer player(clock, mixer);
    HeadlessWindow window;
    MediaId const id = player.open_music((kData / "mp3" / "corkami-mp3.mp3").string());
    ASSERT_NE(id, kNoMedia);
    ASSERT_TRUE(player.play_music(id, &window));
    wait_ms(100);
    ASSERT_TRUE(player.stop(id, &window));
    std::vector<DeviceNotice> notices;
    Event event;
    while (window.poll_event(event)) {
        if (event.type == EventType::DeviceNotify && event.device == id)
            notices.push_back(event.notice);
    }
    EXPECT_EQ(notices, (std::vector { DeviceNotice::Aborted, DeviceNotice::Successful }));
}

// A message is heard one round after it was sent, at its own place in the round: two notes sent 5 ms
// apart sound 220 frames apart at 44.1 kHz, whichever the rounds they fall in.
TEST(SynthTiming, AMessageKeepsItsPlaceInTheRound)
{
    using namespace std::chrono_literals;
    std::chrono::steady_clock::time_point const start { 1s };
    EXPECT_EQ(frame_in_round(start - 1ms, start, 512, 44100), 0u);
    EXPECT_EQ(frame_in_round(start, start, 512, 44100), 0u);
    EXPECT_EQ(frame_in_round(start + 5ms, start, 512, 44100), 220u);
    EXPECT_EQ(frame_in_round(start + 10ms, start, 512, 44100), 441u);
    EXPECT_EQ(frame_in_round(start + 12ms, start, 512, 44100), 512u);
    EXPECT_EQ(frame_in_round(start + 1h, start, 512, 44100), 512u);
}

} // namespace
} // namespace advplay::platform

namespace advplay::platform {
namespace {

// The peak of `blocks` rounds of 512 frames.
int render_peak(FluidSynthesizer& synthesizer, int blocks)
{
    std::vector<std::int16_t> block(512 * 2);
    int peak = 0;
    for (int i = 0; i < blocks; ++i) {
        synthesizer.render(block.data(), 512);
        for (std::int16_t sample : block)
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

// Once a note and its reverb have died away the synthesiser stops synthesising silence, and the next
// note sounds as the first did.
TEST(SynthRest, SilenceAfterANoteRestsAndTheNextNoteStillSounds)
{
    FluidSynthesizer synthesizer(44100);
    ASSERT_TRUE(synthesizer.load_soundfont(kDefaultSoundFont));
    EXPECT_LE(render_peak(synthesizer, 1), 1);
    EXPECT_TRUE(synthesizer.resting());
    EXPECT_EQ(render_peak(synthesizer, 1), 0);
    synthesizer.short_message(0x7F3C90);
    EXPECT_FALSE(synthesizer.resting());
    int const first = render_peak(synthesizer, 40);
    EXPECT_GT(first, 1000);
    synthesizer.short_message(0x003C80);
    // About ten seconds, long enough for any release and reverb tail.
    render_peak(synthesizer, 860);
    EXPECT_TRUE(synthesizer.resting());
    synthesizer.short_message(0x7F3C90);
    // FluidSynth dithers, so the peaks may differ in the last bit.
    EXPECT_NEAR(render_peak(synthesizer, 40), first, 2);
}

// The output's level scales the synthesiser's gain: at 100 the samples are those of an output never
// told, at 50 a note peaks at about half.
TEST(SynthVolume, HalfIsQuieterAndFullIsUntouched)
{
    // The note after the output was set to each of `volumes` in turn.
    auto const note = [](std::vector<int> const& volumes) {
        VirtualClock clock;
        FluidSynthesizer synthesizer(44100);
        EXPECT_TRUE(synthesizer.load_soundfont(kDefaultSoundFont));
        RenderingMidiOut out(clock, synthesizer);
        EXPECT_TRUE(out.open());
        for (int const volume : volumes)
            out.set_volume(volume);
        out.send_short(0x7F3C90); // middle C, full velocity, channel 1
        clock.sleep(500);
        out.send_short(0x003C80);
        clock.sleep(100);
        out.render_to_now();
        return out.samples();
    };
    auto const peak = [](const std::vector<std::int16_t>& samples) {
        int most = 0;
        for (std::int16_t const sample : samples)
            most = std::max(most, std::abs(static_cast<int>(sample)));
        return most;
    };
    std::vector<std::int16_t> const untold = note({});
    ASSERT_GT(peak(untold), 1000);
    EXPECT_EQ(note({ 100 }), untold);
    EXPECT_EQ(note({ 50, 100 }), untold) << "back at 100, the very gain it started with";
    int const half = peak(note({ 50 }));
    EXPECT_LT(half, peak(untold) * 6 / 10);
    EXPECT_GT(half, peak(untold) * 4 / 10);
    EXPECT_LE(peak(note({ 0 })), 1) << "the dither alone";
}

// A change of level in the middle of a note reaches the note itself, at its millisecond.
TEST(SynthVolume, AChangeReachesASoundingNote)
{
    VirtualClock clock;
    FluidSynthesizer synthesizer(44100);
    ASSERT_TRUE(synthesizer.load_soundfont(kDefaultSoundFont));
    RenderingMidiOut out(clock, synthesizer);
    ASSERT_TRUE(out.open());
    out.send_short(0x7F3C90);
    clock.sleep(300);
    out.set_volume(25);
    clock.sleep(300);
    out.set_volume(100);
    clock.sleep(300);
    out.render_to_now();
    auto const peak_between = [&out](int from_ms, int to_ms) {
        auto const& samples = out.samples();
        int most = 0;
        auto const at = [](int ms) { return static_cast<std::size_t>(ms) * 44100 / 1000 * 2; };
        for (std::size_t i = at(from_ms); i < at(to_ms) && i < samples.size(); ++i)
            most = std::max(most, std::abs(static_cast<int>(samples[i])));
        return most;
    };
    int const before = peak_between(200, 300);
    int const during = peak_between(310, 600);
    int const after = peak_between(610, 900);
    EXPECT_LT(during, before / 2);
    EXPECT_GT(after, during * 2);
}

} // namespace
} // namespace advplay::platform

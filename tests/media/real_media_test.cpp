// The real decoding paths, headless: every test movie plays to its end, midi-render makes sound of
// the song's length, and damaged files leave their medium silent without stopping the game.
#include "app/command_line.h"
#include "app/runner.h"
#include "media/midi_sequencer.h"
#include "platform/ffmpeg/movie_playback.h"
#include "platform/headless/headless_window.h"
#include "platform/headless/recording_media_player.h"
#include "platform/headless/virtual_clock.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace advplay::media {
namespace {

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;

std::string read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---------------------------------------------------------------------------------------------------
// Movies
// ---------------------------------------------------------------------------------------------------

struct MovieFile {
    const char* name;
    // As ffprobe gives it.
    std::uint32_t length_ms;
    // A picture to compare with FFmpeg's own, and a moment while it shows.
    int frame;
    std::uint32_t frame_shows_at_ms;
};

// FFmpeg's command-line tool's picture `frame` of the movie, scaled to 640 x 480 as 8-bit RGB.
std::string ffmpeg_frame(const std::filesystem::path& movie, int frame)
{
    std::string const command = "ffmpeg -v error -i '" + movie.string() + "' -vf 'select=eq(n\\,"
        + std::to_string(frame) + "),scale=640:480' -frames:v 1 -pix_fmt rgb24 -f rawvideo - 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string rgb;
    if (!pipe)
        return rgb;
    char buffer[65536];
    while (std::size_t const got = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        rgb.append(buffer, got);
    return rgb;
}

class EveryMovie : public ::testing::TestWithParam<MovieFile> { };

TEST_P(EveryMovie, PlaysToItsEndOnVirtualTime)
{
    platform::VirtualClock clock;
    platform::HeadlessWindow window;
    platform::MoviePlayback movie(clock);
    ASSERT_TRUE(movie.open((kData / "avi" / GetParam().name).string()));
    movie.set_window(&window);
    movie.play(false);
    int pictures = 0;
    std::vector<std::uint16_t> last = window.picture();
    auto progress = platform::MoviePlayback::Progress::Going;
    while (clock.now() < 10'000) {
        progress = movie.update();
        if (window.picture() != last) {
            ++pictures;
            last = window.picture();
        }
        if (progress != platform::MoviePlayback::Progress::Going)
            break;
        clock.sleep(1);
    }
    ASSERT_EQ(progress, platform::MoviePlayback::Progress::Ended);
    EXPECT_FALSE(movie.playing());
    // It ends when its last picture has had its time: the file's length, to the millisecond.
    EXPECT_GE(clock.now() + 1, GetParam().length_ms);
    EXPECT_LE(clock.now(), GetParam().length_ms + 1);
    EXPECT_GE(pictures, 1);
    // The pictures fill the whole window: no border stays black in the last one.
    EXPECT_TRUE(std::any_of(last.begin(), last.begin() + 640, [](std::uint16_t p) { return p != 0; }));
    EXPECT_TRUE(std::any_of(last.end() - 640, last.end(), [](std::uint16_t p) { return p != 0; }));
}

TEST_P(EveryMovie, APictureMatchesFfmpegsFrame)
{
    auto const path = kData / "avi" / GetParam().name;
    std::string const reference = ffmpeg_frame(path, GetParam().frame);
    ASSERT_EQ(reference.size(), 640u * 480 * 3) << "ffmpeg (scripts/install-deps.sh installs it)";
    platform::VirtualClock clock;
    platform::HeadlessWindow window;
    platform::MoviePlayback movie(clock);
    ASSERT_TRUE(movie.open(path.string()));
    movie.set_window(&window);
    movie.play(false);
    while (clock.now() < GetParam().frame_shows_at_ms) {
        clock.sleep(1);
        (void)movie.update();
    }
    // Both scale bicubically with FFmpeg's scaler, so the pictures agree to the rounding of the
    // window's 5 bits a channel; the picture before differs by far more (a mean of 0.14, a worst
    // of 11 for the Cinepak movie).
    double total = 0;
    int worst = 0;
    for (std::size_t i = 0; i < 640u * 480; ++i) {
        std::uint16_t const pixel = window.picture()[i];
        int const ours[3] = { pixel >> 10 & 0x1F, pixel >> 5 & 0x1F, pixel & 0x1F };
        for (int c = 0; c < 3; ++c) {
            int const theirs = static_cast<std::uint8_t>(reference[i * 3 + static_cast<std::size_t>(c)]) >> 3;
            int const difference = std::abs(ours[c] - theirs);
            total += difference;
            worst = std::max(worst, difference);
        }
    }
    double const mean = total / (640.0 * 480 * 3);
    EXPECT_LE(mean, 0.01) << "worst " << worst;
    EXPECT_LE(worst, 1) << "mean " << mean;
}

INSTANTIATE_TEST_SUITE_P(TestFiles, EveryMovie,
    // 20, 29.97, 2 and 10 pictures a second.
    ::testing::Values(MovieFile { "riffparse-test-mjpeg-pcm.avi", 1000, 10, 505 },
        MovieFile { "vidsrc-test-rawbgr24.avi", 1602, 24, 810 },
        MovieFile { "wine-searching.avi", 1000, 1, 505 },
        MovieFile { "generated/ffmpeg-cinepak-pcmu8.avi", 2000, 5, 505 },
        MovieFile { "generated/ffmpeg-mjpeg-adpcmima.avi", 2000, 5, 505 },
        MovieFile { "generated/ffmpeg-msvideo1-adpcmms.avi", 2000, 5, 505 }),
    [](const ::testing::TestParamInfo<MovieFile>& param) { return "Movie" + std::to_string(param.index); });

// ---------------------------------------------------------------------------------------------------
// midi-render
// ---------------------------------------------------------------------------------------------------

TEST(MidiRender, GivesSoundOfTheSongsLength)
{
    testing::TemporaryFolder folder;
    std::string const out = (folder.path() / "out.wav").string();
    app::CommandLine line;
    line.action = app::Action::MidiRender;
    line.operands = { (kData / "midi" / "yubatake-GameOver.mid").string(), out };
    ASSERT_EQ(app::run_midi_render(line), 0);
    std::string const wave = read(out);
    ASSERT_GT(wave.size(), 44u);
    auto const le32 = [&wave](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(wave[at]))
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wave[at + 1])) << 8
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wave[at + 2])) << 16
            | static_cast<std::uint32_t>(static_cast<std::uint8_t>(wave[at + 3])) << 24;
    };
    EXPECT_EQ(wave.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(24), 44100u);
    std::uint32_t const data_bytes = le32(40);
    ASSERT_EQ(data_bytes, wave.size() - 44);
    // 7680 ticks at 400000 us a quarter and 6720 at 600000, 960 ticks a quarter: 3.2 s + 4.2 s.
    double const seconds = data_bytes / 4.0 / 44100.0;
    EXPECT_NEAR(seconds, 7.4, 0.150);
    // Sound in every second after the first notes (tick 1920, 0.8 s in): loud while notes start
    // (until the last note-ons, 4.55 s in), then the held last chord fading until its note-offs.
    std::size_t const frames = data_bytes / 4;
    for (std::size_t second = 1; second < 7; ++second) {
        int loudest = 0;
        for (std::size_t frame = second * 44100; frame < std::min(frames, (second + 1) * 44100); ++frame) {
            auto const sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(wave[44 + frame * 4])
                | static_cast<std::uint8_t>(wave[44 + frame * 4 + 1]) << 8);
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        EXPECT_GT(loudest, second < 5 ? 1000 : 100) << "second " << second;
    }
}

// ---------------------------------------------------------------------------------------------------
// Damaged files
// ---------------------------------------------------------------------------------------------------

// The first `keep` parts in 1000 of a test file, as data/<to> of the game.
void cut(testing::TestGame& game, const std::string& from, const std::string& to, int keep)
{
    std::string const whole = read(kData / from);
    game.folder().write("data/" + to, whole.substr(0, whole.size() * static_cast<std::size_t>(keep) / 1000));
}

TEST(DamagedFiles, CutShortFilesLeaveTheirMediumSilentAndTheGameGoesOn)
{
    for (int keep : { 0, 3, 100, 500, 900, 999 }) {
        SCOPED_TRACE(keep);
        testing::TestGame game;
        cut(game, "midi/avgvst-Victory.mid", "cut.mid", keep);
        cut(game, "wav/corkami-riff.wav", "cut.wav", keep);
        cut(game, "mp3/corkami-mp3.mp3", "cut.mp3", keep);
        cut(game, "avi/generated/ffmpeg-msvideo1-adpcmms.avi", "cut.avi", keep);
        game.write_script("config", "# no settings\n");
        game.write_script(
            "start", ".mid cut 1\n.wav cut 1\n.mp3 cut 1\n.avi cut 0 0 0\n.wat 3000\n.mid stop\n");
        ASSERT_TRUE(game.load_and_start());
        std::uint32_t const started = game.clock().now();
        game.run();
        // Whatever of each file could be played took at most its whole length: 334 ms of sound and
        // 2 s of movie, then the 3 s wait.
        EXPECT_LE(game.clock().now() - started, 3000u + 334 + 2000 + 50);
        EXPECT_GE(game.clock().now() - started, 3000u);
        // The MIDI file lost its end: its last chunk runs past the file, and the song is refused.
        if (keep < 1000) {
            EXPECT_FALSE(game.engine().midi->has_song());
        }
    }
}

} // namespace
} // namespace advplay::media

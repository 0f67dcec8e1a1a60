// .wav, .mp3, .cda and .avi run headless through the interpreter: what the devices were asked to do
// and when, how their end reports come back, what a failing device writes, and the movie's states.
#include "media/media_commands.h"

#include "app/frame_loop.h"
#include "common/engine_texts.h"
#include "media/cd_audio.h"
#include "media/media_devices.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace advplay::media {
namespace {

using script::State;

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;

std::string read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Real files whose sound lasts exactly this long (ffprobe agrees).
constexpr const char* kTwoSecondWav = "wav/mutagen-silence-2s-PCM-16000-08-notags.wav";
constexpr const char* kShortWav = "wav/corkami-riff.wav"; // 334 ms
constexpr const char* kOneSecondWav = "wav/tinytag-silence-22khz-mono-1s.wav"; // 999 ms
constexpr const char* kTenthWav = "wav/tinytag-16bit_pcm.wav"; // 100 ms

// Runs actions at chosen virtual times between two passes, as scripted input does.
class TimedActions final : public app::FrameHooks {
public:
    void at(std::uint32_t ms, std::function<void(Engine&)> action)
    {
        m_actions.push_back({ ms, std::move(action) });
    }
    void before_events(Engine& engine) override
    {
        for (auto& [when, action] : m_actions) {
            if (action && engine.platform.clock.now() >= when) {
                auto run = std::move(action);
                action = nullptr;
                run(engine);
            }
        }
    }

private:
    std::vector<std::pair<std::uint32_t, std::function<void(Engine&)>>> m_actions;
};

void click(Engine& engine, platform::MouseButton button)
{
    platform::Event event;
    event.type = platform::EventType::ButtonDown;
    event.button = button;
    event.x = 10;
    event.y = 10;
    engine.platform.window.post_event(event);
    event.type = platform::EventType::ButtonUp;
    engine.platform.window.post_event(event);
}

class MediaCommandsTest : public ::testing::Test {
protected:
    void copy(const char* from, const std::string& to) { m_game.folder().write(to, read(kData / from)); }
    // Runs the script to its end; the virtual time at the end.
    std::uint32_t run(std::string_view script, app::FrameHooks* actions = nullptr)
    {
        m_game.write_script("config", "# no settings\n");
        m_game.write_script("start", script);
        EXPECT_TRUE(m_game.load_and_start());
        app::frame_loop(m_game.engine(), { std::nullopt, 1'000'000 }, actions);
        return m_game.clock().now();
    }
    // What the devices were asked after start-up, which wakes the sound output with a tiny sound.
    std::vector<std::string> log()
    {
        auto const& all = m_game.media().log();
        if (all.empty() || all.front() != "effect image 48 bytes") {
            ADD_FAILURE() << "no warm-up sound at start-up";
            return all;
        }
        return { all.begin() + 1, all.end() };
    }
    const std::string& latest_error() { return m_game.engine().internal_errors.latest; }

    testing::TestGame m_game;
};

// ---------------------------------------------------------------------------------------------------
// .wav
// ---------------------------------------------------------------------------------------------------

TEST_F(MediaCommandsTest, WavModes)
{
    copy(kTwoSecondWav, "data/long.wav");
    copy(kShortWav, "data/se/click.wav");
    // Mode 0 returns at once; mode 1 holds the script for the sound's 2000 ms; mode 2 loops until a
    // stop; another mode and "stop" with an unknown extension-less name do nothing more.
    std::uint32_t const end = run(".wav long\n.wav long 1\n.wav se\\click 2\n.wav long 5\n.wav stop\n");
    EXPECT_EQ(log(),
        (std::vector<std::string> { "effect long.wav once 2000 ms", "effect long.wav once 2000 ms",
            "effect click.wav loop 334 ms", "stop effect" }));
    EXPECT_EQ(end, 2000u);
    // The window kept painting while the script waited.
    EXPECT_GE(m_game.window().paint_requests_handled(), 1000);
}

TEST_F(MediaCommandsTest, WavRunsAfterThePendingWait)
{
    copy(kShortWav, "data/a.wav");
    m_game.enable_trace();
    run(".wat 300\n.wav a 1\n");
    // The deferred command ran when the 300 ms had passed, and then waited out its 334 ms.
    EXPECT_EQ(m_game.clock().now(), 634u);
}

TEST_F(MediaCommandsTest, MissingOrBrokenWavSilencesTheEffect)
{
    copy(kShortWav, "data/a.wav");
    copy("wav/tinytag-invalid_file.wav", "data/broken.wav");
    std::uint32_t const end = run(".wav a 2\n.wav nothere 0\n.wav a 2\n.wav broken 1\n");
    EXPECT_EQ(log(),
        (std::vector<std::string> { "effect a.wav loop 334 ms", "stop effect", "effect a.wav loop 334 ms",
            "effect broken.wav once failed" }));
    EXPECT_FALSE(m_game.media().effect_playing());
    EXPECT_EQ(end, 0u) << "a sound that cannot play holds nothing";
}

// An effect is a WAV file, as the system's sound call played them: an MP3 under a .wav name is not
// played, nor a WAV whose format gives no channels.
TEST_F(MediaCommandsTest, AnEffectThatIsNoPlayableWavIsNotPlayed)
{
    copy("mp3/tinytag-mpeg1_44_1khz_cbr.mp3", "data/music.wav");
    copy(kShortWav, "data/a.wav");
    std::ifstream in(std::filesystem::path(ADVPLAY_TESTDATA_DIR) / kShortWav, std::ios::binary);
    std::string silent((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    silent[22] = silent[23] = 0;
    m_game.folder().write("data/silent.wav", silent);
    run(".wav music 0\n.wav silent 0\n.wav a 0\n");
    EXPECT_EQ(log(),
        (std::vector<std::string> {
            "effect music.wav once failed", "effect silent.wav once failed", "effect a.wav once 334 ms" }));
}

// ---------------------------------------------------------------------------------------------------
// .mp3
// ---------------------------------------------------------------------------------------------------

TEST_F(MediaCommandsTest, Mp3LoopsFromTheStartAtEachEnd)
{
    copy(kOneSecondWav, "data/bgm.mp3");
    run(".mp3 bgm 1\n.wat 2500\n.mp3 stop\n.wat 10\n");
    // Each end report plays it again, and Play stops the play that has just ended first; the last
    // stop is the command's.
    EXPECT_EQ(log(),
        (std::vector<std::string> { "open music bgm.mp3 -> 1 (999 ms)", "play music 1 notify", "stop 1",
            "play music 1 notify", "stop 1", "play music 1 notify", "stop 1" }));
    CMIDIOutput const& mp3 = m_game.engine().media.mp3;
    EXPECT_FALSE(mp3.playing());
    EXPECT_EQ(mp3.device(), 1) << "the device stays open after a stop";
}

TEST_F(MediaCommandsTest, Mp3WithoutLoopStopsAtItsEndAndANewFileClosesTheOld)
{
    copy("mp3/corkami-mp3.mp3", "data/a.mp3");
    copy(kOneSecondWav, "data/b.mp3");
    run(".mp3 a\n.wat 1500\n.mp3 b 0\n.wat 10\n");
    ASSERT_EQ(log().size(), 6u);
    EXPECT_TRUE(log()[0].starts_with("open music a.mp3 -> 1 ("));
    // The end report stops it (and asks where it stopped).
    EXPECT_EQ(log()[2], "stop 1");
    EXPECT_EQ(log()[3], "close 1");
    EXPECT_EQ(log()[4], "open music b.mp3 -> 2 (999 ms)");
    EXPECT_EQ(log()[5], "play music 2 notify");
    EXPECT_TRUE(latest_error().empty());
}

TEST_F(MediaCommandsTest, Mp3DeviceMessages)
{
    copy("mp3/tinytag-incomplete.mp3", "data/cut.mp3");
    run(".mp3 nothere 1\n");
    EXPECT_EQ(latest_error(), texts::kMp3OpenFailed.sjis);
    EXPECT_EQ(latest_error(), testing::sjis("CMIDIOutput::Mp3デバイスがオープンできない。"));
    m_game.engine().internal_errors.latest.clear();
    (void)m_game.engine().media.mp3.Stop();
    EXPECT_TRUE(latest_error().empty()) << "stop of a closed device: result 1, no message";

    CMIDIOutput& mp3 = m_game.engine().media.mp3;
    mp3.SetFile("data\\cut.mp3");
    EXPECT_EQ(mp3.Play(), 1);
    EXPECT_EQ(latest_error(), testing::sjis("CMIDIOutput::Mp3デバイスがオープンできない。"));
}

// ---------------------------------------------------------------------------------------------------
// .cda
// ---------------------------------------------------------------------------------------------------

TEST(TrackFiles, Names)
{
    EXPECT_EQ(track_number("track01.ogg"), 1);
    EXPECT_EQ(track_number("Track7.MP3"), 7);
    EXPECT_EQ(track_number("TRACK_12.flac"), 12);
    EXPECT_EQ(track_number("track_3.wav"), 3);
    EXPECT_EQ(track_number("Track 99.Ogg"), 99);
    EXPECT_EQ(track_number("track00.ogg"), std::nullopt);
    EXPECT_EQ(track_number("track100.ogg"), std::nullopt);
    EXPECT_EQ(track_number("track.ogg"), std::nullopt);
    EXPECT_EQ(track_number("track01.mid"), std::nullopt);
    EXPECT_EQ(track_number("track 1a.wav"), std::nullopt);
    EXPECT_EQ(track_number("mytrack01.wav"), std::nullopt);
    EXPECT_EQ(track_number("track__1.wav"), std::nullopt);
    EXPECT_EQ(track_number("track-1.wav"), std::nullopt);
}

class CdTest : public MediaCommandsTest {
protected:
    CdTest()
    {
        // Three tracks named three ways, one in the folder "cd", and a file that is no track.
        copy(kTwoSecondWav, "Track 01.WAV");
        copy(kShortWav, "track_2.wav");
        copy(kOneSecondWav, "cd/TRACK03.wav");
        copy(kTenthWav, "trackinfo.wav");
    }
};

TEST_F(CdTest, TrackTableFromTheFiles)
{
    run(".cda 2 0\n");
    CCDDA const& cd = m_game.engine().media.cd;
    ASSERT_EQ(cd.track_count(), 3);
    EXPECT_EQ(cd.track_start(1), 0u);
    EXPECT_EQ(cd.track_start(2), 2000u);
    EXPECT_EQ(cd.track_start(3), 2334u);
    EXPECT_EQ(cd.track_start(4), 3333u);
    ASSERT_GE(log().size(), 2u);
    EXPECT_EQ(log()[0], "open disc Track 01.WAV track_2.wav TRACK03.wav -> 1");
    EXPECT_EQ(log()[1], "play disc 1 from 2000 to 2334 notify");
}

// Runs a shell command; its standard output.
std::string command_output(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        text += buffer;
    return text;
}

TEST(CdTracks, OggFlacAndMp3RipsMakeTheTable)
{
    testing::TestGame game;
    std::filesystem::path const root = game.folder().path();
    // Made here by FFmpeg's command-line tool: 1 s Vorbis, 1.5 s FLAC, 0.5 s MP3 (which its encoder
    // pads).
    std::string const tone = "ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=";
    ASSERT_EQ(std::system((tone + "1 -c:a libvorbis '" + (root / "track01.ogg").string() + "'").c_str()), 0);
    std::filesystem::create_directories(root / "cd");
    ASSERT_EQ(
        std::system((tone + "1.5 -c:a flac '" + (root / "cd" / "Track 2.FLAC").string() + "'").c_str()), 0);
    ASSERT_EQ(
        std::system((tone + "0.5 -c:a libmp3lame '" + (root / "track_03.mp3").string() + "'").c_str()), 0);
    // ffprobe's own count: the sum of each file's packet durations.
    auto const length_ms = [](const std::filesystem::path& file) {
        std::string const text
            = command_output("ffprobe -v error -select_streams a -show_entries packet=duration_time "
                             "-of csv=p=0 '"
                + file.string() + "'");
        double seconds = 0;
        std::istringstream lines(text);
        // Some packets state no duration: their lines are empty.
        for (std::string line; std::getline(lines, line);)
            seconds += std::strtod(line.c_str(), nullptr);
        return seconds * 1000;
    };
    double const one = length_ms(root / "track01.ogg");
    double const two = length_ms(root / "cd" / "Track 2.FLAC");
    double const three = length_ms(root / "track_03.mp3");
    game.write_script("config", "# no settings\n");
    game.write_script("start", ".cda 2 0\n");
    ASSERT_TRUE(game.load_and_start());
    game.run();
    CCDDA const& cd = game.engine().media.cd;
    ASSERT_EQ(cd.track_count(), 3);
    EXPECT_NEAR(cd.track_start(2), one, 1.0);
    EXPECT_NEAR(cd.track_start(3), one + two, 2.0);
    EXPECT_NEAR(cd.track_start(4), one + two + three, 3.0);
    EXPECT_EQ(game.media().log().at(1), "open disc track01.ogg Track 2.FLAC track_03.mp3 -> 1");
}

TEST_F(CdTest, LoopingTrackPlaysAgainAndStopKeepsTheDiscOpen)
{
    run(".cda 2 1\n.wat 1000\n.cda stop\n.wat 10\n");
    EXPECT_EQ(log(),
        (std::vector<std::string> { "open disc Track 01.WAV track_2.wav TRACK03.wav -> 1",
            "play disc 1 from 2000 to 2334 notify", "play disc 1 from 2000 to 2334 notify",
            "play disc 1 from 2000 to 2334 notify", "stop 1" }));
    CCDDA const& cd = m_game.engine().media.cd;
    EXPECT_TRUE(cd.is_open());
    EXPECT_FALSE(cd.playing());
}

TEST_F(CdTest, TheLastTrackPlaysToTheEndOfTheDisc)
{
    run(".cda 3 1\n.wat 2500\n");
    // Without an end position; the loop plays the same range again at each end.
    EXPECT_EQ(log(),
        (std::vector<std::string> { "open disc Track 01.WAV track_2.wav TRACK03.wav -> 1",
            "play disc 1 from 2334 to end notify", "play disc 1 from 2334 to end notify",
            "play disc 1 from 2334 to end notify" }));
    EXPECT_EQ(m_game.engine().media.cd.range_end(), -1);
}

TEST_F(CdTest, DeviceMessages)
{
    run(".cda 4 0\n");
    EXPECT_EQ(latest_error(), testing::sjis("CCDDA::Playで再生トラックが最大トラック数を超えています"));
    CCDDA& cd = m_game.engine().media.cd;
    EXPECT_EQ(cd.Play(4, 4), 2);
    EXPECT_EQ(cd.Stop(), 2) << "open, not playing: no message";
}

TEST(CdWithoutDisc, MissingDiscFailsOpenWithItsMessages)
{
    testing::TestGame game;
    game.write_script("config", "# no settings\n");
    game.write_script("start", ".cda 1 0\n.cda stop\n");
    ASSERT_TRUE(game.load_and_start());
    auto& errors = game.engine().internal_errors;
    std::vector<std::string> seen;
    errors.debug_output = true;
    errors.debug_sink = [&seen](std::string_view line) { seen.emplace_back(line); };
    game.run();
    // Open fails twice (once more after closing what is held), then Play says so, then Stop.
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0].ends_with(testing::sjis(" SDK 内部エラー : CCDDA::OpenでMCI_OPENに失敗\n")));
    EXPECT_TRUE(seen[1].ends_with(testing::sjis(" SDK 内部エラー : CCDDA::Playで、Openに失敗。\n")));
    EXPECT_TRUE(seen[2].ends_with(
        testing::sjis(" SDK 内部エラー : CCDDA::Stopが、Openされていないのに呼び出されました\n")));
}

// ---------------------------------------------------------------------------------------------------
// Notifications
// ---------------------------------------------------------------------------------------------------

TEST_F(MediaCommandsTest, NotificationsGoToThePlayerThatHoldsTheDevice)
{
    copy(kOneSecondWav, "data/bgm.mp3");
    copy(kShortWav, "track01.wav");
    run(".mp3 bgm 0\n.cda 1 0\n");
    Engine& engine = m_game.engine();
    ASSERT_EQ(engine.media.mp3.device(), 1);
    ASSERT_EQ(engine.media.cd.device(), 2);
    EXPECT_FALSE(route_notification(engine, platform::DeviceNotice::Successful, 7)) << "nobody's device";
    EXPECT_FALSE(route_notification(engine, platform::DeviceNotice::Aborted, 1)) << "not an end of play";
    EXPECT_TRUE(engine.media.mp3.playing());
    EXPECT_TRUE(route_notification(engine, platform::DeviceNotice::Successful, 1));
    EXPECT_FALSE(engine.media.mp3.playing());
    EXPECT_TRUE(engine.media.cd.playing());
    EXPECT_TRUE(route_notification(engine, platform::DeviceNotice::Successful, 2));
    EXPECT_FALSE(engine.media.cd.playing());
}

// A player that gives every medium the same id, as separate device drivers could: a notification
// is then claimed by the first player in the order CD, MP3, movie.
class SameIdPlayer final : public platform::MediaPlayer {
public:
    platform::MediaId open_music(const std::string&) override { return 5; }
    platform::MediaId open_disc(
        std::span<const std::string> paths, std::vector<std::optional<std::uint32_t>>& lengths) override
    {
        lengths.assign(paths.size(), 1000u);
        return 5;
    }
    bool play_music(platform::MediaId, platform::Window*) override { return ++music_plays, true; }
    bool play_disc(platform::MediaId, std::uint32_t, std::optional<std::uint32_t>, platform::Window*) override
    {
        return ++disc_plays, true;
    }
    std::optional<std::uint32_t> position(platform::MediaId) override { return 0; }
    platform::MediaId open_movie(const std::string&) override { return 5; }
    bool set_movie_window(platform::MediaId, platform::Window*) override { return true; }
    bool fill_movie_window(platform::MediaId) override { return true; }
    bool play_movie(platform::MediaId, bool, platform::Window*) override { return true; }
    bool stop(platform::MediaId, platform::Window*) override { return true; }
    bool close(platform::MediaId) override { return true; }
    std::optional<std::uint32_t> play_effect(const std::string&, platform::EffectMode) override { return {}; }
    std::optional<std::uint32_t> play_effect_image(std::span<const std::uint8_t>) override { return {}; }
    bool effect_playing() override { return false; }
    void stop_effect() override { }
    void set_volumes(int, int, int) override { }
    void update() override { }

    int music_plays { 0 };
    int disc_plays { 0 };
};

TEST_F(MediaCommandsTest, RoutingOrderIsCdThenMp3ThenMovie)
{
    copy(kOneSecondWav, "data/bgm.mp3");
    copy(kShortWav, "track01.wav");
    copy("avi/wine-searching.avi", "data/m.avi");
    SameIdPlayer player;
    Engine& engine = m_game.engine();
    engine.media.link.player = &player;
    engine.media.mp3.SetFile("data\\bgm.mp3");
    engine.media.mp3.SetLoop(true);
    ASSERT_EQ(engine.media.mp3.Play(), 0);
    engine.media.cd.SetLoop(true);
    ASSERT_EQ(engine.media.cd.Play(1), 0);
    engine.media.movie.SetFile("data\\m.avi");
    ASSERT_EQ(engine.media.movie.Play(), 0);
    ASSERT_EQ(player.disc_plays, 1);
    ASSERT_EQ(player.music_plays, 1);
    EXPECT_TRUE(route_notification(engine, platform::DeviceNotice::Successful, 5));
    EXPECT_EQ(player.disc_plays, 2) << "the CD took it and played its range again";
    EXPECT_EQ(player.music_plays, 1);
    EXPECT_TRUE(engine.media.movie.IsPlaying());
    // Once the CD and the MP3 are closed, the movie gets it.
    (void)engine.media.cd.Close();
    (void)engine.media.mp3.Close();
    EXPECT_TRUE(route_notification(engine, platform::DeviceNotice::Successful, 5));
    EXPECT_FALSE(engine.media.movie.IsPlaying());
    (void)engine.media.movie.Close();
    engine.media.link.player = &m_game.media();
}

// ---------------------------------------------------------------------------------------------------
// .avi
// ---------------------------------------------------------------------------------------------------

class MovieTest : public MediaCommandsTest {
protected:
    MovieTest() { copy("avi/wine-searching.avi", "data/movie dir/search.avi"); }

    void expect_window_shows_display()
    {
        graphics::Surface const& display = m_game.engine().graphics.display_surface;
        auto const& picture = m_game.window().picture();
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x)
                ASSERT_EQ(picture[static_cast<std::size_t>(y) * 640 + x], display.row(y)[x]) << x << "," << y;
        }
    }
    // Counts the passes during the movie in which the window did not show the display.
    class Watch final : public app::FrameHooks {
    public:
        explicit Watch(MovieTest& test)
            : m_test(test)
        {
        }
        void before_events(Engine& engine) override
        {
            if (engine.interpreter.state != State::MoviePlaying)
                return;
            auto const& picture = m_test.m_game.window().picture();
            graphics::Surface const& display = engine.graphics.display_surface;
            for (int y = 0; y < 480; ++y) {
                if (!std::equal(display.row(y), display.row(y) + 640, picture.begin() + y * 640)) {
                    ++m_test.m_movie_pictures;
                    return;
                }
            }
        }

    private:
        MovieTest& m_test;
    };
    int m_movie_pictures { 0 };
};

TEST_F(MovieTest, PlaysToItsEndThenTheScriptGoesOnWithTheScreenShownAgain)
{
    Watch watch(*this);
    std::uint32_t const end = run(".avi \"movie dir\\search\" 0 0 0\n", &watch);
    // One second of movie, then the pass that finds it ended.
    EXPECT_GE(end, 1000u);
    EXPECT_LE(end, 1010u);
    ASSERT_EQ(log().size(), 5u);
    EXPECT_EQ(log()[0], "open movie search.avi -> 1");
    EXPECT_EQ(log()[1], "movie window 1");
    EXPECT_EQ(log()[2], "movie fill 1");
    EXPECT_EQ(log()[3], "play movie 1 notify");
    EXPECT_EQ(log()[4], "close 1");
    EXPECT_EQ(m_game.engine().media.movie.file(), "\"data\\movie dir\\search.avi\"");
    // The movie's pictures went to the window; the whole display came back over them.
    EXPECT_GT(m_movie_pictures, 0);
    expect_window_shows_display();
}

TEST_F(MovieTest, AcceptedClickEndsItEarly)
{
    TimedActions actions;
    std::vector<State> seen;
    actions.at(100, [&seen](Engine& engine) { seen.push_back(engine.interpreter.state); });
    actions.at(300, [](Engine& engine) { click(engine, platform::MouseButton::Right); });
    actions.at(400, [](Engine& engine) { click(engine, platform::MouseButton::Left); });
    // Right 2: the right button does nothing; left 0 ends it.
    std::uint32_t const end = run(".avi \"movie dir\\search\" 1 0 2\n", &actions);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], State::MoviePlaying);
    EXPECT_GE(end, 400u);
    EXPECT_LE(end, 410u);
    EXPECT_EQ(log()[3], "play movie 1 repeat");
    EXPECT_EQ(log().back(), "close 1");
    EXPECT_FALSE(m_game.engine().input.right_accept);
    EXPECT_TRUE(m_game.engine().input.left_accept);
}

TEST_F(MovieTest, SkipCutsAMovieAClickMayEndButNotOneItMayNot)
{
    TimedActions actions;
    actions.at(100, [](Engine& engine) {
        engine.comforts.settings.skip = SkipMode::All;
        engine.comforts.ctrl_held = true;
    });
    std::uint32_t const end
        = run(".avi \"movie dir\\search\" 0 0 0\n.avi \"movie dir\\search\" 0 2 0\n", &actions);
    // The first is cut at 100 ms as a left click would; the second, which the left button may not
    // end, plays its whole second.
    EXPECT_GE(end, 1100u);
    EXPECT_LE(end, 1120u);
}

TEST_F(MovieTest, AMovieEndsTheHurryOfTheLineBeforeIt)
{
    TimedActions actions;
    bool hurried_during_movie = true;
    actions.at(5, [](Engine& engine) { engine.text.window.skip_rest = true; });
    actions.at(50, [&hurried_during_movie](Engine& engine) {
        EXPECT_EQ(engine.interpreter.state, State::MoviePlaying);
        hurried_during_movie = engine.text.window.skip_rest;
    });
    run(".wat 10\n.avi \"movie dir\\search\" 0 0 0\n", &actions);
    EXPECT_FALSE(hurried_during_movie);
}

TEST_F(MovieTest, LeftThreeSkipsTheMovie)
{
    EXPECT_EQ(run(".avi \"movie dir\\search\" 0 3 0\n"), 0u);
    EXPECT_TRUE(log().empty());
}

TEST_F(MovieTest, LeftOneSkipsWhileTheLeftButtonIsHeld)
{
    TimedActions actions;
    actions.at(0, [](Engine& engine) { engine.input.left_down = true; });
    EXPECT_EQ(run(".wat 10\n.avi \"movie dir\\search\" 0 1 0\n", &actions), 10u);
    EXPECT_TRUE(log().empty());
}

TEST_F(MovieTest, MissingMovieReportsAndGoesOn)
{
    std::uint32_t const end = run(".avi nothere 0 0 0\n");
    EXPECT_LE(end, 10u);
    EXPECT_EQ(latest_error(), testing::sjis("CAVIOutput::AVIデバイスがオープンできない。"));
}

} // namespace
} // namespace advplay::media

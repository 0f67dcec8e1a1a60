// The real sound path, captured: SDL's disk audio driver writes what a device would play into a file,
// so a test can tell sound from silence. Each test opens one device, because the driver writes every
// device it opens to the same file. The driver plays in real time, so each test lasts about a second.
#include "platform/sdl/fluid_synthesizer.h"
#include "platform/sdl/sdl_media_player.h"
#include "platform/sdl/sdl_synth_out.h"
#include "platform/sdl/steady_clock.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace advplay::platform {
namespace {

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;
// The demo's chime: loud from its first sample, made by tools/make_demo_media.py.
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

    testing::TemporaryFolder m_folder;
};

TEST_F(DiskAudio, ASoundEffectIsMixedIntoTheOutput)
{
    {
        SteadyClock clock;
        SdlMediaPlayer player(clock);
        auto const length = player.play_effect(kChime.string(), EffectMode::Once);
        ASSERT_TRUE(length) << "the mixer did not open on the disk driver";
        EXPECT_EQ(*length, 600u);
        for (int i = 0; i < 200 && player.effect_playing(); ++i)
            wait_ms(10);
        EXPECT_FALSE(player.effect_playing());
    }
    EXPECT_GT(loudest(), 8000);
}

TEST_F(DiskAudio, Mp3MusicIsMixedIntoTheOutput)
{
    {
        SteadyClock clock;
        SdlMediaPlayer player(clock);
        MediaId const id = player.open_music((kData / "mp3" / "corkami-mp3.mp3").string());
        ASSERT_NE(id, kNoMedia);
        ASSERT_TRUE(player.play_music(id, nullptr));
        wait_ms(600);
        EXPECT_TRUE(player.close(id));
    }
    EXPECT_GT(loudest(), 8000);
}

TEST_F(DiskAudio, TheSynthesiserSoundsANote)
{
    {
        SdlSynthOut synthesizer(kDefaultSoundFont);
        ASSERT_EQ(synthesizer.error(), "");
        ASSERT_TRUE(synthesizer.open());
        synthesizer.send_short(0x7F3C90); // middle C, full velocity, channel 1
        wait_ms(500);
        synthesizer.send_short(0x403C80);
    }
    EXPECT_GT(loudest(), 1000);
}

TEST_F(DiskAudio, SilenceStaysSilent)
{
    {
        SdlSynthOut synthesizer(kDefaultSoundFont);
        ASSERT_EQ(synthesizer.error(), "");
        wait_ms(200);
    }
    EXPECT_LT(loudest(), 16);
}

} // namespace
} // namespace advplay::platform

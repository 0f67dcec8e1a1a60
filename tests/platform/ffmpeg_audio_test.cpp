// Sound decoding with FFmpeg: lengths against what the decoder gives, and sounds whose headers claim
// more than any sound has.
#include "platform/ffmpeg/ffmpeg_audio.h"

#include "support/test_game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace advplay::platform {
namespace {

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;

// How long the decoder's sound lasts, in whole milliseconds, read out at 48 kHz.
std::uint64_t decoded_ms(const std::string& path)
{
    constexpr int kRate = 48'000;
    AudioDecoder decoder;
    if (!decoder.open(path, kRate))
        return 0;
    std::vector<std::int16_t> scratch(2 * 4096);
    std::uint64_t frames = 0;
    while (std::size_t const got = decoder.read(scratch.data(), 4096))
        frames += got;
    return frames * 1000 / kRate;
}

// MP3 lengths count the encoder's padding, which the decoder drops; a WAV has none of that.
TEST(FfmpegAudio, AWaveLastsAsLongAsItsDecodedSound)
{
    int measured = 0;
    for (auto const& entry : std::filesystem::directory_iterator(kData / "wav")) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        auto const length = audio_length_ms(entry.path().string());
        std::uint64_t const decoded = decoded_ms(entry.path().string());
        if (!length) {
            EXPECT_EQ(decoded, 0u);
            continue;
        }
        // The resampler may round the last millisecond either way.
        EXPECT_LE(std::max<std::uint64_t>(*length, decoded) - std::min<std::uint64_t>(*length, decoded), 1u)
            << *length << " ms, decoded " << decoded;
        ++measured;
    }
    EXPECT_GE(measured, 12);
}

// A WAV header that claims 67 million samples a second (a damaged rate field): the resampler would
// take minutes and gigabytes to prepare for it, so the sound is not played and has no length.
TEST(FfmpegAudio, ASoundAtAnImpossibleRateIsNotPlayed)
{
    testing::TemporaryFolder folder;
    std::string wave("RIFF\x34\x00\x00\x00WAVEfmt \x10\x00\x00\x00", 20);
    // PCM, 1 channel, 0x04001F40 samples a second, byte rate, block align 2, 16 bits.
    wave += std::string("\x01\x00\x01\x00\x40\x1F\x00\x04\x80\x3E\x00\x08\x02\x00\x10\x00", 16);
    wave += std::string("data\x10\x00\x00\x00", 8);
    wave += std::string(16, '\x01');
    folder.write("rate.wav", wave);
    std::string const path = (folder.path() / "rate.wav").string();
    EXPECT_EQ(decoded_ms(path), 0u);
    EXPECT_EQ(audio_length_ms(path).value_or(0), 0u);
}

} // namespace
} // namespace advplay::platform

// RIFF chunk lengths fitted to the file: what a sound reader is allowed to believe.
#include "platform/riff_chunks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace advplay::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

std::uint32_t le32_at(const Bytes& file, std::size_t at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, file.data() + at, 4);
    return value;
}

Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(RiffChunks, WholeFilesAndOtherFormatsAreLeftAsTheyAre)
{
    for (auto const& entry :
        std::filesystem::directory_iterator(std::filesystem::path(ADVPLAY_TESTDATA_DIR) / "wav")) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        Bytes const file = read_file(entry.path());
        Bytes fitted = file;
        fit_riff_chunks(fitted);
        // The suite's files are whole, save those whose RIFF length is wrong on purpose.
        if (file.size() >= 8 && le32_at(file, 4) > file.size() - 8) {
            EXPECT_EQ(le32_at(fitted, 4), file.size() - 8);
            continue;
        }
        EXPECT_EQ(fitted, file);
    }
    Bytes mp3 = bytes_of("ID3\x03\x00\x00\x00\x00\x00\x00\xFF\xFB");
    Bytes const before = mp3;
    fit_riff_chunks(mp3);
    EXPECT_EQ(mp3, before);
}

TEST(RiffChunks, AChunkThatClaimsMoreThanTheFileHoldsIsCutToWhatIsThere)
{
    // RIFF claiming 76 bytes, "fmt " of 16 bytes, "LIST" of 3 bytes and its pad byte, then "data"
    // claiming 2.5 GB with 6 bytes present.
    Bytes file = bytes_of(std::string("RIFF\x4C\x00\x00\x00WAVE", 12));
    file.insert(file.end(), { 'f', 'm', 't', ' ', 16, 0, 0, 0 });
    file.insert(file.end(), 16, 1);
    file.insert(file.end(), { 'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0 });
    std::size_t const data_at = file.size();
    file.insert(file.end(), { 'd', 'a', 't', 'a', 0x10, 0xEA, 0xC7, 0x97, 1, 2, 3, 4, 5, 6 });
    fit_riff_chunks(file);
    EXPECT_EQ(le32_at(file, 4), file.size() - 8);
    EXPECT_EQ(le32_at(file, 16), 16u) << "a chunk that fits keeps its length";
    EXPECT_EQ(le32_at(file, data_at + 4), 6u);

    // The file the fuzzer found: 92 bytes whose data chunk claims 2,546,461,200.
    Bytes found = read_file(std::filesystem::path(ADVPLAY_FUZZ_CORPUS_DIR) / "media_fuzz"
        / "oom-wav-data-chunk-claims-2-5-gb.wav");
    ASSERT_EQ(found.size(), 92u);
    fit_riff_chunks(found);
    EXPECT_EQ(le32_at(found, 0x40), 92u - 0x44);
}

TEST(RiffChunks, ShortFilesAreNeverReadOrWrittenPastTheirEnd)
{
    for (std::string const& text : { std::string("RIFF"), std::string("RIFF\xFF\xFF\xFF\xFFWAVEdat", 15) }) {
        Bytes file = bytes_of(text);
        fit_riff_chunks(file);
        EXPECT_EQ(file.size(), text.size());
    }
}

// The mixer's music reader divides by the channels and block size of a WAV's format chunk: a file
// that gives none is kept from it. Every file of the suite that has a format passes.
TEST(RiffChunks, SoundFormatsThatWouldDivideByZeroAreNotPlausible)
{
    for (auto const& entry :
        std::filesystem::directory_iterator(std::filesystem::path(ADVPLAY_TESTDATA_DIR) / "wav")) {
        if (entry.path().extension() == ".wav") {
            SCOPED_TRACE(entry.path().filename().string());
            EXPECT_TRUE(sound_format_plausible(read_file(entry.path())));
        }
    }
    Bytes const found = read_file(std::filesystem::path(ADVPLAY_FUZZ_CORPUS_DIR) / "media_fuzz"
        / "fpe-mixer-music-wav-of-no-channels.wav");
    ASSERT_EQ(found.size(), 84u);
    EXPECT_FALSE(sound_format_plausible(found));
    // The same judgement from the file itself, which an MP3 is never read whole for.
    EXPECT_FALSE(sound_file_plausible((std::filesystem::path(ADVPLAY_FUZZ_CORPUS_DIR) / "media_fuzz"
        / "fpe-mixer-music-wav-of-no-channels.wav")
                                          .string()));
    EXPECT_TRUE(sound_file_plausible(
        (std::filesystem::path(ADVPLAY_TESTDATA_DIR) / "mp3" / "tinytag-mpeg1_44_1khz_cbr.mp3").string()));
    EXPECT_FALSE(sound_file_plausible("/nonexistent/advplay/music.mp3"));

    // PCM, 2 channels, 44100 Hz, block size 4, 16 bits; then each field spoilt in turn.
    Bytes wave = bytes_of(std::string("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00", 20));
    wave.insert(wave.end(), { 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0 });
    wave.insert(wave.end(), { 'd', 'a', 't', 'a', 0, 0, 0, 0 });
    EXPECT_TRUE(sound_format_plausible(wave));
    for (std::size_t const field : { 22u, 24u, 32u, 34u }) {
        Bytes spoilt = wave;
        spoilt[field] = 0;
        spoilt[field + 1] = 0;
        if (field == 24u)
            spoilt[26] = 0xFF;
        EXPECT_FALSE(sound_format_plausible(spoilt)) << "field at " << field;
    }
    Bytes no_format = wave;
    std::memcpy(no_format.data() + 12, "junk", 4);
    EXPECT_FALSE(sound_format_plausible(no_format));
    EXPECT_TRUE(sound_format_plausible(bytes_of("ID3\x03 an MP3 is the decoder's to judge")));
}

} // namespace
} // namespace advplay::platform

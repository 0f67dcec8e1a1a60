// The image plug-in decoder with real shared libraries: the search order, unloading, the input block,
// the conversion of the plug-in's output, and plug-ins that lack a function.
#include "graphics/picture_plugins.h"

#include "platform/codecs/host_image_codecs.h"
#include "platform/posix/host_files.h"
#include "support/bitmap_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

namespace advplay::graphics {
namespace {

using testing::Bytes;

constexpr Pixel kRed = 0x7C00;
constexpr Pixel kBlue = 0x001F;

// A picture in the test plug-ins' format: magic, depth, width, height, then the DIB's pixel data.
Bytes plugin_picture(
    const char* magic, std::uint8_t depth, std::uint8_t width, std::uint8_t height, const Bytes& bits)
{
    Bytes bytes(magic, magic + 4);
    bytes.insert(bytes.end(), { depth, width, height });
    bytes.insert(bytes.end(), bits.begin(), bits.end());
    return bytes;
}

// A 2 x 1 24-bit picture: red, blue.
Bytes two_pixels(const char* magic)
{
    return plugin_picture(magic, 24, 2, 1, { 0, 0, 0xFF, 0xFF, 0, 0, 0, 0 });
}

class PicturePlugins : public ::testing::Test {
protected:
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };
    platform::HostImageCodecs codecs;
    PictureSources sources { files, &codecs, "plugins" };

    void install(const char* library, const std::string& name) const
    {
        std::filesystem::create_directories(folder.path() / "plugins");
        std::filesystem::copy_file(library, folder.path() / "plugins" / name);
    }
    void write(const std::string& relative, const Bytes& bytes) const
    {
        folder.write(relative, testing::text_of(bytes));
    }
    std::string log() const { return folder.read("plugins/plugins.log"); }
    void clear_log() const { std::filesystem::remove(folder.path() / "plugins" / "plugins.log"); }

    static unsigned long sum_of(const Bytes& bytes, std::size_t count)
    {
        return std::accumulate(
            bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size())), 0ul);
    }
};

TEST_F(PicturePlugins, TheFirstPluginThatAcceptsDecodesAndTheOthersAreUnloadedFirst)
{
    install(ADVPLAY_TEST_PLUGIN_A, "a.spi");
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    Bytes const file = two_pixels("BPIC");
    write("data/pic.bpc", file);
    Surface surface;
    ASSERT_TRUE(load_picture(surface, sources, "data\\pic.bpc"));
    EXPECT_EQ(surface.width(), 2);
    EXPECT_EQ(surface.height(), 1);
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(1, 0), kBlue);
    EXPECT_EQ(surface.alpha_mask(), nullptr);
    std::string const sum = std::to_string(sum_of(file, file.size()));
    EXPECT_EQ(log(),
        "A load\n"
        "A IsSupported data\\pic.bpc "
            + sum
            + "\n"
              "A unload\n"
              "B load\n"
              "B IsSupported data\\pic.bpc "
            + sum
            + "\n"
              "B GetPictureInfo 15 1\n"
              "B GetPicture 15 1 null 0\n"
              "B unload\n");
}

TEST_F(PicturePlugins, TheSearchStopsAtTheFirstThatAccepts)
{
    install(ADVPLAY_TEST_PLUGIN_A, "a.spi");
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    // A 32-bit picture: its fourth bytes become the alpha mask, rows bottom up.
    write("a.pic", plugin_picture("APIC", 32, 1, 2, { 0xFF, 0, 0, 0x10, 0, 0, 0xFF, 0x20 }));
    Surface surface;
    ASSERT_TRUE(load_picture(surface, sources, "a.pic"));
    ASSERT_NE(surface.alpha_mask(), nullptr);
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(0, 1), kBlue);
    EXPECT_EQ(surface.alpha_mask()[0], 0x20);
    EXPECT_EQ(surface.alpha_mask()[1], 0x10);
    EXPECT_EQ(log().find("B "), std::string::npos) << "B is never loaded";
}

TEST_F(PicturePlugins, TheOrderIsTheFolderListingsWhateverTheLetterCase)
{
    write("z.pic", two_pixels("ZPIC"));
    install(ADVPLAY_TEST_PLUGIN_A, "y.spi");
    install(ADVPLAY_TEST_PLUGIN_B, "X.SPI");
    Surface surface;
    ASSERT_TRUE(decode_with_plugins(surface, two_pixels("ZPIC"), "z.pic", sources));
    EXPECT_EQ(log().substr(0, 7), "B load\n") << "X.SPI sorts before y.spi";
    EXPECT_EQ(log().find("A "), std::string::npos);
}

TEST_F(PicturePlugins, OnlySpiLibrariesWithIsSupportedAreAsked)
{
    install(ADVPLAY_TEST_PLUGIN_MUTE, "0mute.spi");
    install(ADVPLAY_TEST_PLUGIN_A, "a.spi.off");
    install(ADVPLAY_TEST_PLUGIN_A, "not-a-plugin.txt");
    std::filesystem::create_directories(folder.path() / "plugins" / "folder.spi");
    write("plugins/junk.spi", Bytes(100, 'x'));
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    Surface surface;
    ASSERT_TRUE(decode_with_plugins(surface, two_pixels("BPIC"), "b.pic", sources));
    std::string const lines = log();
    EXPECT_TRUE(lines.starts_with("MUTE load\nMUTE unload\nB load\n")) << lines;
    EXPECT_EQ(lines.find("A "), std::string::npos);
}

TEST_F(PicturePlugins, APluginWithoutGetPictureEndsTheSearchAndFails)
{
    install(ADVPLAY_TEST_PLUGIN_LAME, "a.spi");
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    Surface surface;
    EXPECT_FALSE(decode_with_plugins(surface, two_pixels("ZPIC"), "z.pic", sources));
    EXPECT_EQ(log(),
        "LAME load\nLAME IsSupported z.pic " + std::to_string(sum_of(two_pixels("ZPIC"), 100))
            + "\nLAME unload\n");
}

TEST_F(PicturePlugins, ASmallFileIsHandedOverInABlockPaddedWithZeros)
{
    install(ADVPLAY_TEST_PLUGIN_A, "a.spi");
    // 3000 bytes: the block is the file itself, and IsSupported reads its first 2048.
    Bytes large = two_pixels("QPIC");
    large.resize(3000, 1);
    Surface surface;
    EXPECT_FALSE(decode_with_plugins(surface, large, "large", sources));
    EXPECT_NE(
        log().find("IsSupported large " + std::to_string(sum_of(large, 2048)) + "\n"), std::string::npos);
    clear_log();
    // 15 bytes: the 2048 it reads are the file and zeros (a sanitizer build sees any read beyond).
    Bytes const small = two_pixels("QPIC");
    EXPECT_FALSE(decode_with_plugins(surface, small, "small", sources));
    EXPECT_NE(
        log().find("IsSupported small " + std::to_string(sum_of(small, 2048)) + "\n"), std::string::npos);
}

TEST_F(PicturePlugins, AnEightBitPictureGoesThroughTheConverter)
{
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    Surface surface;
    ASSERT_TRUE(
        decode_with_plugins(surface, plugin_picture("BPIC", 8, 2, 1, { 0xFF, 0x08, 0, 0 }), "g", sources));
    EXPECT_EQ(surface.at(0, 0), 0x7FFF);
    EXPECT_EQ(surface.at(1, 0), 0x0421);
}

TEST_F(PicturePlugins, NoFolderNoCodecsOrAnAbsurdSizeMeanNoPicture)
{
    install(ADVPLAY_TEST_PLUGIN_B, "b.spi");
    Surface surface;
    PictureSources const no_folder { files, &codecs, {} };
    EXPECT_FALSE(decode_with_plugins(surface, two_pixels("BPIC"), "p", no_folder));
    PictureSources const no_codecs { files, nullptr, "plugins" };
    EXPECT_FALSE(decode_with_plugins(surface, two_pixels("BPIC"), "p", no_codecs));
    PictureSources const missing_folder { files, &codecs, "elsewhere" };
    EXPECT_FALSE(decode_with_plugins(surface, two_pixels("BPIC"), "p", missing_folder));
    EXPECT_EQ(log(), "") << "no plug-in was loaded";

    EXPECT_FALSE(decode_with_plugins(surface, plugin_picture("BPIC", 0, 0, 0, {}), "huge", sources));
    std::string const lines = log();
    EXPECT_EQ(lines.substr(lines.size() - 9), "B unload\n");
    EXPECT_EQ(lines.find("GetPicture "), std::string::npos) << "refused before the picture is asked for";
}

} // namespace
} // namespace advplay::graphics

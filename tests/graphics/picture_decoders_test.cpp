// load_picture and its decoders: the BMP and K16 rules, the PNG refusals, the order of the decoders,
// packed files, and pictures too large to be real.
#include "graphics/picture_decoders.h"

#include "datafile/gplp.h"
#include "platform/codecs/host_image_codecs.h"
#include "platform/posix/host_files.h"
#include "support/bitmap_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace advplay::graphics {
namespace {

using testing::Bytes;
using testing::DibSpec;
using testing::put16;
using testing::put32;

constexpr Pixel kRed = 0x7C00;
constexpr Pixel kBlue = 0x001F;

Bytes read_data_file(const std::string& relative)
{
    std::ifstream in(std::filesystem::path(ADVPLAY_TESTDATA_DIR) / relative, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 2 x 2 24-bit bitmap: bottom row red, blue; top row blue, red.
Bytes small_bmp()
{
    Bytes const bits { 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0 };
    return testing::bmp_file({ .width = 2, .height = 2, .bit_count = 24 }, bits);
}

class PictureDecoders : public ::testing::Test {
protected:
    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };
    platform::HostImageCodecs codecs;
    PictureSources sources { files, &codecs, {} };

    void write(const std::string& relative, const Bytes& bytes) const
    {
        folder.write(relative, testing::text_of(bytes));
    }
};

// ---------------------------------------------------------------------------------------------------
// BMP
// ---------------------------------------------------------------------------------------------------

TEST_F(PictureDecoders, ABottomUpBmpLoadsUpright)
{
    Surface surface;
    ASSERT_TRUE(decode_bmp(surface, small_bmp()));
    EXPECT_EQ(surface.width(), 2);
    EXPECT_EQ(surface.height(), 2);
    EXPECT_EQ(surface.at(0, 0), kBlue);
    EXPECT_EQ(surface.at(1, 0), kRed);
    EXPECT_EQ(surface.at(0, 1), kRed);
    EXPECT_EQ(surface.at(1, 1), kBlue);
    EXPECT_EQ(surface.alpha_mask(), nullptr);
}

TEST_F(PictureDecoders, ABmpNeedsFiftyFourBytesAndItsMagic)
{
    // A 1 x 1 24-bit bitmap is 58 bytes; cut to 53 and 54 it keeps its magic.
    Bytes file = testing::bmp_file({ .width = 1, .height = 1, .bit_count = 24 }, { 0, 0, 0xFF, 0 });
    Surface surface;
    EXPECT_TRUE(decode_bmp(surface, file));
    file.resize(54);
    EXPECT_FALSE(decode_bmp(surface, file)) << "taken, but its pixels are missing";
    file.resize(53);
    EXPECT_FALSE(decode_bmp(surface, file));
    Bytes other = small_bmp();
    other[0] = 'b';
    EXPECT_FALSE(decode_bmp(surface, other));
}

TEST_F(PictureDecoders, ATopDownBmpFailsTheBmpDecoderAndFallsThrough)
{
    Bytes const bits { 0, 0, 0xFF, 0, 0xFF, 0, 0, 0 };
    Bytes const file = testing::bmp_file({ .width = 1, .height = -2, .bit_count = 24 }, bits);
    Surface surface;
    EXPECT_FALSE(decode_bmp(surface, file));
    write("top-down.bmp", file);
    ASSERT_TRUE(load_picture(surface, sources, "top-down.bmp")) << "the general loader reads it";
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(0, 1), kBlue);
    PictureSources const without_codecs { files, nullptr, {} };
    EXPECT_FALSE(load_picture(surface, without_codecs, "top-down.bmp"));
}

TEST_F(PictureDecoders, AThirtyTwoBitBmpCarriesAnAlphaMaskFromItsLastRowFirst)
{
    Bytes const bits {
        0xFF, 0, 0, 0x11, 0, 0, 0xFF, 0x22, // bottom row
        0, 0, 0xFF, 0x33, 0xFF, 0, 0, 0x44, // top row
    };
    Surface surface;
    ASSERT_TRUE(decode_bmp(surface, testing::bmp_file({ .width = 2, .height = 2, .bit_count = 32 }, bits)));
    ASSERT_NE(surface.alpha_mask(), nullptr);
    EXPECT_EQ(surface.at(0, 0), kRed);
    EXPECT_EQ(surface.at(1, 1), kRed);
    EXPECT_EQ(surface.alpha_mask()[0], 0x33);
    EXPECT_EQ(surface.alpha_mask()[1], 0x44);
    EXPECT_EQ(surface.alpha_mask()[2], 0x11);
    EXPECT_EQ(surface.alpha_mask()[3], 0x22);
    // QUIRK: masks that say otherwise change nothing.
    Surface masked;
    DibSpec const spec {
        .width = 2, .height = 2, .bit_count = 32, .compression = 3, .masks = { 0xFF, 0xFF00, 0xFF0000 }
    };
    ASSERT_TRUE(decode_bmp(masked, testing::bmp_file(spec, bits)));
    EXPECT_EQ(masked.at(0, 0), kRed);

    Bytes cut = testing::bmp_file({ .width = 2, .height = 2, .bit_count = 32 }, bits);
    cut.pop_back();
    EXPECT_FALSE(decode_bmp(surface, cut)) << "rows that run past the file";
}

TEST_F(PictureDecoders, APixelOffsetBeyondTheFileFails)
{
    Bytes file = small_bmp();
    file[10] = 0xFF;
    file[11] = 0xFF;
    Surface surface;
    EXPECT_FALSE(decode_bmp(surface, file));
}

TEST_F(PictureDecoders, AnOs2BitmapLoadsThroughTheConverter)
{
    // Wide enough to pass the 54-byte rule: 10 pixels, 32 bytes a row.
    DibSpec const spec { .header_size = 12, .width = 10, .height = 2, .bit_count = 24 };
    Bytes bits(64);
    bits[0] = 0xFF;
    bits[5] = 0xFF;
    Surface surface;
    ASSERT_TRUE(decode_bmp(surface, testing::bmp_file(spec, bits)));
    EXPECT_EQ(surface.width(), 10);
    EXPECT_EQ(surface.height(), 2);
    EXPECT_EQ(surface.at(0, 1), kBlue);
    EXPECT_EQ(surface.at(1, 1), kRed);
    EXPECT_EQ(surface.at(0, 0), 0);
}

// ---------------------------------------------------------------------------------------------------
// K16
// ---------------------------------------------------------------------------------------------------

TEST_F(PictureDecoders, AnEightBitK16MapsIndicesThroughItsPalette)
{
    std::vector<std::uint16_t> palette(256);
    palette[5] = 0x1234;
    palette[6] = 0x7FFF;
    // 3 pixels a row, padded to 4 bytes.
    Bytes const rows { 5, 6, 5, 0, 6, 5, 6, 0 };
    Bytes const file = testing::k16_file(3, 2, 8, palette, rows);
    ASSERT_EQ(file[38], 0x34) << "palette entry 5 lies at offset 38";
    ASSERT_EQ(file[39], 0x12);
    Surface surface;
    ASSERT_TRUE(decode_k16(surface, file));
    EXPECT_EQ(surface.width(), 3);
    EXPECT_EQ(surface.at(0, 0), 0x1234) << "rows are stored top row first";
    EXPECT_EQ(surface.at(1, 0), 0x7FFF);
    EXPECT_EQ(surface.at(0, 1), 0x7FFF);
    EXPECT_EQ(surface.at(2, 1), 0x7FFF);
}

TEST_F(PictureDecoders, ASixteenBitK16IsCopiedWithoutTheUnusedBit)
{
    Bytes rows;
    put16(rows, 0x1234);
    put16(rows, 0); // padding of the 1-pixel row
    put16(rows, 0xFFFF);
    Bytes const file = testing::k16_file(1, 2, 16, {}, rows, 60);
    Surface surface;
    ASSERT_TRUE(decode_k16(surface, file));
    EXPECT_EQ(surface.at(0, 0), 0x1234);
    EXPECT_EQ(surface.at(0, 1), 0x7FFF) << "bit 15 is never set in a pixel";
}

TEST_F(PictureDecoders, AK16OfAnotherDepthIsABlackPicture)
{
    Bytes const file = testing::k16_file(4, 3, 24, {}, Bytes(64), 60);
    Surface surface;
    ASSERT_TRUE(decode_k16(surface, file));
    EXPECT_EQ(surface.width(), 4);
    EXPECT_EQ(surface.height(), 3);
    EXPECT_EQ(surface.at(3, 2), 0);
}

TEST_F(PictureDecoders, AK16NeedsFiftyTwoBytesItsMagicAndAllItsRows)
{
    Surface surface;
    // One pixel a row: 2 bytes and 2 of padding.
    Bytes file = testing::k16_file(1, 2, 16, {}, Bytes(8), 52);
    EXPECT_TRUE(decode_k16(surface, file));
    file.pop_back();
    file.pop_back();
    EXPECT_TRUE(decode_k16(surface, file)) << "the last row may lack its padding";
    file.pop_back();
    EXPECT_FALSE(decode_k16(surface, file));
    EXPECT_FALSE(decode_k16(surface, Bytes(file.begin(), file.begin() + 51)));
    file = testing::k16_file(1, 2, 16, {}, Bytes(8), 52);
    file[2] = '7';
    EXPECT_FALSE(decode_k16(surface, file));
    // An 8-bit picture whose palette the file does not hold.
    EXPECT_FALSE(decode_k16(surface, testing::k16_file(1, 1, 8, {}, Bytes(4), 52)));
    file = testing::k16_file(1, 1, 16, {}, Bytes(4), 52);
    file[8] = 0xF0;
    file[11] = 0xFF;
    EXPECT_FALSE(decode_k16(surface, file)) << "rows beyond the file";
}

// ---------------------------------------------------------------------------------------------------
// PNG
// ---------------------------------------------------------------------------------------------------

TEST_F(PictureDecoders, PngColourTypesAndTransparency)
{
    Surface surface;
    ASSERT_TRUE(decode_png(surface, read_data_file("png/basn6a08.png"), &codecs));
    EXPECT_NE(surface.alpha_mask(), nullptr) << "RGBA makes a mask";
    ASSERT_TRUE(decode_png(surface, read_data_file("png/basn2c08.png"), &codecs));
    EXPECT_EQ(surface.alpha_mask(), nullptr) << "RGB makes none";
    EXPECT_TRUE(decode_png(surface, read_data_file("png/basn3p08.png"), &codecs)) << "palette without tRNS";
    EXPECT_TRUE(decode_png(surface, read_data_file("png/basn2c16.png"), &codecs)) << "16 bits a channel";
    EXPECT_FALSE(decode_png(surface, read_data_file("png/tbbn3p08.png"), &codecs)) << "palette with tRNS";
    EXPECT_FALSE(decode_png(surface, read_data_file("png/basn4a08.png"), &codecs)) << "grey with alpha";
    EXPECT_FALSE(decode_png(surface, read_data_file("png/basn2c08.png"), nullptr)) << "no codecs";

    // A refused PNG falls through to the general loader.
    write("palette-trns.png", read_data_file("png/tbbn3p08.png"));
    EXPECT_TRUE(load_picture(surface, sources, "palette-trns.png"));
}

// ---------------------------------------------------------------------------------------------------
// load_picture
// ---------------------------------------------------------------------------------------------------

TEST_F(PictureDecoders, DecodersAreTriedInOrderOnTheSameFile)
{
    // Whatever the name says, the content decides.
    write("data/really-a-png.bmp", read_data_file("png/basn2c08.png"));
    write("data/really-a-gif.k16", read_data_file("gif/hippopotamus.regular.gif"));
    write("data/really-a-jpeg.png", read_data_file("jpeg/hippopotamus.jpeg"));
    write("data/really-a-k16.gif", testing::k16_file(1, 1, 16, {}, Bytes { 0x1F, 0, 0, 0 }, 52));
    Surface surface;
    ASSERT_TRUE(load_picture(surface, sources, "data\\really-a-png.bmp"));
    EXPECT_EQ(surface.width(), 32);
    ASSERT_TRUE(load_picture(surface, sources, "data\\really-a-gif.k16"));
    EXPECT_EQ(surface.width(), 36);
    ASSERT_TRUE(load_picture(surface, sources, "data\\really-a-jpeg.png"));
    EXPECT_EQ(surface.height(), 28);
    ASSERT_TRUE(load_picture(surface, sources, "data\\really-a-k16.gif"));
    EXPECT_EQ(surface.at(0, 0), kBlue);
}

TEST_F(PictureDecoders, APackedPictureLoadsInPlaceOfAMissingOne)
{
    Bytes const bmp = small_bmp();
    write("data/bg.dpa", datafile::gplp_pack(bmp, "BG.BMP"));
    Surface surface;
    ASSERT_TRUE(load_picture(surface, sources, "data\\bg.bmp"));
    EXPECT_EQ(surface.at(0, 0), kBlue);
    write("data/photo.dpa", datafile::gplp_pack(read_data_file("jpeg/hippopotamus.jpeg"), "PHOTO.JPG"));
    ASSERT_TRUE(load_picture(surface, sources, "data\\photo.jpg"));
    EXPECT_EQ(surface.width(), 36);
}

TEST_F(PictureDecoders, APictureThatDoesNotLoadLeavesTheSurfaceAsItWas)
{
    Surface surface;
    ASSERT_TRUE(surface.create(3, 3));
    surface.at(2, 2) = 0x1234;
    write("junk.bmp", Bytes(100, 'x'));
    write("empty.bmp", Bytes());
    EXPECT_FALSE(load_picture(surface, sources, "junk.bmp"));
    EXPECT_FALSE(load_picture(surface, sources, "empty.bmp"));
    EXPECT_FALSE(load_picture(surface, sources, "missing.bmp"));
    Bytes broken = small_bmp();
    broken.resize(60);
    write("broken.bmp", broken);
    EXPECT_FALSE(load_picture(surface, sources, "broken.bmp"))
        << "the BMP decoder made a picture, then failed";
    EXPECT_EQ(surface.width(), 3);
    EXPECT_EQ(surface.at(2, 2), 0x1234);
}

// ---------------------------------------------------------------------------------------------------
// Pictures too large to be real fail before anything is allocated
// ---------------------------------------------------------------------------------------------------

std::uint32_t crc32(const Bytes& bytes, std::size_t from)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = from; i < bytes.size(); ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put_be32(Bytes& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG signature and an IHDR with a correct checksum, then nothing.
Bytes png_header(std::uint32_t width, std::uint32_t height)
{
    Bytes file { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    put_be32(file, 13);
    std::size_t const type = file.size();
    file.insert(file.end(), { 'I', 'H', 'D', 'R' });
    put_be32(file, width);
    put_be32(file, height);
    file.insert(file.end(), { 8, 2, 0, 0, 0 });
    put_be32(file, crc32(Bytes(file.begin(), file.end()), type));
    return file;
}

TEST_F(PictureDecoders, AbsurdSizesFailCleanlyInEveryDecoder)
{
    Surface surface;
    Bytes const bmp = testing::bmp_file({ .width = 100000, .height = 100000, .bit_count = 24 }, Bytes(16));
    EXPECT_FALSE(decode_bmp(surface, bmp));
    Bytes const bmp32 = testing::bmp_file({ .width = 20000, .height = 20000, .bit_count = 32 }, Bytes(16));
    EXPECT_FALSE(decode_bmp(surface, bmp32));
    EXPECT_FALSE(decode_k16(surface, testing::k16_file(100000, 100000, 16, {}, Bytes(16), 52)));
    EXPECT_FALSE(decode_k16(surface, testing::k16_file(100000, 100000, 24, {}, Bytes(16), 52)));
    EXPECT_FALSE(decode_png(surface, png_header(100000, 100000), &codecs));
    EXPECT_FALSE(decode_png(surface, png_header(16000, 16000), &codecs))
        << "each side allowed, not the whole";

    Bytes gif { 'G', 'I', 'F', '8', '9', 'a' };
    put16(gif, 65535);
    put16(gif, 65535);
    gif.insert(
        gif.end(), { 0, 0, 0, 0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 2, 0x4C, 0x01, 0, 0x3B });
    EXPECT_FALSE(decode_gif(surface, gif, &codecs));

    // Each file also fails the whole chain, down to the general loader.
    for (auto const& [name, file] : { std::pair { "big.bmp", bmp }, std::pair { "big32.bmp", bmp32 },
             std::pair { "big.png", png_header(100000, 100000) }, std::pair { "big.gif", gif } }) {
        write(name, file);
        EXPECT_FALSE(load_picture(surface, sources, name)) << name;
    }
    EXPECT_EQ(surface.width(), 0);

    Bytes small_gif = gif;
    small_gif[6] = small_gif[7] = small_gif[8] = small_gif[9] = 0;
    small_gif[6] = 1;
    small_gif[8] = 1;
    EXPECT_FALSE(decode_gif(surface, small_gif, &codecs)) << "the first frame is as big";
}

long peak_memory_kib()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// 8000 x 8000 (64 million pixels, 128 MB as a surface) is within the largest size any decoder
// accepts, but not for a file of a few hundred bytes.
TEST_F(PictureDecoders, SmallFilesThatClaimLargePicturesAreRefusedBeforeAnythingIsAllocated)
{
    long const before = peak_memory_kib();
    Surface surface;
    Bytes const bmp = testing::bmp_file({ .width = 16384, .height = 4096, .bit_count = 24 }, Bytes(64));
    EXPECT_LT(bmp.size(), 120u);
    EXPECT_FALSE(decode_bmp(surface, bmp));
    // Uncompressed rows must all be there, whatever the size.
    Bytes const short_bmp
        = testing::bmp_file({ .width = 1024, .height = 1024, .bit_count = 24 }, Bytes(3 * 1024 * 1023));
    EXPECT_FALSE(decode_bmp(surface, short_bmp));
    EXPECT_FALSE(decode_png(surface, png_header(8000, 8000), &codecs));

    Bytes gif { 'G', 'I', 'F', '8', '9', 'a' };
    put16(gif, 8000);
    put16(gif, 8000);
    gif.insert(
        gif.end(), { 0, 0, 0, 0x2C, 0, 0, 0, 0, 0x40, 0x1F, 0x40, 0x1F, 0, 2, 2, 0x4C, 0x01, 0, 0x3B });
    EXPECT_FALSE(decode_gif(surface, gif, &codecs));

    // A real JPEG of 1219 bytes whose frame header is made to claim 8000 x 8000.
    Bytes jpeg = read_data_file("jpeg/hippopotamus.jpeg");
    std::uint8_t const start_of_frame[] = { 0xFF, 0xC0 };
    auto const frame
        = std::search(jpeg.begin(), jpeg.end(), std::begin(start_of_frame), std::end(start_of_frame));
    ASSERT_NE(frame, jpeg.end());
    std::size_t const at = static_cast<std::size_t>(frame - jpeg.begin()) + 5;
    jpeg[at] = jpeg[at + 2] = 0x1F;
    jpeg[at + 1] = jpeg[at + 3] = 0x40;
    for (auto const& [name, file] : { std::pair { "big.bmp", bmp }, std::pair { "short.bmp", short_bmp },
             std::pair { "big.png", png_header(8000, 8000) }, std::pair { "big.gif", gif },
             std::pair { "big.jpg", jpeg } }) {
        EXPECT_FALSE(decode_any_picture(surface, file, &codecs)) << name;
        write(name, file);
        EXPECT_FALSE(load_picture(surface, sources, name)) << name;
    }
    EXPECT_EQ(surface.width(), 0);
    EXPECT_LT(peak_memory_kib() - before, 32 * 1024) << "kilobytes more at the peak";

    // The same JPEG as it is loads.
    EXPECT_TRUE(decode_any_picture(surface, read_data_file("jpeg/hippopotamus.jpeg"), &codecs));
}

} // namespace
} // namespace advplay::graphics

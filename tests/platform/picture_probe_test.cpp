// Picture probing: the size every format declares, read from real files and made-up headers, and
// nothing for files cut short.
#include "platform/picture_probe.h"

#include "support/bitmap_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace advplay::platform {
namespace {

using testing::Bytes;
using testing::put16;
using testing::put32;

Bytes read_data_file(const std::string& relative)
{
    std::ifstream in(std::filesystem::path(ADVPLAY_TESTDATA_DIR) / relative, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

::testing::AssertionResult probes_as(
    const Bytes& file, PictureFormat format, std::int64_t width, std::int64_t height)
{
    auto const probe = probe_picture(file);
    if (!probe)
        return ::testing::AssertionFailure() << "no probe";
    if (probe->format != format || probe->width != width || probe->height != height) {
        return ::testing::AssertionFailure()
            << "format " << static_cast<int>(probe->format) << ", " << probe->width << " x " << probe->height;
    }
    return ::testing::AssertionSuccess();
}

TEST(PictureProbe, RealFilesOfEveryCommonFormat)
{
    EXPECT_TRUE(probes_as(read_data_file("png/basn2c08.png"), PictureFormat::Png, 32, 32));
    EXPECT_TRUE(probes_as(read_data_file("png/s35i3p04.png"), PictureFormat::Png, 35, 35));
    EXPECT_TRUE(probes_as(read_data_file("bmp/g/pal8os2.bmp"), PictureFormat::Bmp, 127, 64));
    EXPECT_TRUE(probes_as(read_data_file("bmp/g/pal8topdown.bmp"), PictureFormat::Bmp, 127, 64));
    EXPECT_TRUE(probes_as(read_data_file("gif/hippopotamus.regular.gif"), PictureFormat::Gif, 36, 28));
    EXPECT_TRUE(probes_as(read_data_file("gif/pillow-test_extents.gif"), PictureFormat::Gif, 100, 100));
    EXPECT_TRUE(probes_as(read_data_file("jpeg/peacock.progressive.jpeg"), PictureFormat::Jpeg, 100, 75));
    EXPECT_TRUE(probes_as(read_data_file("jpeg/pillow-exif-200dpcm.jpg"), PictureFormat::Jpeg, 200, 200));
    EXPECT_TRUE(probes_as(read_data_file("jpeg/wuffs-artificial-hippopotamus-bad-comment-length.jpeg"),
        PictureFormat::Jpeg, 36, 28));
    EXPECT_TRUE(probes_as(read_data_file("cur/deerstalker.cur"), PictureFormat::Cursor, 32, 64))
        << "a bitmap's height counts its mask too";
}

TEST(PictureProbe, FilesCutShortGiveNothing)
{
    EXPECT_FALSE(probe_picture(read_data_file("jpeg/peacock.default.truncated.jpeg")));
    EXPECT_FALSE(probe_picture(read_data_file("jpeg/peacock.progressive.truncated.jpeg")));
    EXPECT_FALSE(probe_picture(read_data_file("gif/hippopotamus.interlaced.truncated.gif")));
    Bytes const png = read_data_file("png/basn2c08.png");
    EXPECT_FALSE(probe_picture(Bytes(png.begin(), png.begin() + 23)));
    EXPECT_FALSE(probe_picture(Bytes { 'B', 'M', 0, 0 }));
    EXPECT_FALSE(probe_picture(Bytes { 0xFF, 0xD8, 0xFF }));
    EXPECT_FALSE(probe_picture(Bytes()));
    EXPECT_FALSE(probe_picture(Bytes(64, 'x'))) << "an unknown format";
}

TEST(PictureProbe, GifsGiveTheLargerOfScreenAndFirstFrame)
{
    Bytes gif { 'G', 'I', 'F', '8', '9', 'a' };
    put16(gif, 10);
    put16(gif, 20);
    gif.insert(gif.end(), { 0x80, 0, 0 }); // a global colour table of 2 entries
    gif.insert(gif.end(), 6, 0);
    gif.insert(gif.end(), { 0x21, 0xF9, 4, 1, 0, 0, 0, 0 }); // graphic control extension
    gif.insert(gif.end(), { 0x2C, 0, 0, 0, 0 });
    put16(gif, 30);
    put16(gif, 5);
    gif.insert(gif.end(), { 0, 2, 2, 0x4C, 0x01, 0, 0x3B });
    EXPECT_TRUE(probes_as(gif, PictureFormat::Gif, 30, 20));
    gif.resize(gif.size() - 3);
    EXPECT_FALSE(probe_picture(gif)) << "the image data never ends";
}

TEST(PictureProbe, TiffWebpAndIconHeaders)
{
    // Little-endian TIFF: the directory at 8 with ImageWidth (LONG) and ImageLength (SHORT).
    Bytes tiff { 'I', 'I', 42, 0 };
    put32(tiff, 8);
    put16(tiff, 2);
    put16(tiff, 256);
    put16(tiff, 4);
    put32(tiff, 1);
    put32(tiff, 70000);
    put16(tiff, 257);
    put16(tiff, 3);
    put32(tiff, 1);
    put32(tiff, 12);
    EXPECT_TRUE(probes_as(tiff, PictureFormat::Tiff, 70000, 12));
    Bytes big_endian { 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2, 1, 0, 0, 3, 0, 0, 0, 1, 0, 9, 0, 0, 1, 1, 0, 3, 0,
        0, 0, 1, 0, 7, 0, 0 };
    EXPECT_TRUE(probes_as(big_endian, PictureFormat::Tiff, 9, 7));
    tiff.resize(tiff.size() - 12);
    EXPECT_FALSE(probe_picture(tiff)) << "no ImageLength";

    Bytes webp { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'X' };
    webp.resize(24);
    webp.insert(webp.end(), { 0xFF, 0xFF, 0xFF, 0x01, 0, 0 }); // width 16777216, height 2
    EXPECT_TRUE(probes_as(webp, PictureFormat::Webp, 16777216, 2));
    Bytes lossy { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' ', 0, 0, 0, 0, 0, 0, 0,
        0x9D, 0x01, 0x2A };
    put16(lossy, 640 | 0x4000); // the scale bits are not part of the size
    put16(lossy, 480);
    EXPECT_TRUE(probes_as(lossy, PictureFormat::Webp, 640, 480));
    Bytes lossless { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', 'L', 0, 0, 0, 0,
        0x2F };
    put32(lossless, (99u << 14) | 199u); // width - 1 and height - 1 in 14 bits each
    EXPECT_TRUE(probes_as(lossless, PictureFormat::Webp, 200, 100));

    // An icon directory of two images: a bitmap and a PNG.
    Bytes icon { 0, 0, 1, 0, 2, 0 };
    icon.resize(6 + 2 * 16);
    icon[6 + 12] = 38;
    icon[6 + 16 + 12] = 38 + 40;
    put32(icon, 40);
    put32(icon, 48);
    put32(icon, 96);
    icon.resize(38 + 40);
    Bytes const png = read_data_file("png/basn2c08.png");
    icon.insert(icon.end(), png.begin(), png.begin() + 24);
    EXPECT_TRUE(probes_as(icon, PictureFormat::Icon, 48, 96));
    icon[6 + 16 + 12] = 200;
    EXPECT_FALSE(probe_picture(icon)) << "an image beyond the file";
}

} // namespace
} // namespace advplay::platform

// The picture decoders against public test suites: every PngSuite file against libpng's own decode,
// and the BMP Suite, the GIF, JPEG and cursor samples and the PNGs only the general loader reads
// against SDL2_image, the loader that stood in for the system's before the engine had its own.
#include "graphics/dib.h"
#include "graphics/picture_decoders.h"
#include "platform/codecs/host_image_codecs.h"
#include "platform/picture_probe.h"
#include "platform/posix/host_files.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace advplay::graphics {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kData = ADVPLAY_TESTDATA_DIR;
const std::filesystem::path kFuzzCorpus = ADVPLAY_FUZZ_CORPUS_DIR;

Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> files_in(const std::string& folder, const std::string& extension)
{
    std::vector<std::string> names;
    for (auto const& entry : std::filesystem::directory_iterator(kData / folder)) {
        if (entry.path().extension() == extension)
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A reference decode: 8-bit red, green, blue and alpha, top row first.
struct Rgba {
    int width { 0 };
    int height { 0 };
    std::vector<std::uint8_t> pixels;
    // Whether the decoder gave an alpha channel (a colour key is none).
    bool has_alpha { false };

    const std::uint8_t* at(int x, int y) const
    {
        return pixels.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

// ---------------------------------------------------------------------------------------------------
// libpng's reference decode: every valid PNG to 8-bit RGBA with libpng's usual expansions, no gamma
// ---------------------------------------------------------------------------------------------------

struct LibpngRead {
    png_structp png { nullptr };
    png_infop info { nullptr };
    const Bytes* file { nullptr };
    std::size_t position { 0 };
    Rgba* out { nullptr };
    std::vector<png_bytep> rows;
};

void reference_read(png_structp png, png_bytep into, png_size_t length)
{
    auto* read = static_cast<LibpngRead*>(png_get_io_ptr(png));
    if (length > read->file->size() - read->position)
        png_error(png, "short file");
    std::memcpy(into, read->file->data() + read->position, length);
    read->position += length;
}

[[noreturn]] void reference_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void reference_warning(png_structp, png_const_charp) { }

bool reference_decode(LibpngRead& read)
{
    if (setjmp(png_jmpbuf(read.png)))
        return false;
    png_set_read_fn(read.png, &read, reference_read);
    png_read_info(read.png, read.info);
    png_set_expand(read.png);
    png_set_strip_16(read.png);
    png_set_gray_to_rgb(read.png);
    png_set_add_alpha(read.png, 0xFF, PNG_FILLER_AFTER);
    (void)png_set_interlace_handling(read.png);
    png_read_update_info(read.png, read.info);
    read.out->width = static_cast<int>(png_get_image_width(read.png, read.info));
    read.out->height = static_cast<int>(png_get_image_height(read.png, read.info));
    if (png_get_rowbytes(read.png, read.info) != static_cast<std::size_t>(read.out->width) * 4)
        return false;
    read.out->pixels.resize(static_cast<std::size_t>(read.out->width) * read.out->height * 4);
    read.rows.resize(static_cast<std::size_t>(read.out->height));
    for (int y = 0; y < read.out->height; ++y)
        read.rows[static_cast<std::size_t>(y)]
            = read.out->pixels.data() + static_cast<std::size_t>(y) * read.out->width * 4;
    png_read_image(read.png, read.rows.data());
    png_read_end(read.png, nullptr);
    return true;
}

std::optional<Rgba> libpng_reference(const Bytes& file)
{
    Rgba out;
    LibpngRead read;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, reference_error, reference_warning);
    read.info = png_create_info_struct(read.png);
    read.file = &file;
    read.out = &out;
    bool const decoded = file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0 && reference_decode(read);
    png_destroy_read_struct(&read.png, &read.info, nullptr);
    if (!decoded)
        return std::nullopt;
    return out;
}

// ---------------------------------------------------------------------------------------------------
// SDL2_image's decode, the independent reference for every format the general loader reads
// ---------------------------------------------------------------------------------------------------

// The surface SDL2_image loaded, as the engine took it over: RGBA when it has an alpha channel, else
// RGB with alpha 255 (so a colour key's pixels keep their colour). Frees `loaded`.
std::optional<Rgba> taken_over(SDL_Surface* loaded)
{
    if (!loaded)
        return std::nullopt;
    bool const has_alpha = SDL_ISPIXELFORMAT_ALPHA(loaded->format->format);
    SDL_Surface* converted
        = SDL_ConvertSurfaceFormat(loaded, has_alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!converted)
        return std::nullopt;
    Rgba out { converted->w, converted->h, {}, has_alpha };
    out.pixels.resize(static_cast<std::size_t>(converted->w) * converted->h * 4);
    int const bytes = has_alpha ? 4 : 3;
    for (int y = 0; y < converted->h; ++y) {
        const std::uint8_t* row = static_cast<const std::uint8_t*>(converted->pixels)
            + static_cast<std::ptrdiff_t>(y) * converted->pitch;
        for (int x = 0; x < converted->w; ++x) {
            std::uint8_t* pixel = out.pixels.data() + (static_cast<std::size_t>(y) * converted->w + x) * 4;
            std::memcpy(pixel, row + x * bytes, static_cast<std::size_t>(bytes));
            if (!has_alpha)
                pixel[3] = 255;
        }
    }
    SDL_FreeSurface(converted);
    return out;
}

std::optional<Rgba> sdl_reference(const Bytes& file)
{
    return taken_over(IMG_Load_RW(SDL_RWFromConstMem(file.data(), static_cast<int>(file.size())), 1));
}

Pixel truncated(const std::uint8_t* rgba)
{
    return static_cast<Pixel>(((rgba[0] >> 3) << 10) | ((rgba[1] >> 3) << 5) | (rgba[2] >> 3));
}

enum class Alpha {
    Ignore,
    Compare,
};

// Equal sizes and every pixel the reference truncated to RGB555; with Alpha::Compare also the mask.
::testing::AssertionResult same_pixels(const Surface& surface, const Rgba& reference, Alpha alpha)
{
    if (surface.width() != reference.width || surface.height() != reference.height) {
        return ::testing::AssertionFailure() << "size " << surface.width() << " x " << surface.height()
                                             << ", expected " << reference.width << " x " << reference.height;
    }
    for (int y = 0; y < reference.height; ++y) {
        for (int x = 0; x < reference.width; ++x) {
            Pixel const expected = truncated(reference.at(x, y));
            if (surface.at(x, y) != expected) {
                return ::testing::AssertionFailure()
                    << "first bad pixel (" << x << ", " << y << "): " << std::hex << surface.at(x, y)
                    << ", expected " << expected;
            }
            if (alpha == Alpha::Compare
                && surface.alpha_mask()[y * reference.width + x] != reference.at(x, y)[3]) {
                return ::testing::AssertionFailure() << "first bad alpha at (" << x << ", " << y << ")";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------------------
// PngSuite
// ---------------------------------------------------------------------------------------------------

enum class PngOutcome {
    // Decodes to libpng's reference pixels.
    Decodes,
    // Grey with alpha: the expansions leave grey and alpha, not RGBA, so the decoder refuses it.
    GreyAlpha,
    // A tRNS chunk makes an alpha channel that the colour type does not promise: refused.
    Transparency,
    // Damaged on purpose; libpng rejects it (or the signature does not match).
    Corrupt,
};

TEST(PngSuite, EveryFileDecodesLikeLibpngOrFailsWhereTheRulesSay)
{
    using enum PngOutcome;
    // clang-format off
    std::map<std::string, PngOutcome> const expected {
        { "PngSuite.png", Decodes },     { "basi0g01.png", Decodes },     { "basi0g02.png", Decodes },
        { "basi0g04.png", Decodes },     { "basi0g08.png", Decodes },     { "basi0g16.png", Decodes },
        { "basi2c08.png", Decodes },     { "basi2c16.png", Decodes },     { "basi3p01.png", Decodes },
        { "basi3p02.png", Decodes },     { "basi3p04.png", Decodes },     { "basi3p08.png", Decodes },
        { "basi4a08.png", GreyAlpha },   { "basi4a16.png", GreyAlpha },   { "basi6a08.png", Decodes },
        { "basi6a16.png", Decodes },     { "basn0g01.png", Decodes },     { "basn0g02.png", Decodes },
        { "basn0g04.png", Decodes },     { "basn0g08.png", Decodes },     { "basn0g16.png", Decodes },
        { "basn2c08.png", Decodes },     { "basn2c16.png", Decodes },     { "basn3p01.png", Decodes },
        { "basn3p02.png", Decodes },     { "basn3p04.png", Decodes },     { "basn3p08.png", Decodes },
        { "basn4a08.png", GreyAlpha },   { "basn4a16.png", GreyAlpha },   { "basn6a08.png", Decodes },
        { "basn6a16.png", Decodes },     { "bgai4a08.png", GreyAlpha },   { "bgai4a16.png", GreyAlpha },
        { "bgan6a08.png", Decodes },     { "bgan6a16.png", Decodes },     { "bgbn4a08.png", GreyAlpha },
        { "bggn4a16.png", GreyAlpha },   { "bgwn6a08.png", Decodes },     { "bgyn6a16.png", Decodes },
        { "ccwn2c08.png", Decodes },     { "ccwn3p08.png", Decodes },     { "cdfn2c08.png", Decodes },
        { "cdhn2c08.png", Decodes },     { "cdsn2c08.png", Decodes },     { "cdun2c08.png", Decodes },
        { "ch1n3p04.png", Decodes },     { "ch2n3p08.png", Decodes },     { "cm0n0g04.png", Decodes },
        { "cm7n0g04.png", Decodes },     { "cm9n0g04.png", Decodes },     { "cs3n2c16.png", Decodes },
        { "cs3n3p08.png", Decodes },     { "cs5n2c08.png", Decodes },     { "cs5n3p08.png", Decodes },
        { "cs8n2c08.png", Decodes },     { "cs8n3p08.png", Decodes },     { "ct0n0g04.png", Decodes },
        { "ct1n0g04.png", Decodes },     { "cten0g04.png", Decodes },     { "ctfn0g04.png", Decodes },
        { "ctgn0g04.png", Decodes },     { "cthn0g04.png", Decodes },     { "ctjn0g04.png", Decodes },
        { "ctzn0g04.png", Decodes },     { "exif2c08.png", Decodes },     { "f00n0g08.png", Decodes },
        { "f00n2c08.png", Decodes },     { "f01n0g08.png", Decodes },     { "f01n2c08.png", Decodes },
        { "f02n0g08.png", Decodes },     { "f02n2c08.png", Decodes },     { "f03n0g08.png", Decodes },
        { "f03n2c08.png", Decodes },     { "f04n0g08.png", Decodes },     { "f04n2c08.png", Decodes },
        { "f99n0g04.png", Decodes },     { "g03n0g16.png", Decodes },     { "g03n2c08.png", Decodes },
        { "g03n3p04.png", Decodes },     { "g04n0g16.png", Decodes },     { "g04n2c08.png", Decodes },
        { "g04n3p04.png", Decodes },     { "g05n0g16.png", Decodes },     { "g05n2c08.png", Decodes },
        { "g05n3p04.png", Decodes },     { "g07n0g16.png", Decodes },     { "g07n2c08.png", Decodes },
        { "g07n3p04.png", Decodes },     { "g10n0g16.png", Decodes },     { "g10n2c08.png", Decodes },
        { "g10n3p04.png", Decodes },     { "g25n0g16.png", Decodes },     { "g25n2c08.png", Decodes },
        { "g25n3p04.png", Decodes },     { "oi1n0g16.png", Decodes },     { "oi1n2c16.png", Decodes },
        { "oi2n0g16.png", Decodes },     { "oi2n2c16.png", Decodes },     { "oi4n0g16.png", Decodes },
        { "oi4n2c16.png", Decodes },     { "oi9n0g16.png", Decodes },     { "oi9n2c16.png", Decodes },
        { "pp0n2c16.png", Decodes },     { "pp0n6a08.png", Decodes },     { "ps1n0g08.png", Decodes },
        { "ps1n2c16.png", Decodes },     { "ps2n0g08.png", Decodes },     { "ps2n2c16.png", Decodes },
        { "s01i3p01.png", Decodes },     { "s01n3p01.png", Decodes },     { "s02i3p01.png", Decodes },
        { "s02n3p01.png", Decodes },     { "s03i3p01.png", Decodes },     { "s03n3p01.png", Decodes },
        { "s04i3p01.png", Decodes },     { "s04n3p01.png", Decodes },     { "s05i3p02.png", Decodes },
        { "s05n3p02.png", Decodes },     { "s06i3p02.png", Decodes },     { "s06n3p02.png", Decodes },
        { "s07i3p02.png", Decodes },     { "s07n3p02.png", Decodes },     { "s08i3p02.png", Decodes },
        { "s08n3p02.png", Decodes },     { "s09i3p02.png", Decodes },     { "s09n3p02.png", Decodes },
        { "s32i3p04.png", Decodes },     { "s32n3p04.png", Decodes },     { "s33i3p04.png", Decodes },
        { "s33n3p04.png", Decodes },     { "s34i3p04.png", Decodes },     { "s34n3p04.png", Decodes },
        { "s35i3p04.png", Decodes },     { "s35n3p04.png", Decodes },     { "s36i3p04.png", Decodes },
        { "s36n3p04.png", Decodes },     { "s37i3p04.png", Decodes },     { "s37n3p04.png", Decodes },
        { "s38i3p04.png", Decodes },     { "s38n3p04.png", Decodes },     { "s39i3p04.png", Decodes },
        { "s39n3p04.png", Decodes },     { "s40i3p04.png", Decodes },     { "s40n3p04.png", Decodes },
        { "tbbn0g04.png", Transparency },{ "tbbn2c16.png", Transparency },{ "tbbn3p08.png", Transparency },
        { "tbgn2c16.png", Transparency },{ "tbgn3p08.png", Transparency },{ "tbrn2c08.png", Transparency },
        { "tbwn0g16.png", Transparency },{ "tbwn3p08.png", Transparency },{ "tbyn3p08.png", Transparency },
        { "tm3n3p02.png", Transparency },{ "tp0n0g08.png", Decodes },     { "tp0n2c08.png", Decodes },
        { "tp0n3p08.png", Decodes },     { "tp1n3p08.png", Transparency },{ "xc1n0g08.png", Corrupt },
        { "xc9n2c08.png", Corrupt },     { "xcrn0g04.png", Corrupt },     { "xcsn0g01.png", Corrupt },
        { "xd0n2c08.png", Corrupt },     { "xd3n2c08.png", Corrupt },     { "xd9n2c08.png", Corrupt },
        { "xdtn0g01.png", Corrupt },     { "xhdn0g08.png", Corrupt },     { "xlfn0g04.png", Corrupt },
        { "xs1n0g01.png", Corrupt },     { "xs2n0g01.png", Corrupt },     { "xs4n0g01.png", Corrupt },
        { "xs7n0g01.png", Corrupt },     { "z00n2c08.png", Decodes },     { "z03n2c08.png", Decodes },
        { "z06n2c08.png", Decodes },     { "z09n2c08.png", Decodes },
    };
    // clang-format on
    auto const names = files_in("png", ".png");
    ASSERT_EQ(names.size(), expected.size()) << "every file of the suite has its expected outcome";

    platform::HostImageCodecs codecs;
    std::map<PngOutcome, int> seen;
    for (auto const& name : names) {
        SCOPED_TRACE(name);
        auto const found = expected.find(name);
        ASSERT_NE(found, expected.end());
        Bytes const file = read_file(kData / "png" / name);
        auto const reference = libpng_reference(file);
        Surface surface;
        bool const decoded = decode_png(surface, file, &codecs);
        ++seen[found->second];
        if (found->second == PngOutcome::Corrupt) {
            EXPECT_FALSE(reference) << "libpng itself rejects the damaged files";
            EXPECT_FALSE(decoded);
            continue;
        }
        ASSERT_TRUE(reference) << "every other file is valid";
        if (found->second != PngOutcome::Decodes) {
            EXPECT_FALSE(decoded);
            continue;
        }
        ASSERT_TRUE(decoded);
        bool const has_alpha = (file[25] & 4) != 0;
        EXPECT_EQ(surface.alpha_mask() != nullptr, has_alpha) << "only an alpha channel makes a mask";
        EXPECT_TRUE(same_pixels(surface, *reference, has_alpha ? Alpha::Compare : Alpha::Ignore));
    }
    EXPECT_EQ(seen[PngOutcome::Decodes], 143);
    EXPECT_EQ(seen[PngOutcome::GreyAlpha], 8);
    EXPECT_EQ(seen[PngOutcome::Transparency], 11);
    EXPECT_EQ(seen[PngOutcome::Corrupt], 14);
}

// ---------------------------------------------------------------------------------------------------
// BMP Suite
// ---------------------------------------------------------------------------------------------------

class PictureFiles : public ::testing::Test {
protected:
    platform::TextEncoding encoding;
    platform::HostFiles files { kData.string(), encoding };
    platform::HostImageCodecs codecs;
    PictureSources sources { files, &codecs, {} };
};

using BmpSuite = PictureFiles;

TEST_F(BmpSuite, EveryGoodFileDecodesToTheSamePixelsAsSdlImage)
{
    auto const names = files_in("bmp/g", ".bmp");
    ASSERT_EQ(names.size(), 27u);
    for (auto const& name : names) {
        SCOPED_TRACE(name);
        Bytes const file = read_file(kData / "bmp" / "g" / name);
        Surface alone;
        bool const by_bmp_decoder = decode_bmp(alone, file);
        // A top-down bitmap is refused by the BMP decoder and reaches the general loader.
        EXPECT_EQ(by_bmp_decoder, name != "pal8topdown.bmp");
        Surface surface;
        ASSERT_TRUE(load_picture(surface, sources, "bmp\\g\\" + name));

        auto const reference = sdl_reference(file);
        if (name != "rgb32bf.bmp") {
            ASSERT_TRUE(reference) << "SDL2_image reads every other good file of the suite";
            EXPECT_TRUE(same_pixels(surface, *reference, Alpha::Ignore));
            continue;
        }
        // SDL2_image cannot read this one: its masks put red in the top byte and blue in the third.
        EXPECT_FALSE(reference);
        // QUIRK: the 32-bit path reads blue, green, red, alpha whatever the masks say.
        std::uint32_t const offset = file[10] | file[11] << 8;
        for (int y = 0; y < surface.height(); ++y) {
            const std::uint8_t* row = file.data() + offset + (surface.height() - 1 - y) * surface.width() * 4;
            for (int x = 0; x < surface.width(); ++x) {
                const std::uint8_t* pixel = row + 4 * x;
                Pixel const expected
                    = static_cast<Pixel>(((pixel[2] >> 3) << 10) | ((pixel[1] >> 3) << 5) | (pixel[0] >> 3));
                ASSERT_EQ(surface.at(x, y), expected) << x << ", " << y;
                ASSERT_EQ(surface.alpha_mask()[y * surface.width() + x], pixel[3]);
            }
        }
    }
}

TEST_F(BmpSuite, ThirtyTwoBitFilesCarryTheirFourthByteAsAlpha)
{
    for (std::string const name : { "rgb32.bmp", "rgb32bfdef.bmp" }) {
        Bytes const file = read_file(kData / "bmp" / "g" / name);
        Surface surface;
        ASSERT_TRUE(decode_bmp(surface, file));
        ASSERT_NE(surface.alpha_mask(), nullptr);
        std::uint32_t const offset = file[10] | file[11] << 8;
        // The mask's first row is the last row of the file.
        std::size_t const last_row
            = offset + static_cast<std::size_t>(surface.height() - 1) * surface.width() * 4;
        for (int x = 0; x < surface.width(); ++x)
            ASSERT_EQ(surface.alpha_mask()[x], file[last_row + 4 * x + 3]);
    }
}

// The questionable and bad files never crash; what the BMP decoder itself makes of each is fixed.
TEST_F(BmpSuite, QuestionableAndBadFilesDecodeOrFailWithoutHarm)
{
    // clang-format off
    std::set<std::string> const refused_by_bmp_decoder {
        // questionable
        "q/pal1huffmsb.bmp", "q/pal2.bmp", "q/pal2color.bmp", "q/pal8os2v2-16.bmp", "q/pal8os2v2-sz.bmp",
        "q/pal8os2v2.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgb24rle24.bmp", "q/rgba64.bmp",
        // bad
        "b/badbitcount.bmp", "b/badheadersize.bmp", "b/badwidth.bmp", "b/reallybig.bmp",
        "b/rletopdown.bmp", "b/shortfile.bmp",
    };
    // clang-format on
    int loaded = 0;
    int total = 0;
    for (std::string const folder : { "q", "b" }) {
        for (auto const& name : files_in("bmp/" + folder, ".bmp")) {
            std::string const relative = folder + "/" + name;
            SCOPED_TRACE(relative);
            Bytes const file = read_file(kData / "bmp" / folder / name);
            Surface alone;
            EXPECT_EQ(decode_bmp(alone, file), !refused_by_bmp_decoder.contains(relative));
            Surface surface;
            if (load_picture(surface, sources, "bmp\\" + folder + "\\" + name)) {
                ++loaded;
                EXPECT_GT(surface.width(), 0);
                EXPECT_LE(static_cast<std::int64_t>(surface.width()) * surface.height(),
                    platform::kMaxPicturePixels);
            }
            ++total;
        }
    }
    EXPECT_EQ(total, 63);
    std::printf("questionable and bad BMP files loaded by some decoder: %d of %d\n", loaded, total);
}

// ---------------------------------------------------------------------------------------------------
// GIF and JPEG samples
// ---------------------------------------------------------------------------------------------------

using LaterDecoders = PictureFiles;

// How many of the GIF and JPEG files compared with SDL2_image load.
constexpr int kExpectedGifs = 30;
constexpr int kExpectedJpegs = 18;

// Which of the earlier decoders took the file: none of them must.
bool taken_early(const Bytes& file, platform::ImageCodecs* codecs)
{
    Surface surface;
    return decode_bmp(surface, file) || decode_k16(surface, file) || decode_png(surface, file, codecs);
}

// What the general loader made of a file before it had readers of its own: SDL2_image's picture,
// for a file the probe lets through.
// for a file the probe lets through, read by the loader of the format the probe found (SDL2_image's
// own detection is stricter than its loaders).
std::optional<Rgba> loaded_before(const Bytes& file)
{
    auto const probe = platform::probe_picture(file);
    if (!probe || !platform::picture_size_allowed(probe->width, probe->height))
        return std::nullopt;
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface* loaded = nullptr;
    switch (probe->format) {
    case platform::PictureFormat::Bmp:
        loaded = IMG_LoadBMP_RW(stream);
        break;
    case platform::PictureFormat::Gif:
        loaded = IMG_LoadGIF_RW(stream);
        break;
    case platform::PictureFormat::Jpeg:
        loaded = IMG_LoadJPG_RW(stream);
        break;
    case platform::PictureFormat::Png:
        loaded = IMG_LoadPNG_RW(stream);
        break;
    case platform::PictureFormat::Icon:
        loaded = IMG_LoadICO_RW(stream);
        break;
    case platform::PictureFormat::Cursor:
        loaded = IMG_LoadCUR_RW(stream);
        break;
    default:
        break;
    }
    SDL_RWclose(stream);
    return taken_over(loaded);
}

// Where a decoder and SDL2_image part ways on purpose.
struct Differences {
    // Damaged files that only one of the two loads.
    std::set<std::string> loading;
    // Files both load at the same size but with other pixels: damaged ones, whose damage the two read
    // differently, and ones that SDL2_image decoded wrongly.
    std::set<std::string> pixels;
};

// Decodes every file with `decode` and compares it with SDL2_image's picture: the same files load,
// and those that do have the same size and pixels, and an alpha mask exactly when SDL2_image gave an
// alpha channel (then with the same values); except for the differences named.
void expect_as_before(const std::vector<std::filesystem::path>& paths,
    const std::function<bool(Surface&, const Bytes&)>& decode, int expected_loaded,
    const Differences& expected = {})
{
    int loaded = 0;
    Differences found;
    for (auto const& path : paths) {
        std::string const name = path.filename().string();
        SCOPED_TRACE(name);
        Bytes const file = read_file(path);
        auto const reference = loaded_before(file);
        Surface surface;
        bool const decoded = decode(surface, file);
        if (decoded != reference.has_value()) {
            found.loading.insert(name);
            continue;
        }
        if (!decoded)
            continue;
        ++loaded;
        EXPECT_EQ(surface.alpha_mask() != nullptr, reference->has_alpha);
        EXPECT_EQ(surface.width(), reference->width);
        EXPECT_EQ(surface.height(), reference->height);
        if (!same_pixels(surface, *reference, reference->has_alpha ? Alpha::Compare : Alpha::Ignore))
            found.pixels.insert(name);
    }
    EXPECT_EQ(loaded, expected_loaded);
    EXPECT_EQ(found.loading, expected.loading);
    EXPECT_EQ(found.pixels, expected.pixels);
}

std::vector<std::filesystem::path> paths_in(
    const std::filesystem::path& folder, std::set<std::string> const& extensions)
{
    std::vector<std::filesystem::path> paths;
    for (auto const& entry : std::filesystem::directory_iterator(folder)) {
        if (extensions.contains(entry.path().extension().string()))
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST_F(LaterDecoders, GifFilesDecodeAsSdlImageDecodedThem)
{
    // The suite and the fuzz corpora's GIFs, valid and damaged, except those that crash SDL2_image.
    auto paths = paths_in(kData / "gif", { ".gif" });
    ASSERT_EQ(paths.size(), 20u);
    for (std::string const corpus : { "picture_probe_fuzz", "picture_fuzz" }) {
        for (auto const& path : paths_in(kFuzzCorpus / corpus, { ".gif" })) {
            if (!path.filename().string().starts_with("sdl-image-crash-"))
                paths.push_back(path);
        }
    }
    // An LZW code size beyond 8 bits, which giflib refuses; and LZW codes that do not exist yet, after
    // which giflib stops (the rest stays index 0) where SDL2_image went on making up pixels.
    Differences const damaged { { "mutated-lzw-code-size.gif" }, { "mutated-sub-block-length.gif" } };
    expect_as_before(
        paths, [this](Surface& surface, const Bytes& file) { return decode_gif(surface, file, &codecs); },
        kExpectedGifs, damaged);
}

TEST_F(LaterDecoders, AGifWithAShortTableOrNoneDrawsAsSdlImageDrewIt)
{
    // 2 x 2, not interlaced; rows of index 0 and 2; the screen's flags ask for a table of 2.
    Bytes const image {
        0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, // the image at (0, 0), 2 x 2
        2, 3, 0x04, 0x24, 0x05, 0, // LZW code size 2, one block of 3 bytes: 0, 0, 2, 2
        0x3B, // trailer
    };
    Bytes short_table { 'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 10, 20, 30, 40, 50, 60 };
    short_table.insert(short_table.end(), image.begin(), image.end());
    Bytes no_table { 'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x00, 0, 0 };
    no_table.insert(no_table.end(), image.begin(), image.end());
    for (auto const& file : { short_table, no_table }) {
        auto const before = loaded_before(file);
        ASSERT_TRUE(before);
        Surface surface;
        ASSERT_TRUE(decode_gif(surface, file, &codecs));
        EXPECT_TRUE(same_pixels(surface, *before, Alpha::Ignore));
    }
    Surface surface;
    ASSERT_TRUE(decode_gif(surface, short_table, &codecs));
    EXPECT_EQ(surface.at(0, 0), (10 >> 3) << 10 | (20 >> 3) << 5 | (30 >> 3));
    EXPECT_EQ(surface.at(0, 1), 0x7FFF) << "beyond the table: white";
    ASSERT_TRUE(decode_gif(surface, no_table, &codecs));
    EXPECT_EQ(surface.at(0, 0), 0);
    EXPECT_EQ(surface.at(0, 1), 0x7FFF);
}

TEST_F(LaterDecoders, AnInterlacedGifOfTwoToFourRowsHasAllItsRows)
{
    // 2 x 3, interlaced, a global table of 8 colours; row y has index y: black, red, green.
    Bytes const file {
        'G', 'I', 'F', '8', '7', 'a', 2, 0, 3, 0, 0xA2, 0, 0, // screen 2 x 3, table of 8
        0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF,
        0xFF, // the table
        0x2C, 0, 0, 0, 0, 2, 0, 3, 0, 0x40, // the image at (0, 0), 2 x 3, interlaced
        3, 4, 0x08, 0x20, 0x12, 0x91, 0, // LZW code size 3, one block of 4 bytes
        0x3B, // trailer
    };
    Surface surface;
    ASSERT_TRUE(decode_gif(surface, file, &codecs));
    ASSERT_EQ(surface.height(), 3);
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(surface.at(x, 0), 0);
        EXPECT_EQ(surface.at(x, 1), kRedMask);
        EXPECT_EQ(surface.at(x, 2), kGreenMask);
    }
    // SDL2_image stopped after the first pass when the second starts below the picture.
    auto const before = loaded_before(file);
    ASSERT_TRUE(before);
    EXPECT_EQ(truncated(before->at(0, 1)), 0);
    EXPECT_EQ(truncated(before->at(0, 2)), 0);
}

TEST_F(LaterDecoders, GifSamplesLoadThroughTheGifDecoderAndBrokenOnesFail)
{
    // Too little pixel data leaves the rest at index 0 (wuffs-artificial-pixel-data-not-enough.gif),
    // but a file cut short is refused.
    std::set<std::string> const broken {
        "hippopotamus.interlaced.truncated.gif",
        "wuffs-artificial-zero-width-frame.gif",
    };
    auto const names = files_in("gif", ".gif");
    ASSERT_EQ(names.size(), 20u);
    for (auto const& name : names) {
        SCOPED_TRACE(name);
        Bytes const file = read_file(kData / "gif" / name);
        EXPECT_FALSE(taken_early(file, &codecs));
        Surface by_gif;
        bool const gif = decode_gif(by_gif, file, &codecs);
        Surface surface;
        bool const loaded = load_picture(surface, sources, "gif\\" + name);
        EXPECT_EQ(loaded, !broken.contains(name));
        EXPECT_EQ(gif, loaded);
        if (loaded) {
            EXPECT_EQ(surface.alpha_mask(), nullptr) << "a transparent index is no alpha channel";
        }
    }
}

TEST_F(LaterDecoders, AGifShowsItsFirstFrameAndInterlacingChangesNothing)
{
    Surface regular;
    Surface interlaced;
    ASSERT_TRUE(load_picture(regular, sources, "gif\\hippopotamus.regular.gif"));
    ASSERT_TRUE(load_picture(interlaced, sources, "gif\\hippopotamus.interlaced.gif"));
    ASSERT_EQ(regular.width(), 36);
    ASSERT_EQ(regular.height(), 28);
    ASSERT_EQ(interlaced.width(), 36);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 36; ++x)
            ASSERT_EQ(regular.at(x, y), interlaced.at(x, y)) << x << ", " << y;
    }
    // Two frames: 4 x 2 reds, then blues over part of it; only the reds show.
    Surface frames;
    ASSERT_TRUE(load_picture(frames, sources, "gif\\wuffs-artificial-transparent-index.gif"));
    ASSERT_EQ(frames.width(), 4);
    ASSERT_EQ(frames.height(), 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(frames.at(x, y) & (kGreenMask | kBlueMask), 0) << x << ", " << y;
    }
}

TEST_F(LaterDecoders, JpegSamplesReachTheLastDecoderAndTruncatedOnesFail)
{
    std::set<std::string> const broken {
        "peacock.default.truncated.jpeg",
        "peacock.progressive.truncated.jpeg",
    };
    std::vector<std::string> names = files_in("jpeg", ".jpeg");
    for (auto const& name : files_in("jpeg", ".jpg"))
        names.push_back(name);
    ASSERT_EQ(names.size(), 15u);
    for (auto const& name : names) {
        SCOPED_TRACE(name);
        Bytes const file = read_file(kData / "jpeg" / name);
        Surface surface;
        EXPECT_FALSE(taken_early(file, &codecs));
        EXPECT_FALSE(decode_gif(surface, file, &codecs));
        bool const loaded = load_picture(surface, sources, "jpeg\\" + name);
        EXPECT_EQ(loaded, !broken.contains(name));
        if (loaded) {
            EXPECT_EQ(surface.alpha_mask(), nullptr);
        }
    }
}

TEST_F(LaterDecoders, JpegFilesDecodeExactlyAsSdlImageDecodedThem)
{
    // SDL2_image read them with libjpeg too, to RGB with the library's defaults.
    auto paths = paths_in(kData / "jpeg", { ".jpeg", ".jpg" });
    ASSERT_EQ(paths.size(), 15u);
    for (auto const& path : paths_in(kFuzzCorpus / "picture_fuzz", { ".jpeg", ".jpg" }))
        paths.push_back(path);
    expect_as_before(
        paths,
        [this](Surface& surface, const Bytes& file) { return decode_any_picture(surface, file, &codecs); },
        kExpectedJpegs);
}

TEST_F(LaterDecoders, PngsTheStrictDecoderRefusesDecodeAsSdlImageDecodedThem)
{
    // Grey with alpha and every tRNS chunk: a palette whose chunk makes one entry wholly transparent,
    // and grey or RGB with a chunk, get a colour key (no mask); partial or several transparent
    // entries an alpha channel.
    std::vector<std::filesystem::path> paths;
    for (auto const& path : paths_in(kData / "png", { ".png" })) {
        Bytes const file = read_file(path);
        Surface strict;
        if (!decode_png(strict, file, &codecs) && libpng_reference(file))
            paths.push_back(path);
    }
    ASSERT_EQ(paths.size(), 19u);
    // SDL2_image gave grey pictures with a tRNS chunk a surface format that the grey bytes do not fit,
    // so their colours came out wrong; they match libpng's own decode instead.
    Differences const wrong_before { {}, { "tbbn0g04.png", "tbwn0g16.png" } };
    expect_as_before(
        paths,
        [this](Surface& surface, const Bytes& file) { return decode_any_picture(surface, file, &codecs); },
        19, wrong_before);
    for (auto const& name : wrong_before.pixels) {
        SCOPED_TRACE(name);
        Bytes const file = read_file(kData / "png" / name);
        Surface grey;
        ASSERT_TRUE(decode_any_picture(grey, file, &codecs));
        EXPECT_EQ(grey.alpha_mask(), nullptr);
        EXPECT_TRUE(same_pixels(grey, *libpng_reference(file), Alpha::Ignore));
    }
    Surface surface;
    ASSERT_TRUE(decode_any_picture(surface, read_file(kData / "png" / "tbbn3p08.png"), &codecs));
    EXPECT_EQ(surface.alpha_mask(), nullptr) << "one wholly transparent entry is a colour key";
    ASSERT_TRUE(decode_any_picture(surface, read_file(kData / "png" / "tbrn2c08.png"), &codecs));
    EXPECT_EQ(surface.alpha_mask(), nullptr) << "an RGB picture's tRNS is a colour key";
    ASSERT_TRUE(decode_any_picture(surface, read_file(kData / "png" / "basn4a08.png"), &codecs));
    EXPECT_NE(surface.alpha_mask(), nullptr) << "grey with alpha keeps its alpha";
}

TEST_F(LaterDecoders, CursorFilesDecodeAsSdlImageDecodedThemWithTheirMaskAsAlpha)
{
    auto const paths = paths_in(kData / "cur", { ".cur" });
    ASSERT_EQ(paths.size(), 7u);
    expect_as_before(
        paths,
        [this](Surface& surface, const Bytes& file) { return decode_any_picture(surface, file, &codecs); },
        6);
    Surface surface;
    ASSERT_TRUE(load_picture(surface, sources, "cur\\tk-cursor44-left_ptr.cur"));
    ASSERT_NE(surface.alpha_mask(), nullptr);
    EXPECT_EQ(surface.alpha_mask()[31 * 32 + 31], 0) << "the mask leaves the corner out";
    // An icon file is the same directory with another type.
    Bytes icon = read_file(kData / "cur" / "deerstalker.cur");
    icon[2] = 1;
    auto const before = loaded_before(icon);
    ASSERT_TRUE(before);
    ASSERT_TRUE(decode_any_picture(surface, icon, &codecs));
    EXPECT_TRUE(same_pixels(surface, *before, Alpha::Compare));
}

TEST_F(LaterDecoders, TiffAndWebpAreRecognisedButNoLongerOffered)
{
    for (std::string const name : { "header.tif", "canvas.webp" }) {
        SCOPED_TRACE(name);
        Bytes const file = read_file(kFuzzCorpus / "picture_probe_fuzz" / name);
        ASSERT_TRUE(platform::probe_picture(file));
        Surface surface;
        EXPECT_FALSE(decode_any_picture(surface, file, &codecs));
    }
}

TEST_F(LaterDecoders, AJpegLooksLikeTheLosslessPictureItWasMadeFrom)
{
    Surface original;
    ASSERT_TRUE(load_picture(original, sources, "jpeg\\peacock.png"));
    for (std::string const name :
        { "peacock.s1x1-444.jpeg", "peacock.default.jpeg", "peacock.progressive.jpeg" }) {
        SCOPED_TRACE(name);
        Surface surface;
        ASSERT_TRUE(load_picture(surface, sources, "jpeg\\" + name));
        ASSERT_EQ(surface.width(), 100);
        ASSERT_EQ(surface.height(), 75);
        // Per channel, in 5-bit steps; swapped channels or a misplaced row would be far off.
        double total = 0;
        for (int y = 0; y < 75; ++y) {
            for (int x = 0; x < 100; ++x) {
                for (int shift : { 10, 5, 0 })
                    total
                        += std::abs(((surface.at(x, y) >> shift) & 31) - ((original.at(x, y) >> shift) & 31));
            }
        }
        EXPECT_LT(total / (100 * 75 * 3), 1.5);
    }
}

} // namespace
} // namespace advplay::graphics

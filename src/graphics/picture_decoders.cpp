// load_picture and the BMP, K16, PNG, GIF and general decoders.
#include "graphics/picture_decoders.h"

#include "datafile/data_file.h"
#include "graphics/dib.h"
#include "graphics/icon_file.h"
#include "graphics/picture_plugins.h"
#include "platform/image_codecs.h"
#include "platform/picture_probe.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace advplay::graphics {

namespace {

std::uint32_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t le32(const std::uint8_t* p)
{
    return le16(p) | le16(p + 2) << 16;
}

bool starts_with(std::span<const std::uint8_t> file, std::string_view magic)
{
    return file.size() >= magic.size() && std::memcmp(file.data(), magic.data(), magic.size()) == 0;
}

constexpr std::size_t kBmpHeaderSize = 54;
constexpr std::size_t kBmpInfoOffset = 14;
constexpr std::size_t kK16HeaderSize = 52;
constexpr std::size_t kK16PaletteOffset = 28;
constexpr std::size_t kK16PaletteSize = 256 * 2;

// The surface's pixel format leaves bit 15 unused, and the pixel tables are indexed by the other 15;
// a stored 16-bit value keeps its channels and loses only that bit.
constexpr Pixel kPixelBits = 0x7FFF;

// Makes the surface the picture the host's codecs hand over, each channel keeping its top five bits;
// an alpha channel becomes the alpha mask.
class SurfaceSink final : public platform::PictureSink {
public:
    explicit SurfaceSink(Surface& surface)
        : m_surface(surface)
    {
    }

    bool begin(std::int32_t width, std::int32_t height, std::int32_t bytes_per_pixel) override
    {
        if (width <= 0 || height <= 0 || !platform::picture_size_allowed(width, height)
            || (bytes_per_pixel != 3 && bytes_per_pixel != 4))
            return false;
        if (!m_surface.create(width, height))
            return false;
        m_has_alpha = bytes_per_pixel == 4;
        return !m_has_alpha || m_surface.create_alpha_mask();
    }

    void row(std::int32_t y, const std::uint8_t* in) override
    {
        Pixel* out = m_surface.row(y);
        std::int32_t const width = m_surface.width();
        if (!m_has_alpha) {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = static_cast<Pixel>(
                    ((in[3 * x] >> 3) << 10) | ((in[3 * x + 1] >> 3) << 5) | (in[3 * x + 2] >> 3));
            return;
        }
        std::uint8_t* alpha = m_surface.alpha_mask() + static_cast<std::ptrdiff_t>(y) * width;
        for (std::int32_t x = 0; x < width; ++x) {
            out[x] = static_cast<Pixel>(
                ((in[4 * x] >> 3) << 10) | ((in[4 * x + 1] >> 3) << 5) | (in[4 * x + 2] >> 3));
            alpha[x] = in[4 * x + 3];
        }
    }

private:
    Surface& m_surface;
    bool m_has_alpha { false };
};

enum class RowOrder {
    BottomUp,
    Either,
};

bool decode_bitmap(Surface& surface, std::span<const std::uint8_t> file, RowOrder order)
{
    if (file.size() < kBmpHeaderSize || !starts_with(file, "BM"))
        return false;
    std::uint32_t const bits_offset = le32(file.data() + 10);
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t bit_count = 0;
    if (le32(file.data() + kBmpInfoOffset) == 12) {
        // An OS/2 core header has 16-bit sizes and a different layout after them.
        width = static_cast<std::int32_t>(le16(file.data() + 18));
        height = static_cast<std::int32_t>(le16(file.data() + 20));
        bit_count = le16(file.data() + 24);
    } else {
        width = static_cast<std::int32_t>(le32(file.data() + 18));
        height = static_cast<std::int32_t>(le32(file.data() + 22));
        bit_count = le16(file.data() + 28);
    }
    // The BMP decoder fails a top-down bitmap's negative height here, so such files reach the later
    // decoders.
    std::int32_t rows = height;
    if (order == RowOrder::Either && height < 0 && height != INT32_MIN)
        rows = -height;
    std::span<const std::uint8_t> const bits
        = bits_offset <= file.size() ? file.subspan(bits_offset) : std::span<const std::uint8_t> {};
    // A file cut short is refused before its surface is made.
    bool const bits_present = width <= 0 || rows <= 0
        || (bit_count == 32 ? bgra_bits_present(width, rows, bits)
                            : dib_bits_present(file.subspan(kBmpInfoOffset), bits));
    if (!platform::picture_fits_file(width, rows, file.size()) || !bits_present
        || !surface.create(width, rows))
        return false;
    if (bit_count == 32) {
        // QUIRK: 32-bit pixels are read as blue, green, red and alpha whatever masks the header
        // gives, and a BI_RGB file's unused fourth byte becomes the alpha mask.
        return draw_bgra(surface, width, height, bits);
    }
    return draw_dib(surface, file.subspan(kBmpInfoOffset), bits);
}

// The picture the general loader makes of an icon or cursor file: the entry with the most colours
// (the first of them), its colours opaque and the AND mask as the alpha mask. A 32-bit image's own
// alpha is not used: the mask alone says what shows, as it always has for these pictures. The
// inverting that the mask means under colours other than black has no place in a picture, so those
// pixels are transparent like the rest.
bool decode_icon(Surface& surface, std::span<const std::uint8_t> file, IconFileKind kind)
{
    auto const entries = read_icon_directory(file, kind);
    if (!entries || entries->empty())
        return false;
    const IconEntry* chosen = &entries->front();
    for (auto const& entry : *entries) {
        if (entry.colour_count > chosen->colour_count)
            chosen = &entry;
    }
    auto const image = read_icon_image(file, *chosen, static_cast<std::int32_t>(platform::kMaxPictureSide));
    if (!image || !surface.create(image->width, image->height) || !surface.create_alpha_mask())
        return false;
    std::size_t at = 0;
    for (std::int32_t y = 0; y < image->height; ++y) {
        Pixel* out = surface.row(y);
        std::uint8_t* alpha = surface.alpha_mask() + static_cast<std::ptrdiff_t>(y) * image->width;
        for (std::int32_t x = 0; x < image->width; ++x, ++at) {
            std::uint32_t const argb = image->colours[at];
            out[x] = static_cast<Pixel>(
                (((argb >> 19) & 31) << 10) | (((argb >> 11) & 31) << 5) | ((argb >> 3) & 31));
            alpha[x] = image->mask[at] ? 0 : 255;
        }
    }
    return true;
}

} // namespace

bool load_picture(Surface& surface, const PictureSources& sources, std::string_view path)
{
    datafile::DataFile file(sources.files);
    if (!file.open(path, datafile::FileMode::ReadBinary))
        return false;
    // Every decoder reads the whole file; one view of it serves them all.
    std::span<const std::uint8_t> const content = file.content();
    if (content.size() != static_cast<std::size_t>(std::max(file.size(), 0)))
        return false;

    // Decoded apart, so that a picture that does not load leaves the caller's surface as it was.
    Surface decoded;
    bool const loaded = decode_bmp(decoded, content) || decode_k16(decoded, content)
        || decode_png(decoded, content, sources.codecs) || decode_gif(decoded, content, sources.codecs)
        || decode_with_plugins(decoded, content, path, sources)
        || decode_any_picture(decoded, content, sources.codecs);
    if (!loaded)
        return false;
    surface = std::move(decoded);
    return true;
}

bool decode_bmp(Surface& surface, std::span<const std::uint8_t> file)
{
    return decode_bitmap(surface, file, RowOrder::BottomUp);
}

bool decode_k16(Surface& surface, std::span<const std::uint8_t> file)
{
    if (file.size() < kK16HeaderSize || !starts_with(file, "K16"))
        return false;
    std::uint32_t const rows_offset = le32(file.data() + 8);
    auto const width = static_cast<std::int32_t>(le32(file.data() + 16));
    auto const height = static_cast<std::int32_t>(le32(file.data() + 20));
    auto const bit_count = static_cast<std::int32_t>(le32(file.data() + 24));
    bool const known_depth = bit_count == 8 || bit_count == 16;
    // The rows must lie inside the file (the last one may lack its padding), and so must the palette.
    if (known_depth && width > 0 && height > 0) {
        std::int64_t const stride = (std::int64_t { width } * bit_count + 31) / 32 * 4;
        std::int64_t const end = rows_offset + stride * (height - 1) + std::int64_t { width } * bit_count / 8;
        if (!platform::picture_size_allowed(width, height) || end > static_cast<std::int64_t>(file.size()))
            return false;
        if (bit_count == 8 && file.size() < kK16PaletteOffset + kK16PaletteSize)
            return false;
    }
    if (!platform::picture_size_allowed(width, height) || !surface.create(width, height))
        return false;
    // QUIRK: a depth other than 8 or 16 draws nothing and still counts as a picture; so does 0 x 0.
    if (!known_depth || surface.width() == 0)
        return true;
    std::size_t const stride = static_cast<std::size_t>((std::int64_t { width } * bit_count + 31) / 32 * 4);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* in = file.data() + rows_offset + stride * static_cast<std::size_t>(y);
        Pixel* out = surface.row(y);
        if (bit_count == 16) {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = static_cast<Pixel>(le16(in + 2 * x) & kPixelBits);
        } else {
            const std::uint8_t* palette = file.data() + kK16PaletteOffset;
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = static_cast<Pixel>(le16(palette + 2 * in[x]) & kPixelBits);
        }
    }
    return true;
}

bool decode_png(Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs)
{
    static constexpr std::uint8_t kSignature[] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    if (!codecs || file.size() < sizeof kSignature
        || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return false;
    SurfaceSink sink(surface);
    return codecs->decode_png(file, sink);
}

bool decode_gif(Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs)
{
    if (!starts_with(file, "GIF87a") && !starts_with(file, "GIF89a"))
        return false;
    return decode_any_picture(surface, file, codecs);
}

bool decode_any_picture(Surface& surface, std::span<const std::uint8_t> file, platform::ImageCodecs* codecs)
{
    // The general loader stands for the host system's; a host without codecs has none.
    if (!codecs)
        return false;
    auto const probe = platform::probe_picture(file);
    if (!probe || !platform::picture_fits_file(probe->width, probe->height, file.size()))
        return false;
    switch (probe->format) {
    case platform::PictureFormat::Bmp:
        return decode_bitmap(surface, file, RowOrder::Either);
    case platform::PictureFormat::Icon:
        return decode_icon(surface, file, IconFileKind::Icon);
    case platform::PictureFormat::Cursor:
        return decode_icon(surface, file, IconFileKind::Cursor);
    default:
        break;
    }
    SurfaceSink sink(surface);
    return codecs->decode_any(file, sink);
}

} // namespace advplay::graphics

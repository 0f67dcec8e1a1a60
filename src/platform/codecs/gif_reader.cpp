// GIF files read from memory through giflib.
#include "platform/codecs/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

namespace advplay::platform {

namespace {

struct MemoryInput {
    const std::uint8_t* data { nullptr };
    std::size_t size { 0 };
    std::size_t position { 0 };
};

int read_from_memory(GifFileType* gif, GifByteType* into, int length)
{
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    if (length <= 0)
        return 0;
    std::size_t const count = std::min(static_cast<std::size_t>(length), input->size - input->position);
    std::memcpy(into, input->data + input->position, count);
    input->position += count;
    return static_cast<int>(count);
}

// Passes over the records before the first image (extensions, whose content the picture does not
// need) and reads that image's descriptor.
bool read_first_image_descriptor(GifFileType* gif)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type != EXTENSION_RECORD_TYPE)
            return false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

// The palette the image is drawn with: 256 entries, as the loader's 8-bit pictures always had,
// filled from the table and white beyond it.
using Palette = std::array<std::uint8_t, 256 * 3>;

Palette palette_of(const GifFileType* gif, int screen_flags)
{
    Palette palette;
    palette.fill(0xFF);
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    if (!map) {
        // QUIRK: a file without any colour table draws with a table of the size the screen's
        // flags give, all black.
        std::size_t const size = std::size_t { 2 } << (screen_flags & 7);
        std::memset(palette.data(), 0, size * 3);
        return palette;
    }
    int const count = std::min(map->ColorCount, 256);
    for (int i = 0; i < count; ++i) {
        palette[3 * i] = map->Colors[i].Red;
        palette[3 * i + 1] = map->Colors[i].Green;
        palette[3 * i + 2] = map->Colors[i].Blue;
    }
    return palette;
}

// Decodes into `indices`, row by row in the file's order; rows that damaged or missing data leaves
// unwritten stay 0.
void read_indices(GifFileType* gif, GifPixelType* indices, int width, int height)
{
    auto const line = [&](int y) {
        return DGifGetLine(
                   gif, indices + static_cast<std::size_t>(y) * static_cast<std::size_t>(width), width)
            != GIF_ERROR;
    };
    if (!gif->Image.Interlace) {
        for (int y = 0; y < height; ++y) {
            if (!line(y))
                return;
        }
        return;
    }
    // Every eighth row from 0, every eighth from 4, every fourth from 2, every second from 1.
    constexpr int kStarts[] = { 0, 4, 2, 1 };
    constexpr int kSteps[] = { 8, 8, 4, 2 };
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStarts[pass]; y < height; y += kSteps[pass]) {
            if (!line(y))
                return;
        }
    }
}

bool decode(GifFileType* gif, int screen_flags, PictureSink& sink)
{
    if (!read_first_image_descriptor(gif))
        return false;
    int const width = gif->Image.Width;
    int const height = gif->Image.Height;
    if (width <= 0 || height <= 0 || !picture_size_allowed(width, height))
        return false;
    std::size_t const count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::unique_ptr<GifPixelType[]> indices(new (std::nothrow) GifPixelType[count]());
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(width) * 3]);
    if (!indices || !row)
        return false;
    Palette const palette = palette_of(gif, screen_flags);
    read_indices(gif, indices.get(), width, height);
    if (!sink.begin(width, height, 3))
        return false;
    for (int y = 0; y < height; ++y) {
        const GifPixelType* in
            = indices.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x)
            std::memcpy(row.get() + 3 * x, palette.data() + 3 * in[x], 3);
        sink.row(y, row.get());
    }
    return true;
}

} // namespace

bool read_gif(std::span<const std::uint8_t> file, PictureSink& sink)
{
    // The screen descriptor's flags, which giflib does not keep when there is no global table.
    constexpr std::size_t kScreenFlags = 10;
    if (file.size() <= kScreenFlags)
        return false;
    MemoryInput input { file.data(), file.size(), 0 };
    int error = 0;
    GifFileType* gif = DGifOpen(&input, read_from_memory, &error);
    if (!gif)
        return false;
    bool const decoded = decode(gif, file[kScreenFlags], sink);
    DGifCloseFile(gif, &error);
    return decoded;
}

} // namespace advplay::platform

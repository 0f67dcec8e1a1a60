// PNG files read from memory through libpng.
#include "platform/codecs/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace advplay::platform {

namespace {

struct MemoryInput {
    const std::uint8_t* data { nullptr };
    std::size_t size { 0 };
    std::size_t position { 0 };
};

void read_from_memory(png_structp png, png_bytep into, png_size_t length)
{
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    // A file cut short ends the decoding as libpng's own errors do, instead of reading past the block.
    if (length > input->size - input->position)
        png_error(png, "file ends early");
    std::memcpy(into, input->data + input->position, length);
    input->position += length;
}

[[noreturn]] void on_error(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) { }

// Everything the decoding allocates hangs off this object, which lives in the caller of
// decode_with_libpng: a longjmp out of libpng skips the destructors of that function's locals, and
// leaves those it changed after setjmp indeterminate.
struct PngRead {
    png_structp png { nullptr };
    png_infop info { nullptr };
    MemoryInput input;
    PictureSink* sink { nullptr };
    PngReading reading { PngReading::Strict };
    // One row, or the whole picture when it is interlaced.
    std::unique_ptr<png_byte[]> pixels;
    std::unique_ptr<png_bytep[]> rows;
};

// True when the tRNS chunk only names one colour to leave out: any chunk of a grey or RGB picture, and
// a palette's when it makes at most one entry wholly transparent and none partly. The general
// loader treats such a colour as a key, not as alpha.
bool is_colour_key(const PngRead& read)
{
    if (png_get_color_type(read.png, read.info) != PNG_COLOR_TYPE_PALETTE)
        return true;
    png_bytep alphas = nullptr;
    int count = 0;
    if (png_get_tRNS(read.png, read.info, &alphas, &count, nullptr) != PNG_INFO_tRNS || !alphas)
        return true;
    int transparent = 0;
    for (int i = 0; i < count; ++i) {
        if (alphas[i] == 0)
            ++transparent;
        else if (alphas[i] != 255)
            return false;
    }
    return transparent <= 1;
}

bool decode_with_libpng(PngRead& read)
{
    if (setjmp(png_jmpbuf(read.png)))
        return false;
    png_set_read_fn(read.png, &read.input, read_from_memory);
    png_set_user_limits(read.png, kMaxPictureSide, kMaxPictureSide);
    png_read_info(read.png, read.info);

    int const color_type = png_get_color_type(read.png, read.info);
    int const bit_depth = png_get_bit_depth(read.png, read.info);
    bool has_alpha = (color_type & PNG_COLOR_MASK_ALPHA) != 0;
    if (read.reading == PngReading::General && png_get_valid(read.png, read.info, PNG_INFO_tRNS)) {
        // A key's colour stays: the alpha that the expansion makes of it is dropped again.
        if (is_colour_key(read))
            png_set_strip_alpha(read.png);
        else
            has_alpha = true;
    }
    if (color_type == PNG_COLOR_TYPE_PALETTE || (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8)
        || png_get_valid(read.png, read.info, PNG_INFO_tRNS))
        png_set_expand(read.png);
    if (bit_depth > 8)
        png_set_strip_16(read.png);
    if (color_type == PNG_COLOR_TYPE_GRAY
        || (read.reading == PngReading::General && color_type == PNG_COLOR_TYPE_GRAY_ALPHA))
        png_set_gray_to_rgb(read.png);
    // Not a transformation of the pixels: it makes libpng put the passes of an interlaced file
    // together.
    int const passes = png_set_interlace_handling(read.png);
    png_read_update_info(read.png, read.info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int depth = 0;
    int transformed_type = 0;
    png_get_IHDR(read.png, read.info, &width, &height, &depth, &transformed_type, nullptr, nullptr, nullptr);
    if (transformed_type != (has_alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB) || depth != 8)
        return false;
    if (!picture_fits_file(width, height, read.input.size))
        return false;
    std::size_t const row_bytes = std::size_t { width } * (has_alpha ? 4 : 3);
    if (png_get_rowbytes(read.png, read.info) != row_bytes)
        return false;

    if (passes == 1) {
        // Row by row through one buffer: the picture never exists twice.
        read.pixels.reset(new (std::nothrow) png_byte[row_bytes]);
        if (!read.pixels
            || !read.sink->begin(
                static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), has_alpha ? 4 : 3))
            return false;
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(read.png, read.pixels.get(), nullptr);
            read.sink->row(static_cast<std::int32_t>(y), read.pixels.get());
        }
        return true;
    }
    // The passes of an interlaced picture each touch every part of it, so it is read whole first.
    read.pixels.reset(new (std::nothrow) png_byte[row_bytes * height]);
    read.rows.reset(new (std::nothrow) png_bytep[height]);
    if (!read.pixels || !read.rows)
        return false;
    for (png_uint_32 y = 0; y < height; ++y)
        read.rows[y] = read.pixels.get() + row_bytes * y;
    png_read_image(read.png, read.rows.get());
    if (!read.sink->begin(
            static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), has_alpha ? 4 : 3))
        return false;
    for (png_uint_32 y = 0; y < height; ++y)
        read.sink->row(static_cast<std::int32_t>(y), read.rows[y]);
    return true;
}

} // namespace

bool read_png(std::span<const std::uint8_t> file, PictureSink& sink, PngReading reading)
{
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0)
        return false;
    PngRead read;
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!read.png)
        return false;
    read.info = png_create_info_struct(read.png);
    if (!read.info) {
        png_destroy_read_struct(&read.png, nullptr, nullptr);
        return false;
    }
    read.input = { file.data(), file.size(), 0 };
    read.sink = &sink;
    read.reading = reading;
    bool const decoded = decode_with_libpng(read);
    png_destroy_read_struct(&read.png, &read.info, nullptr);
    return decoded;
}

} // namespace advplay::platform

// JPEG files read from memory through libjpeg-turbo.
#include "platform/codecs/jpeg_reader.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <memory>
#include <new>

namespace advplay::platform {

namespace {

// A progressive picture needs one scan per component and band of coefficients, a few dozen at most;
// thousands of tiny scans only make the decoding slow.
constexpr int kMostScans = 1000;

// The library's error manager with a way out: errors jump back to the decoding instead of ending the
// process, as the default manager does.
struct ErrorManager {
    jpeg_error_mgr manager {};
    std::jmp_buf jump {};
};

[[noreturn]] void on_error(j_common_ptr info)
{
    // `manager` is the first member, so the library's pointer is the whole ErrorManager.
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void on_message(j_common_ptr, int) { }

void on_progress(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMostScans)
        on_error(info);
}

// Everything the decoding allocates hangs off this object, which lives in the caller of
// decode_with_libjpeg: a longjmp out of the library skips the destructors of that function's locals,
// and leaves those it changed after setjmp indeterminate.
struct JpegRead {
    jpeg_decompress_struct info {};
    ErrorManager error;
    jpeg_progress_mgr progress {};
    bool created { false };
    std::span<const std::uint8_t> file;
    PictureSink* sink { nullptr };
    std::unique_ptr<JSAMPLE[]> row;
};

bool decode_with_libjpeg(JpegRead& read)
{
    if (setjmp(read.error.jump))
        return false;
    jpeg_create_decompress(&read.info);
    read.created = true;
    read.progress.progress_monitor = on_progress;
    read.info.progress = &read.progress;
    jpeg_mem_src(&read.info, read.file.data(), static_cast<unsigned long>(read.file.size()));
    if (jpeg_read_header(&read.info, TRUE) != JPEG_HEADER_OK)
        return false;
    if (read.info.image_width == 0 || read.info.image_height == 0
        || !picture_size_allowed(read.info.image_width, read.info.image_height)
        || read.info.num_components == 4)
        return false;
    read.info.out_color_space = JCS_RGB;
    if (!jpeg_start_decompress(&read.info))
        return false;
    JDIMENSION const width = read.info.output_width;
    JDIMENSION const height = read.info.output_height;
    if (read.info.output_components != 3 || !picture_size_allowed(width, height))
        return false;
    read.row.reset(new (std::nothrow) JSAMPLE[std::size_t { width } * 3]);
    if (!read.row
        || !read.sink->begin(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), 3))
        return false;
    while (read.info.output_scanline < height) {
        JSAMPROW rows[] = { read.row.get() };
        JDIMENSION const y = read.info.output_scanline;
        if (jpeg_read_scanlines(&read.info, rows, 1) != 1)
            return false;
        read.sink->row(static_cast<std::int32_t>(y), read.row.get());
    }
    // The loader finished every picture too: what the library finds wrong after the last row still
    // refuses it.
    return jpeg_finish_decompress(&read.info) != 0;
}

} // namespace

bool read_jpeg(std::span<const std::uint8_t> file, PictureSink& sink)
{
    if (file.size() < 2 || file.size() > 0xFFFFFFFFu)
        return false;
    JpegRead read;
    read.info.err = jpeg_std_error(&read.error.manager);
    read.error.manager.error_exit = on_error;
    read.error.manager.emit_message = on_message;
    read.file = file;
    read.sink = &sink;
    bool const decoded = decode_with_libjpeg(read);
    if (read.created)
        jpeg_destroy_decompress(&read.info);
    return decoded;
}

} // namespace advplay::platform

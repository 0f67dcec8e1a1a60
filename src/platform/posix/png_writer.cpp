// PNG files for screenshots, through libpng.
#include "platform/posix/png_writer.h"

#include <png.h>

#include <cstdio>

namespace advplay::platform {

bool write_png_rgb(const std::string& host_path, int width, int height, std::span<const std::uint8_t> rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3)
        return false;
    std::FILE* file = std::fopen(host_path.c_str(), "wb");
    if (!file)
        return false;
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    int const written = png_image_write_to_stdio(&image, file, 0, rgb.data(), width * 3, nullptr);
    bool const closed = std::fclose(file) == 0;
    return written != 0 && closed;
}

} // namespace advplay::platform

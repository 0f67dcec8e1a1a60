// PNG files for screenshots.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace advplay::platform {

// Writes width x height pixels of 8-bit R, G, B (top row first) as a 24-bit PNG at a host path.
// False when the file cannot be written.
bool write_png_rgb(const std::string& host_path, int width, int height, std::span<const std::uint8_t> rgb);

} // namespace advplay::platform

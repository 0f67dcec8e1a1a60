// Where the 640 x 480 picture lies in a window of any size and pixel density, and how points of the
// window map to the picture's client coordinates. Plain arithmetic, so that it can be tested without
// a display: offset clicks in scaled and letterboxed windows are a classic fault of players.
#pragma once

#include <cstdint>

namespace advplay::platform {

struct PictureRect {
    int x { 0 };
    int y { 0 };
    int w { 640 };
    int h { 480 };
};

// The picture fitted into an output of output_w x output_h pixels, keeping its 4:3 shape, centred:
// the rest is letterbox (or pillarbox). In a window at an integer scale it fills the output.
PictureRect fit_picture(int output_w, int output_h);

// The window's scale on a desktop whose usable area is usable_w x usable_h: `wanted` when a
// window of that size fits (room kept for a frame of `frame_h` above it), else the largest
// that fits, and never less than 1. A `wanted` of 0 asks for the largest that fits, up to
// `largest_default`.
int fitting_scale(int wanted, int usable_w, int usable_h, int frame_h, int largest_default);

// A window point (in the system's window units, which a high-density display counts in points
// rather than pixels) to the picture's 640 x 480 client coordinates; points in the letterbox give
// coordinates outside 0..639 x 0..479.
struct WindowGeometry {
    int window_w { 640 };
    int window_h { 480 };
    int output_w { 640 };
    int output_h { 480 };
};
void window_to_client(const WindowGeometry& geometry, int window_x, int window_y, std::int32_t& client_x,
    std::int32_t& client_y);
// A window point inside a client pixel, so that converting it back gives that pixel (wherever a
// window point is no coarser than a client pixel).
void client_to_window(const WindowGeometry& geometry, std::int32_t client_x, std::int32_t client_y,
    int& window_x, int& window_y);

} // namespace advplay::platform

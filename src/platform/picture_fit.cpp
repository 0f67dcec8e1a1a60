// Where the picture lies in the window.
#include "platform/picture_fit.h"

#include <algorithm>
#include <cmath>

namespace advplay::platform {

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

} // namespace

PictureRect fit_picture(int output_w, int output_h)
{
    double const scale
        = std::min(static_cast<double>(output_w) / kWidth, static_cast<double>(output_h) / kHeight);
    PictureRect rect;
    rect.w = std::max(1, static_cast<int>(std::lround(kWidth * scale)));
    rect.h = std::max(1, static_cast<int>(std::lround(kHeight * scale)));
    rect.x = (output_w - rect.w) / 2;
    rect.y = (output_h - rect.h) / 2;
    return rect;
}

void window_to_client(const WindowGeometry& geometry, int window_x, int window_y, std::int32_t& client_x,
    std::int32_t& client_y)
{
    double const output_x
        = window_x * static_cast<double>(geometry.output_w) / std::max(geometry.window_w, 1);
    double const output_y
        = window_y * static_cast<double>(geometry.output_h) / std::max(geometry.window_h, 1);
    PictureRect const picture = fit_picture(geometry.output_w, geometry.output_h);
    client_x = static_cast<std::int32_t>(std::floor((output_x - picture.x) * kWidth / picture.w));
    client_y = static_cast<std::int32_t>(std::floor((output_y - picture.y) * kHeight / picture.h));
}

void client_to_window(const WindowGeometry& geometry, std::int32_t client_x, std::int32_t client_y,
    int& window_x, int& window_y)
{
    PictureRect const picture = fit_picture(geometry.output_w, geometry.output_h);
    // The first whole window point inside the client pixel: a point names its top-left corner, and
    // on a dense display a point spans several output pixels.
    double const output_x = picture.x + static_cast<double>(client_x) * picture.w / kWidth;
    double const output_y = picture.y + static_cast<double>(client_y) * picture.h / kHeight;
    constexpr double kSlack = 1e-9;
    window_x
        = static_cast<int>(std::ceil(output_x * geometry.window_w / std::max(geometry.output_w, 1) - kSlack));
    window_y
        = static_cast<int>(std::ceil(output_y * geometry.window_h / std::max(geometry.output_h, 1) - kSlack));
}

int fitting_scale(int wanted, int usable_w, int usable_h, int frame_h, int largest_default)
{
    int scale = wanted > 0 ? wanted : largest_default;
    while (scale > 1 && (640 * scale > usable_w || 480 * scale + frame_h > usable_h))
        --scale;
    return std::max(scale, 1);
}

} // namespace advplay::platform

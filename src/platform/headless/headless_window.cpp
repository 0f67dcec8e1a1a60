// HeadlessWindow: the cursor and the picture it keeps.
#include "platform/headless/headless_window.h"

#include <algorithm>
#include <cstring>

namespace advplay::platform {

void HeadlessWindow::warp_cursor(CursorPosition position)
{
    // A system keeps the cursor on its screen; the headless screen is the window.
    m_cursor = { std::clamp(position.x, 0, kWidth - 1), std::clamp(position.y, 0, kHeight - 1) };
    m_cursor_moves.push(m_cursor);
}

void HeadlessWindow::present(const PictureArea& area)
{
    std::int32_t const x0 = std::max(area.x, 0);
    std::int32_t const y0 = std::max(area.y, 0);
    std::int32_t const x1 = std::min(area.x + area.w, kWidth);
    std::int32_t const y1 = std::min(area.y + area.h, kHeight);
    if (x1 <= x0 || y1 <= y0 || !area.pixels)
        return;
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint16_t* from
            = area.pixels + static_cast<std::ptrdiff_t>(y - area.y) * area.pitch + (x0 - area.x);
        std::memcpy(&m_picture[static_cast<std::size_t>(y) * kWidth + x0], from,
            static_cast<std::size_t>(x1 - x0) * 2);
    }
}

} // namespace advplay::platform

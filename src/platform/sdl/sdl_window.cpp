// SdlWindow: window, renderer, streaming texture, events and cursor on SDL2.
#include "platform/sdl/sdl_window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#if ADVPLAY_X11 && defined(SDL_VIDEO_DRIVER_X11)
#include "platform/x11/window_manager.h"
#endif

#include <algorithm>
#include <cmath>
#include <cstring>

namespace advplay::platform {

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kLargestDefaultScale = 2;

// The texture holds the picture in the renderer's own 32-bit format: scaling a 16-bit texture on
// the way to the window converts every pixel of every present, three times the cost of the copy.
// Each 5-bit channel is widened by repeating its top bits, as the system did on a 32-bit desktop.
std::uint32_t to_rgb888(std::uint16_t pixel)
{
    auto const widen = [](std::uint32_t v) { return (v << 3) | (v >> 2); };
    return widen((pixel >> 10) & 0x1F) << 16 | widen((pixel >> 5) & 0x1F) << 8 | widen(pixel & 0x1F);
}

Key key_of(SDL_Keycode code)
{
    switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return Key::Enter;
    case SDLK_SPACE:
        return Key::Space;
    case SDLK_ESCAPE:
        return Key::Escape;
    case SDLK_F4:
        return Key::F4;
    case SDLK_F12:
        return Key::F12;
    case SDLK_LEFT:
        return Key::Left;
    case SDLK_UP:
        return Key::Up;
    case SDLK_RIGHT:
        return Key::Right;
    case SDLK_DOWN:
        return Key::Down;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return Key::Ctrl;
    case SDLK_TAB:
        return Key::Tab;
    case SDLK_a:
        return Key::A;
    case SDLK_c:
        return Key::C;
    case SDLK_h:
        return Key::H;
    case SDLK_F1:
        return Key::F1;
    case SDLK_F9:
        return Key::F9;
    case SDLK_PAGEUP:
        return Key::PageUp;
    case SDLK_PAGEDOWN:
        return Key::PageDown;
    case SDLK_BACKSPACE:
        return Key::Backspace;
    default:
        return Key::Other;
    }
}

} // namespace

SdlWindow::SdlWindow(const TextEncoding& encoding, SdlWindowOptions options)
    : m_encoding(encoding)
    , m_options(options)
{
}

SdlWindow::~SdlWindow()
{
    if (m_cursor)
        SDL_FreeCursor(m_cursor);
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
    if (m_window)
        SDL_DestroyWindow(m_window);
    if (m_video)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::open(std::string_view title, std::uint32_t background)
{
    m_background = background;
    m_title = m_encoding.to_utf8(title);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        m_error = std::string("SDL cannot use the display: ") + SDL_GetError();
        return false;
    }
    m_video = true;
    // Where only the software renderer draws, its picture goes to the window as X shared memory
    // rather than through an OpenGL texture: without a GPU that is a second software renderer, and
    // it doubled the cost of every present.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");

    // The largest integer scale whose window still fits the desktop, leaving room for its frame; a
    // scale asked for that would put the message window off screen is brought down to it.
    SDL_Rect usable { 0, 0, kWidth, kHeight };
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0)
        usable = { 0, 0, kWidth * std::max(m_options.scale, 1), kHeight * std::max(m_options.scale, 1) + 64 };
    m_scale = fitting_scale(m_options.scale, usable.w, usable.h, 64, kLargestDefaultScale);
    if (m_options.scale > 0 && m_scale != m_options.scale && m_options.say)
        m_options.say("--scale " + std::to_string(m_options.scale) + " does not fit the desktop ("
            + std::to_string(usable.w) + " x " + std::to_string(usable.h)
            + " usable); the window is at scale " + std::to_string(m_scale));
    m_window = SDL_CreateWindow(m_title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
        kWidth * m_scale, kHeight * m_scale, SDL_WINDOW_ALLOW_HIGHDPI);
    if (!m_window) {
        m_error = std::string("SDL cannot create the window: ") + SDL_GetError();
        return false;
    }
    // No vertical sync: the frame loop times every pass to the millisecond itself.
    m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_ACCELERATED);
    if (!m_renderer)
        m_renderer = SDL_CreateRenderer(m_window, -1, SDL_RENDERER_SOFTWARE);
    if (m_renderer)
        m_texture = SDL_CreateTexture(
            m_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
    if (!m_renderer || !m_texture) {
        m_error = std::string("SDL cannot draw in the window: ") + SDL_GetError();
        return false;
    }
    apply_filter();
    // The picture starts in the background colour, as every surface does.
    Uint16 const pixel = static_cast<Uint16>(
        ((background & 0xF8) << 7) | (((background >> 11) << 5) & 0x03E0) | ((background >> 19) & 0x1F));
    m_shown.assign(static_cast<std::size_t>(kWidth) * kHeight, pixel);
    m_converted.assign(m_shown.size(), to_rgb888(pixel));
    SDL_UpdateTexture(m_texture, nullptr, m_converted.data(), kWidth * 4);
    SDL_DisplayMode mode {};
    int const refresh
        = SDL_GetCurrentDisplayMode(SDL_GetWindowDisplayIndex(m_window), &mode) == 0 ? mode.refresh_rate : 0;
    m_present_interval = static_cast<std::uint32_t>(1000 / (refresh > 0 ? refresh : 60));
    m_wake_event = SDL_RegisterEvents(1);
    if (m_wake_event == static_cast<std::uint32_t>(-1))
        m_wake_event = 0;
    if (m_cursor)
        SDL_SetCursor(m_cursor);
    render();
    return true;
}

WindowGeometry SdlWindow::geometry() const
{
    WindowGeometry geometry;
    if (m_window)
        SDL_GetWindowSize(m_window, &geometry.window_w, &geometry.window_h);
    if (m_renderer)
        SDL_GetRendererOutputSize(m_renderer, &geometry.output_w, &geometry.output_h);
    return geometry;
}

CursorPosition SdlWindow::to_client(int window_x, int window_y) const
{
    CursorPosition client;
    window_to_client(geometry(), window_x, window_y, client.x, client.y);
    return client;
}

bool SdlWindow::translate(const void* raw, Event& event)
{
    auto const& sdl = *static_cast<const SDL_Event*>(raw);
    event = {};
    switch (sdl.type) {
    case SDL_QUIT:
        event.type = EventType::CloseRequest;
        return true;
    case SDL_WINDOWEVENT:
        switch (sdl.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event.type = EventType::CloseRequest;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.type = EventType::FocusLost;
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            event.type = EventType::FocusGained;
            return true;
        case SDL_WINDOWEVENT_ENTER:
            m_pointer_inside = true;
            return false;
        case SDL_WINDOWEVENT_LEAVE:
            m_pointer_inside = false;
            return false;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
            render();
            return false;
        default:
            return false;
        }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event.type = sdl.type == SDL_KEYDOWN ? EventType::KeyDown : EventType::KeyUp;
        event.key = key_of(sdl.key.keysym.sym);
        event.repeat = sdl.key.repeat != 0;
        event.alt = (sdl.key.keysym.mod & KMOD_ALT) != 0;
        event.ctrl = (sdl.key.keysym.mod & KMOD_CTRL) != 0;
        return true;
    case SDL_MOUSEMOTION:
        m_pointer_x = sdl.motion.x;
        m_pointer_y = sdl.motion.y;
        m_pointer_inside = true;
        return false;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        m_pointer_x = sdl.button.x;
        m_pointer_y = sdl.button.y;
        if (sdl.button.button == SDL_BUTTON_LEFT)
            event.button = MouseButton::Left;
        else if (sdl.button.button == SDL_BUTTON_RIGHT)
            event.button = MouseButton::Right;
        else if (sdl.button.button == SDL_BUTTON_MIDDLE)
            event.button = MouseButton::Middle;
        else
            return false;
        event.type = sdl.type == SDL_MOUSEBUTTONDOWN ? EventType::ButtonDown : EventType::ButtonUp;
        CursorPosition const at = to_client(sdl.button.x, sdl.button.y);
        event.x = at.x;
        event.y = at.y;
        return true;
    }
    case SDL_MOUSEWHEEL:
        if (sdl.wheel.y == 0)
            return false;
        event.type = EventType::Wheel;
        event.wheel = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -sdl.wheel.y : sdl.wheel.y;
        return true;
    default:
        return false;
    }
}

bool SdlWindow::poll_event(Event& event)
{
    {
        std::lock_guard const lock(m_posted_mutex);
        if (!m_posted.empty()) {
            event = m_posted.front();
            m_posted.pop_front();
            return true;
        }
    }
    if (!m_video)
        return false;
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl)) {
        if (translate(&sdl, event))
            return true;
    }
    return false;
}

bool SdlWindow::wait_event(std::uint32_t ms)
{
    if (!m_video)
        return false;
    {
        std::lock_guard const lock(m_posted_mutex);
        if (!m_posted.empty())
            return true;
    }
    // Any event ends the wait, the pointer's motion too: the next pass looks at where it is.
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<std::uint32_t>(ms, 0x7FFFFFFF)));
    return true;
}

void SdlWindow::post_event(const Event& event)
{
    {
        std::lock_guard const lock(m_posted_mutex);
        m_posted.push_back(event);
    }
    if (m_wake_event != 0) {
        SDL_Event wake {};
        wake.type = m_wake_event;
        SDL_PushEvent(&wake);
    }
}

bool SdlWindow::set_title(std::string_view title)
{
    m_title = m_encoding.to_utf8(title);
    if (m_window)
        SDL_SetWindowTitle(m_window, m_title.c_str());
    return true;
}

CursorPosition SdlWindow::cursor_position()
{
    if (!m_window)
        return {};
    // Inside, the window's own events: the global position lags or stays put where the desktop
    // gives no raw motion. Outside, the global position, which goes on past the edges as the
    // original's did.
    if (m_pointer_inside)
        return to_client(m_pointer_x, m_pointer_y);
    int global_x = 0;
    int global_y = 0;
    int window_x = 0;
    int window_y = 0;
    SDL_GetGlobalMouseState(&global_x, &global_y);
    SDL_GetWindowPosition(m_window, &window_x, &window_y);
    return to_client(global_x - window_x, global_y - window_y);
}

void SdlWindow::warp_cursor(CursorPosition position)
{
    if (!m_window)
        return;
    int x = 0;
    int y = 0;
    client_to_window(geometry(), position.x, position.y, x, y);
    SDL_WarpMouseInWindow(m_window, x, y);
    // The motion event of the warp may come late or not at all; the position is known now, kept
    // inside the window as the system keeps the pointer.
    WindowGeometry const window = geometry();
    m_pointer_x = std::clamp(x, 0, std::max(window.window_w - 1, 0));
    m_pointer_y = std::clamp(y, 0, std::max(window.window_h - 1, 0));
    m_pointer_inside = true;
}

void SdlWindow::capture_mouse(bool captured)
{
    if (m_window)
        SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}

bool SdlWindow::set_cursor(const CursorImage* image)
{
    SDL_Cursor* cursor = nullptr;
    if (!image) {
        cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    } else {
        SDL_Surface* surface
            = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(image->pixels.data()),
                image->width, image->height, 32, image->width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (!surface)
            return false;
        cursor = SDL_CreateColorCursor(surface, image->hot_x, image->hot_y);
        SDL_FreeSurface(surface);
    }
    if (!cursor)
        return false;
    if (m_video)
        SDL_SetCursor(cursor);
    if (m_cursor)
        SDL_FreeCursor(m_cursor);
    m_cursor = cursor;
    return true;
}

void SdlWindow::show_cursor(bool shown)
{
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::present(const PictureArea& area)
{
    int const x0 = std::max(area.x, 0);
    int const x1 = std::min(area.x + area.w, kWidth);
    if (!m_texture || !area.pixels || x1 <= x0)
        return;
    // Only the rows that differ from what the window shows: a choice wait redraws its choices every
    // pass, mostly unchanged, and a present costs the whole window.
    int top = kHeight;
    int bottom = 0;
    for (int y = std::max(area.y, 0); y < std::min(area.y + area.h, kHeight); ++y) {
        const std::uint16_t* from
            = area.pixels + static_cast<std::ptrdiff_t>(y - area.y) * area.pitch + (x0 - area.x);
        std::uint16_t* shown = &m_shown[static_cast<std::size_t>(y) * kWidth + x0];
        std::size_t const bytes = static_cast<std::size_t>(x1 - x0) * 2;
        if (std::memcmp(shown, from, bytes) == 0)
            continue;
        std::memcpy(shown, from, bytes);
        std::transform(
            shown, shown + (x1 - x0), &m_converted[static_cast<std::size_t>(y) * kWidth + x0], to_rgb888);
        top = std::min(top, y);
        bottom = y + 1;
    }
    if (top >= bottom)
        return;
    SDL_Rect const rect { x0, top, x1 - x0, bottom - top };
    SDL_UpdateTexture(
        m_texture, &rect, &m_converted[static_cast<std::size_t>(top) * kWidth + x0], kWidth * 4);
    render();
}

void SdlWindow::handle_paint_requests()
{
    if (!m_video)
        return;
    SDL_PumpEvents();
    // Only the window's own events are taken; keys and buttons wait in SDL's queue for the frame loop.
    SDL_Event sdl;
    while (SDL_PeepEvents(&sdl, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) > 0) {
        Event event;
        if (translate(&sdl, event))
            post_event(event);
    }
}

void SdlWindow::render()
{
    if (!m_renderer)
        return;
    WindowGeometry const sizes = geometry();
    PictureRect const picture = fit_picture(sizes.output_w, sizes.output_h);
    if (picture.x > 0 || picture.y > 0 || picture.w < sizes.output_w || picture.h < sizes.output_h) {
        SDL_SetRenderDrawColor(
            m_renderer, m_background & 0xFF, (m_background >> 8) & 0xFF, (m_background >> 16) & 0xFF, 255);
        SDL_RenderClear(m_renderer);
    }
    SDL_Rect const destination { picture.x, picture.y, picture.w, picture.h };
    SDL_RenderCopy(m_renderer, m_texture, nullptr, &destination);
    SDL_RenderPresent(m_renderer);
}

void SdlWindow::apply_filter()
{
    bool const linear = m_options.linear_filter;
    // The hint is what SDL reads when it makes a texture; the texture there is keeps the mode it was
    // made with unless told.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, linear ? "linear" : "nearest");
    if (m_texture)
        SDL_SetTextureScaleMode(m_texture, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
}

void SdlWindow::set_linear_filter(bool linear)
{
    m_options.linear_filter = linear;
    apply_filter();
    // The change shows now, not at the game's next present.
    render();
}

void SdlWindow::set_background(std::uint32_t color)
{
    m_background = color;
    render();
}

void SdlWindow::centre_window()
{
    SDL_SetWindowSize(m_window, kWidth * m_scale, kHeight * m_scale);
    SDL_SetWindowPosition(m_window, SDL_WINDOWPOS_CENTERED_DISPLAY(SDL_GetWindowDisplayIndex(m_window)),
        SDL_WINDOWPOS_CENTERED_DISPLAY(SDL_GetWindowDisplayIndex(m_window)));
}

bool SdlWindow::window_manager_answers() const
{
#if ADVPLAY_X11 && defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(m_window, &info) && info.subsystem == SDL_SYSWM_X11)
        return x11_has_window_manager(info.info.x11.display);
#endif
    return true;
}

FullScreenResult SdlWindow::set_full_screen(bool full_screen)
{
    if (!m_window)
        return FullScreenResult::Failed;
    if (full_screen == m_full_screen)
        return FullScreenResult::Done;
    if (full_screen && !window_manager_answers()) {
        // Nobody would act on the request: the window would keep its size and the letterboxed
        // picture would be cut off at its edges. The window covers the display itself, unframed.
        SDL_Rect bounds {};
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(m_window), &bounds) != 0)
            return FullScreenResult::Failed;
        SDL_SetWindowBordered(m_window, SDL_FALSE);
        SDL_SetWindowPosition(m_window, bounds.x, bounds.y);
        SDL_SetWindowSize(m_window, bounds.w, bounds.h);
        SDL_RaiseWindow(m_window);
        m_covering_display = true;
    } else if (!full_screen && m_covering_display) {
        SDL_SetWindowBordered(m_window, SDL_TRUE);
        m_covering_display = false;
    } else if (SDL_SetWindowFullscreen(m_window, full_screen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        // The desktop mode of the display the window is on: no mode change, the picture is fitted.
        return FullScreenResult::Failed;
    }
    m_full_screen = full_screen;
    if (!full_screen)
        centre_window();
    render();
    return FullScreenResult::Done;
}

void SdlWindow::raise()
{
    if (!m_window)
        return;
    SDL_RestoreWindow(m_window);
    SDL_RaiseWindow(m_window);
}

void SdlWindow::set_clipboard_text(std::string_view utf8)
{
    // A clipboard SDL cannot reach (no X selection owner, say) loses the copy; the game goes on.
    (void)SDL_SetClipboardText(std::string(utf8).c_str());
}

} // namespace advplay::platform

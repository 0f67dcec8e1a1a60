// SdlWindow: the game's window on SDL2, showing the 640 x 480 picture at an integer scale, or fitted
// and letterboxed in full screen.
#pragma once

#include "platform/picture_fit.h"
#include "platform/text_encoding.h"
#include "platform/window.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;

namespace advplay::platform {

struct SdlWindowOptions {
    // Window size as a multiple of 640 x 480; 0 picks the largest that fits the desktop, at most 2.
    int scale { 0 };
    // Smooth the picture when it is scaled by a fraction (full screen); nearest pixels otherwise.
    bool linear_filter { false };
    // Tells the player of a choice made for them (a scale that does not fit the desktop).
    std::function<void(const std::string&)> say;
};

class SdlWindow final : public Window {
public:
    SdlWindow(const TextEncoding& encoding, SdlWindowOptions options);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    bool open(std::string_view title, std::uint32_t background) override;
    bool poll_event(Event& event) override;
    bool wait_event(std::uint32_t ms) override;
    void post_event(const Event& event) override;
    bool set_title(std::string_view title) override;
    CursorPosition cursor_position() override;
    void warp_cursor(CursorPosition position) override;
    void capture_mouse(bool captured) override;
    bool set_cursor(const CursorImage* image) override;
    void show_cursor(bool shown) override;
    void present(const PictureArea& area) override;
    std::uint32_t present_interval() const override { return m_present_interval; }
    void handle_paint_requests() override;
    void set_background(std::uint32_t color) override;
    void set_linear_filter(bool linear) override;
    bool full_screen() const override { return m_full_screen; }
    FullScreenResult set_full_screen(bool full_screen) override;
    void raise() override;
    void set_clipboard_text(std::string_view utf8) override;

    // For message boxes that belong to the window; null until it is open.
    SDL_Window* handle() const { return m_window; }
    // The texture the picture is scaled from, for a look at how SDL draws it; null until the window
    // is open.
    SDL_Texture* texture() const { return m_texture; }
    // Why the window could not open, for the user.
    std::string open_error() const override { return m_error; }
    PictureArea shown_picture() const override
    {
        if (m_shown.empty())
            return {};
        return { m_shown.data(), 640, 0, 0, 640, 480 };
    }

private:
    // The window's size in its own units and its renderer's output in pixels.
    WindowGeometry geometry() const;
    CursorPosition to_client(int window_x, int window_y) const;
    void render();
    // Gives the texture, and those SDL makes from here on, the filter the options ask for.
    void apply_filter();
    void centre_window();
    // Whether a request to go full screen is acted on (false on X without a window manager).
    bool window_manager_answers() const;
    bool translate(const void* sdl_event, Event& event);

    const TextEncoding& m_encoding;
    SdlWindowOptions m_options;
    int m_scale { 1 };
    SDL_Window* m_window { nullptr };
    SDL_Renderer* m_renderer { nullptr };
    SDL_Texture* m_texture { nullptr };
    SDL_Cursor* m_cursor { nullptr };
    bool m_video { false };
    bool m_full_screen { false };
    // Full screen is the window itself covering the display, where no window manager answers.
    bool m_covering_display { false };
    // The pointer in window units as the window's own events last placed it, while it is inside:
    // desktops that give no raw motion (remote desktops, synthesised input) still send these.
    int m_pointer_x { 0 };
    int m_pointer_y { 0 };
    bool m_pointer_inside { false };
    std::uint32_t m_background { 0 };
    // What the window shows, to leave out of a present what has not changed since the last one.
    std::vector<std::uint16_t> m_shown;
    std::vector<std::uint32_t> m_converted;
    std::uint32_t m_present_interval { 0 };
    // The SDL event that wakes wait_event when another thread posts; 0 before the window opens.
    std::uint32_t m_wake_event { 0 };
    std::string m_title;
    // Media devices post their notifications from the audio thread.
    std::mutex m_posted_mutex;
    std::deque<Event> m_posted;
    std::string m_error;
};

} // namespace advplay::platform

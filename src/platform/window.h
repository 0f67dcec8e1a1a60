// Window: the game's window and the queue of what happens to it (input, close requests, device
// notifications), read by the frame loop between two interpreter passes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace advplay::platform {

// The keys the engine gives a meaning to, and those the player's comforts use (from Ctrl on, keys
// the original left to the system); every other key arrives as Other.
enum class Key : std::uint8_t {
    Other,
    Enter,
    Space,
    Escape,
    F4,
    F12,
    Left,
    Up,
    Right,
    Down,
    Ctrl,
    Tab,
    A,
    C,
    H,
    F1,
    F9,
    PageUp,
    PageDown,
    Backspace,
};

enum class MouseButton : std::uint8_t {
    Left,
    Right,
    // The original gave it no meaning: it reaches only the player's comforts.
    Middle,
};

enum class EventType : std::uint8_t {
    // The window was asked to close (the close box, or the interpreter quitting).
    CloseRequest,
    KeyDown,
    KeyUp,
    ButtonDown,
    ButtonUp,
    // The window lost or got the keyboard focus.
    FocusLost,
    FocusGained,
    // A media device ended a play it was asked to report (posted from the device's own thread).
    DeviceNotify,
    // The mouse wheel turned by `wheel` notches, away from the player positive.
    Wheel,
};

// How a reported play ended.
enum class DeviceNotice : std::uint8_t {
    // It played to its end.
    Successful = 1,
    // A newer play that asked for a report took its place.
    Superseded = 2,
    // It was stopped.
    Aborted = 4,
    Failure = 8,
};

struct Event {
    EventType type { EventType::CloseRequest };
    Key key { Key::Other };
    // KeyDown: an auto-repeat of a key held down.
    bool repeat { false };
    // KeyDown: Alt was held; Ctrl was held.
    bool alt { false };
    bool ctrl { false };
    MouseButton button { MouseButton::Left };
    // ButtonDown and ButtonUp: client coordinates of the 640 x 480 picture.
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    // DeviceNotify: the medium the player opened (its id) and how the play ended.
    std::int32_t device { 0 };
    DeviceNotice notice { DeviceNotice::Successful };
    std::int32_t wheel { 0 };
};

struct CursorPosition {
    std::int32_t x { 0 };
    std::int32_t y { 0 };
};

// A cursor picture: width x height pixels of 0xAARRGGBB, top row first, and its hot spot.
struct CursorImage {
    std::int32_t width { 0 };
    std::int32_t height { 0 };
    std::int32_t hot_x { 0 };
    std::int32_t hot_y { 0 };
    std::vector<std::uint32_t> pixels;
};

// A part of an RGB555 picture: `pixels` points at its top-left pixel, rows `pitch` pixels apart.
struct PictureArea {
    const std::uint16_t* pixels { nullptr };
    std::int32_t pitch { 0 };
    std::int32_t x { 0 };
    std::int32_t y { 0 };
    std::int32_t w { 0 };
    std::int32_t h { 0 };
};

enum class FullScreenResult {
    Done,
    // The system refused the display mode; the game goes on in a window.
    NotSupported,
    Failed,
};

class Window {
public:
    virtual ~Window() = default;
    // Shows the window: the title (Shift-JIS), a 640 x 480 picture area in the background colour
    // (0x00BBGGRR). False when the system cannot make the window.
    virtual bool open(std::string_view title, std::uint32_t background) = 0;
    // Takes the next waiting event; false when there is none.
    virtual bool poll_event(Event& event) = 0;
    // Blocks until something happens to the window (input, the pointer moving, a posted event) or
    // `ms` milliseconds pass, so that a waiting game rests. A window that cannot block returns false
    // at once, and the frame loop goes on exactly as if it had not been asked.
    virtual bool wait_event(std::uint32_t ms)
    {
        (void)ms;
        return false;
    }
    // Queues an event behind the events already waiting. Any thread may post.
    virtual void post_event(const Event& event) = 0;
    void post_close_request() { post_event({ EventType::CloseRequest }); }
    // Title in Shift-JIS. False when the system refuses it.
    virtual bool set_title(std::string_view title) = 0;
    // The mouse cursor in client coordinates of the 640 x 480 picture.
    virtual CursorPosition cursor_position() = 0;
    // Moves the mouse cursor to client coordinates (clamped to the window by the system).
    virtual void warp_cursor(CursorPosition position) = 0;
    // While captured, button releases outside the window still arrive.
    virtual void capture_mouse(bool captured) = 0;
    // Shows the picture, or the system arrow for nullptr. False when the system refuses the picture.
    virtual bool set_cursor(const CursorImage* image) = 0;
    virtual void show_cursor(bool shown) = 0;

    // Copies an area of the 640 x 480 display picture to the same place in the window. A movie shows
    // its frames this way too, over the whole picture.
    virtual void present(const PictureArea& area) = 0;
    // The shortest time worth leaving between two presents, in milliseconds: a display shows at most
    // one picture per refresh, so what changes faster is gathered into one present. 0 presents every
    // pass (a window whose picture is read after each one).
    virtual std::uint32_t present_interval() const { return 0; }
    // Repaints the window where the system asks for it and does nothing else: input stays queued.
    // For waits that hold the game but should not leave a damaged window behind.
    virtual void handle_paint_requests() = 0;
    // The colour (0x00BBGGRR) shown around the picture where the window is larger than it.
    virtual void set_background(std::uint32_t color) = 0;

    // Smooths the picture where the window scales it by a fraction (full screen), or keeps its
    // pixels sharp; at once and for the rest of the run. A window that never scales has nothing to
    // smooth.
    virtual void set_linear_filter(bool linear) { (void)linear; }

    virtual bool full_screen() const = 0;
    // Switches between the window and the full screen; the mode changes only on success.
    virtual FullScreenResult set_full_screen(bool full_screen) = 0;
    // Brings the window to the front (another copy of the game asked for it).
    virtual void raise() = 0;
    // Why open failed, for the player; empty when it did not fail or the system gave no reason.
    virtual std::string open_error() const { return {}; }
    // The picture the window shows, where the backend keeps a copy of its own; otherwise no pixels,
    // and the caller takes the display picture it last presented.
    virtual PictureArea shown_picture() const { return {}; }
    // Puts UTF-8 text on the system's clipboard, for the player to paste elsewhere.
    virtual void set_clipboard_text(std::string_view utf8) = 0;
};

} // namespace advplay::platform

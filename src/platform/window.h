// Window: the game's window and the queue of what happens to it (input, close requests, device
// notifications), read by the frame loop between two interpreter passes.
#pragma once

#include <cstdint>
#include <string_view>

namespace advplay::platform {

// The keys the engine gives a meaning to; every other key arrives as Other.
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
};

enum class MouseButton : std::uint8_t {
    Left,
    Right,
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
};

struct Event {
    EventType type { EventType::CloseRequest };
    Key key { Key::Other };
    // KeyDown: an auto-repeat of a key held down.
    bool repeat { false };
    // KeyDown: Alt was held.
    bool alt { false };
    MouseButton button { MouseButton::Left };
    // ButtonDown and ButtonUp: client coordinates of the 640 x 480 picture.
    std::int32_t x { 0 };
    std::int32_t y { 0 };
};

struct CursorPosition {
    std::int32_t x { 0 };
    std::int32_t y { 0 };
};

class Window {
public:
    virtual ~Window() = default;
    // Takes the next waiting event; false when there is none.
    virtual bool poll_event(Event& event) = 0;
    // Queues an event behind the events already waiting.
    virtual void post_event(const Event& event) = 0;
    void post_close_request() { post_event({ EventType::CloseRequest }); }
    // Title in Shift-JIS. False when the system refuses it.
    virtual bool set_title(std::string_view title) = 0;
    // The mouse cursor in client coordinates of the 640 x 480 picture.
    virtual CursorPosition cursor_position() = 0;
};

} // namespace advplay::platform

// Window: the game's window and the queue of what happens to it (input, close requests, device
// notifications), read by the frame loop between two interpreter passes.
#pragma once

#include <cstdint>
#include <string_view>

namespace advplay::platform {

enum class EventType {
    // The window was asked to close (Escape, F12, the close box, or the interpreter quitting).
    CloseRequest,
};

struct Event {
    EventType type { EventType::CloseRequest };
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
    // Queues a close request behind the events already waiting.
    virtual void post_close_request() = 0;
    // Title in Shift-JIS. False when the system refuses it.
    virtual bool set_title(std::string_view title) = 0;
    // The mouse cursor in client coordinates of the 640 x 480 picture.
    virtual CursorPosition cursor_position() = 0;
};

} // namespace advplay::platform

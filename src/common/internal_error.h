// The internal-error reporter: where the window, device and media classes leave their failures. It
// shows the player nothing; the latest message is kept, and with debug output on a dated line is
// written out as well.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace advplay::platform {
class Clock;
struct LocalTime;
} // namespace advplay::platform

namespace advplay {

struct InternalErrorLog {
    // The latest message (Shift-JIS), replaced by each report.
    std::string latest;
    // Off unless the player asked for debug output; the app layer sets it.
    bool debug_output { false };
    // Takes each debug line, whole, as Shift-JIS bytes ending in a line feed. With no sink the lines
    // are dropped.
    std::function<void(std::string_view)> debug_sink;
};

// The debug line: "MM/DD/YY HH:MM:SS SDK 内部エラー : message\n" (Shift-JIS).
std::string internal_error_line(const platform::LocalTime& time, std::string_view message);

// Keeps `message` as the latest internal error and, with debug output on, passes its line to the sink.
void report_internal_error(InternalErrorLog& log, platform::Clock& clock, std::string_view message);

} // namespace advplay

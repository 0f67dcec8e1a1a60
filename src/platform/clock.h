// Clock: the millisecond clock that every wait and timestamp of the engine reads, and the calendar.
#pragma once

#include <cstdint>

namespace advplay::platform {

struct LocalTime {
    int year { 1970 };
    int month { 1 }; // 1..12
    int day { 1 }; // 1..31
    int weekday { 4 }; // 0 = Sunday .. 6 = Saturday
    int hour { 0 };
    int minute { 0 };
    int second { 0 };
    int millisecond { 0 };
};

// Milliseconds as a 32-bit count that wraps around, compared by unsigned differences.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t now() = 0;
    // Lets `ms` milliseconds pass. A virtual clock moves forward by exactly that much.
    virtual void sleep(std::uint32_t ms) = 0;
    // Lets time pass until now() has moved on by one: a real clock wakes right at the next
    // millisecond tick rather than a whole millisecond after the call.
    virtual void sleep_to_next_tick() = 0;
    // The local date and time, to the millisecond.
    virtual LocalTime local_time() = 0;
};

// The host's local date and time now.
LocalTime host_local_time();

} // namespace advplay::platform

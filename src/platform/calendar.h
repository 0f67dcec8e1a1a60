// The calendar of a clock that does not read the host's: a start given as a date and time, moved on
// by the clock's milliseconds (headless runs, and pages under test).
#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace advplay::platform {

// `base` moved on by `elapsed_ms`, with the date, the weekday and the time of day carried over.
LocalTime calendar_after(const LocalTime& base, std::uint32_t elapsed_ms);

// "YYYY-MM-DD HH:MM:SS" as a local time with its weekday, or nothing for another form or an
// impossible date.
std::optional<LocalTime> parse_date_time(std::string_view text);

} // namespace advplay::platform

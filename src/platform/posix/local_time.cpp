// The host's local date and time.
#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace advplay::platform {

LocalTime host_local_time()
{
    auto const now = std::chrono::system_clock::now();
    auto const since_epoch = now.time_since_epoch();
    std::time_t const seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts {};
    localtime_r(&seconds, &parts);
    LocalTime local;
    local.year = parts.tm_year + 1900;
    local.month = parts.tm_mon + 1;
    local.day = parts.tm_mday;
    local.weekday = parts.tm_wday;
    local.hour = parts.tm_hour;
    local.minute = parts.tm_min;
    local.second = parts.tm_sec;
    local.millisecond = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000);
    return local;
}

} // namespace advplay::platform

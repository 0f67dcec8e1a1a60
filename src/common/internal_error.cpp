// The internal-error reporter.
#include "common/internal_error.h"

#include "common/engine_texts.h"
#include "platform/clock.h"

#include <array>
#include <cstdio>

namespace advplay {

namespace {

// Three numbers as "AA?BB?CC" with two digits each, as the C runtime's date and time strings are.
std::string two_digit_triple(int a, int b, int c, char separator)
{
    std::array<char, 16> text {};
    std::snprintf(
        text.data(), text.size(), "%02d%c%02d%c%02d", a % 100, separator, b % 100, separator, c % 100);
    return text.data();
}

} // namespace

std::string internal_error_line(const platform::LocalTime& time, std::string_view message)
{
    std::string const fields[] = {
        two_digit_triple(time.month, time.day, time.year, '/'),
        two_digit_triple(time.hour, time.minute, time.second, ':'),
        std::string(message),
    };
    // The line's template keeps the engine's own bytes; each "%s" takes the next field in turn.
    std::string_view const pattern = texts::kInternalErrorLine.sjis;
    std::string line;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.substr(i, 2) == "%s" && next < std::size(fields)) {
            line += fields[next++];
            ++i;
        } else {
            line += pattern[i];
        }
    }
    return line;
}

void report_internal_error(InternalErrorLog& log, platform::Clock& clock, std::string_view message)
{
    log.latest = message;
    if (log.debug_output && log.debug_sink)
        log.debug_sink(internal_error_line(clock.local_time(), message));
}

} // namespace advplay

// The internal-error log: the latest message kept, and a dated line written only when debugging.
#include "common/internal_error.h"

#include "platform/headless/virtual_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace advplay {
namespace {

TEST(InternalErrorLog, KeepsTheLatestAndWritesADatedLineWhenDebugging)
{
    platform::VirtualClock clock;
    clock.set_calendar(
        platform::LocalTime { .year = 2003, .month = 1, .day = 2, .hour = 4, .minute = 5, .second = 6 });
    InternalErrorLog log;
    std::string written;
    log.debug_sink = [&written](std::string_view line) { written += line; };
    report_internal_error(log, clock, "CCDDA::Stop");
    EXPECT_EQ(log.latest, "CCDDA::Stop");
    EXPECT_EQ(written, "") << "debug output is off by default";
    log.debug_output = true;
    report_internal_error(log, clock, "CApp::CreateMainWindow");
    EXPECT_EQ(log.latest, "CApp::CreateMainWindow");
    EXPECT_EQ(written, "01/02/03 04:05:06 SDK \x93\xe0\x95\x94\x83G\x83\x89\x81[ : CApp::CreateMainWindow\n");
}

} // namespace
} // namespace advplay

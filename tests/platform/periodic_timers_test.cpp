// The periodic timers, virtual and real: periods a client asks to leave out, and a timer started while
// another one idles.
#include "platform/headless/virtual_clock.h"
#include "platform/headless/virtual_timer.h"
#include "platform/posix/thread_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace advplay::platform {
namespace {

// Runs `on_event` at each event and returns what it returns.
class FunctionClient final : public TimerClient {
public:
    explicit FunctionClient(std::function<std::uint32_t(TimerId)> on_event)
        : m_on_event(std::move(on_event))
    {
    }
    std::uint32_t timer_event(TimerId id) override { return m_on_event(id); }

private:
    std::function<std::uint32_t(TimerId)> m_on_event;
};

TEST(VirtualTimer, LeavesOutThePeriodsAClientAsksToAndNoneOfOtherTimers)
{
    VirtualClock clock;
    VirtualTimer timer(clock);
    std::vector<std::uint32_t> idle_times;
    std::vector<std::uint32_t> busy_times;
    FunctionClient idle([&](TimerId) {
        idle_times.push_back(clock.now());
        return 9u;
    });
    FunctionClient busy([&](TimerId) {
        busy_times.push_back(clock.now());
        return 0u;
    });
    TimerId const idle_id = timer.start(2, idle);
    ASSERT_NE(timer.start(5, busy), 0u);
    clock.sleep(65);
    // Nine periods of 2 ms left out after each event: one every 20 ms.
    EXPECT_EQ(idle_times, (std::vector<std::uint32_t> { 2, 22, 42, 62 }));
    EXPECT_EQ(busy_times.size(), 13u);

    // A client that kills its timer and starts another in the event: the idle periods asked for
    // belong to the timer killed, not to the new one.
    std::vector<std::uint32_t> restarted;
    FunctionClient restarting([&](TimerId id) {
        restarted.push_back(clock.now());
        if (restarted.size() == 1) {
            timer.kill(id);
            EXPECT_NE(timer.start(1, restarting), 0u);
        }
        return 100u;
    });
    timer.kill(idle_id);
    ASSERT_NE(timer.start(1, restarting), 0u);
    clock.sleep(5);
    EXPECT_EQ(restarted, (std::vector<std::uint32_t> { 66, 67 }));
}

TEST(ThreadTimer, LeavesOutIdlePeriodsAndServesATimerStartedMeanwhile)
{
    using Steady = std::chrono::steady_clock;
    std::atomic<int> idle_events { 0 };
    std::atomic<int> busy_events { 0 };
    std::atomic<Steady::rep> first_busy { 0 };
    FunctionClient idle([&](TimerId) {
        ++idle_events;
        // Five seconds: without the wake at a start the second timer would wait as long.
        return 5'000u;
    });
    FunctionClient busy([&](TimerId) {
        if (busy_events++ == 0)
            first_busy = Steady::now().time_since_epoch().count();
        return 0u;
    });
    auto const began = Steady::now();
    {
        ThreadTimer timer;
        ASSERT_NE(timer.start(1, idle), 0u);
        while (idle_events.load() == 0 && Steady::now() - began < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(idle_events.load(), 1);
        auto const started = Steady::now();
        ASSERT_NE(timer.start(1, busy), 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(idle_events.load(), 1);
        EXPECT_GT(busy_events.load(), 10);
        ASSERT_NE(first_busy.load(), 0);
        EXPECT_LT(Steady::time_point(Steady::duration(first_busy.load())) - started,
            std::chrono::milliseconds(200));
    }
    // The timer's end woke its thread at once, long before the idle timer was due.
    EXPECT_LT(Steady::now() - began, std::chrono::seconds(3));
}

} // namespace
} // namespace advplay::platform

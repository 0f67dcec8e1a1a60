// ThreadTimer.
#include "platform/sdl/thread_timer.h"

#include <algorithm>
#include <cerrno>

#if defined(__linux__)
#include <time.h>
#endif

namespace advplay::platform {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The millisecond tick at or before `time`.
steady_clock::time_point tick_floor(steady_clock::time_point time)
{
    return steady_clock::time_point(std::chrono::floor<milliseconds>(time.time_since_epoch()));
}

// Sleeps until `deadline`, a millisecond tick. On Linux the steady clock is CLOCK_MONOTONIC, so the
// kernel is handed the deadline itself: one call, no reading of the clock first to turn it into a
// duration, and the wake-up aimed at the tick itself rather than a moment after it.
void sleep_until_tick(steady_clock::time_point deadline)
{
#if defined(__linux__)
    auto const since_epoch = deadline.time_since_epoch();
    auto const seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
    timespec const at { static_cast<time_t>(seconds.count()),
        static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - seconds).count()) };
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) { }
#else
    std::this_thread::sleep_until(deadline);
#endif
}

} // namespace

ThreadTimer::~ThreadTimer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_timers.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

TimerId ThreadTimer::start(std::uint32_t period_ms, TimerClient& client)
{
    if (period_ms == 0)
        return 0;
    TimerId id = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_quit)
            return 0;
        id = m_next_id++;
        if (m_next_id == 0)
            m_next_id = 1;
        milliseconds const period(period_ms);
        m_timers.push_back({ id, period, tick_floor(steady_clock::now()) + period, &client });
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_changed.notify_all();
    return id;
}

template<typename Matches>
void ThreadTimer::wait_for_event_end(std::unique_lock<std::mutex>& lock, Matches matches)
{
    if (std::this_thread::get_id() == m_thread.get_id())
        return;
    ++m_waiting;
    m_event_done.wait(lock, [&] { return m_running_id == 0 || !matches(); });
    --m_waiting;
}

void ThreadTimer::kill(TimerId id)
{
    if (id == 0)
        return;
    std::unique_lock lock(m_mutex);
    std::erase_if(m_timers, [id](const Timer& timer) { return timer.id == id; });
    wait_for_event_end(lock, [&] { return m_running_id == id; });
}

void ThreadTimer::kill_all(TimerClient& client)
{
    std::unique_lock lock(m_mutex);
    std::erase_if(m_timers, [&client](const Timer& timer) { return timer.client == &client; });
    wait_for_event_end(lock, [&] { return m_running_client == &client; });
}

void ThreadTimer::run()
{
    std::unique_lock lock(m_mutex);
    std::vector<TimerId> due_ids;
    while (!m_quit) {
        if (m_timers.empty()) {
            m_changed.wait(lock, [this] { return m_quit || !m_timers.empty(); });
            continue;
        }
        TimePoint next = m_timers.front().due;
        for (Timer const& timer : m_timers)
            next = std::min(next, timer.due);
        // Sleeping without the lock lets other threads start and kill timers meanwhile; the list is
        // read again afterwards. An end is noticed within a millisecond.
        lock.unlock();
        sleep_until_tick(next);
        lock.lock();

        TimePoint const now = steady_clock::now();
        due_ids.clear();
        for (Timer const& timer : m_timers) {
            if (timer.due <= now)
                due_ids.push_back(timer.id);
        }
        for (TimerId const id : due_ids) {
            auto const timer
                = std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
            if (timer == m_timers.end() || m_quit)
                continue;
            timer->due += timer->period;
            if (timer->due <= now)
                timer->due = tick_floor(now) + timer->period;
            TimerClient* const client = timer->client;
            m_running_id = id;
            m_running_client = client;
            lock.unlock();
            client->timer_event(id);
            lock.lock();
            m_running_id = 0;
            m_running_client = nullptr;
            // Nearly every event ends with no one waiting for it.
            if (m_waiting > 0)
                m_event_done.notify_all();
        }
    }
}

} // namespace advplay::platform

// ThreadTimer.
#include "platform/posix/thread_timer.h"

#include <algorithm>

namespace advplay::platform {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The millisecond tick at or before `time`.
steady_clock::time_point tick_floor(steady_clock::time_point time)
{
    return steady_clock::time_point(std::chrono::floor<milliseconds>(time.time_since_epoch()));
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
        // The wait lets other threads start and kill timers meanwhile, and a start or the end wakes
        // it at once: a timer started while another sleeps through its idle periods is not kept
        // waiting for them. The deadline goes to the kernel as it stands (the steady clock is the
        // monotonic one), aimed at the tick itself, without reading the clock first. The list is
        // read again after every wake.
        m_changed.wait_until(lock, next);
        if (m_quit)
            break;

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
            std::uint32_t const idle = client->timer_event(id);
            lock.lock();
            m_running_id = 0;
            m_running_client = nullptr;
            if (idle > 0) {
                // Found again: while the lock was free, the timer may have been killed and others
                // started.
                auto const after = std::find_if(
                    m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
                if (after != m_timers.end())
                    after->due += after->period * idle;
            }
            // Nearly every event ends with no one waiting for it.
            if (m_waiting > 0)
                m_event_done.notify_all();
        }
    }
}

} // namespace advplay::platform

// WebClock and WebTimer on Emscripten's sleep and interval timers.
#include "platform/web/web_clock.h"

#include "platform/calendar.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <vector>

namespace advplay::platform {


WebClock::WebClock(std::optional<LocalTime> calendar)
    : m_calendar(calendar)
{
    m_calendar_origin = now();
}

LocalTime WebClock::local_time()
{
    return m_calendar ? calendar_after(*m_calendar, now() - m_calendar_origin) : host_local_time();
}

std::uint32_t WebClock::now()
{
    // The page's monotonic clock, in whole milliseconds, wrapping at 32 bits as the native one does.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
}

void WebClock::sleep(std::uint32_t ms)
{
    emscripten_sleep(ms);
}

void WebClock::sleep_to_next_tick()
{
    std::uint32_t const start = now();
    while (now() == start)
        emscripten_sleep(0);
}

WebTimer::~WebTimer()
{
    for (auto const& entry : m_running)
        emscripten_clear_interval(entry.second.interval);
}

TimerId WebTimer::start(std::uint32_t period_ms, TimerClient& client)
{
    TimerId const id = m_next++;
    Running running;
    running.client = &client;
    // A cleared interval never calls again, so the record goes with its timer.
    running.firing = std::make_unique<Firing>(Firing { this, id });
    running.interval = emscripten_set_interval(&fire_timer, period_ms, running.firing.get());
    m_running.emplace(id, std::move(running));
    return id;
}

void WebTimer::kill(TimerId id)
{
    auto const found = m_running.find(id);
    if (found == m_running.end())
        return;
    emscripten_clear_interval(found->second.interval);
    m_running.erase(found);
}

void WebTimer::kill_all(TimerClient& client)
{
    std::vector<TimerId> ids;
    for (auto const& [id, running] : m_running)
        if (running.client == &client)
            ids.push_back(id);
    for (TimerId id : ids)
        kill(id);
}

void WebTimer::fire_timer(void* data)
{
    auto const* firing = static_cast<const Firing*>(data);
    firing->timer->fire(firing->id);
}

void WebTimer::fire(TimerId id)
{
    auto found = m_running.find(id);
    if (found == m_running.end())
        return;
    if (found->second.skip > 0) {
        --found->second.skip;
        return;
    }
    // The event may kill its own timer, or start another.
    std::uint32_t const skip = found->second.client->timer_event(id);
    found = m_running.find(id);
    if (found != m_running.end())
        found->second.skip = skip;
}

} // namespace advplay::platform

// VirtualTimer.
#include "platform/headless/virtual_timer.h"

#include <algorithm>

namespace advplay::platform {

namespace {

// Clock readings wrap after 2^32 ms: a longer idle stretch would wrap the due reading round to an
// earlier one, so stretches are cut well short of that.
constexpr std::uint64_t kLongestIdle = 1u << 30;

} // namespace

VirtualTimer::VirtualTimer(VirtualClock& clock)
    : m_clock(clock)
{
    m_clock.add_listener(*this);
}

VirtualTimer::~VirtualTimer()
{
    m_clock.remove_listener(*this);
}

TimerId VirtualTimer::start(std::uint32_t period_ms, TimerClient& client)
{
    if (period_ms == 0)
        return 0;
    TimerId const id = m_next_id++;
    if (m_next_id == 0)
        m_next_id = 1;
    m_timers.push_back({ id, period_ms, m_clock.now() + period_ms, &client });
    return id;
}

void VirtualTimer::kill(TimerId id)
{
    std::erase_if(m_timers, [id](const Timer& timer) { return timer.id == id; });
}

void VirtualTimer::kill_all(TimerClient& client)
{
    std::erase_if(m_timers, [&client](const Timer& timer) { return timer.client == &client; });
}

void VirtualTimer::millisecond_passed(std::uint32_t now)
{
    if (m_in_event)
        return;
    m_in_event = true;
    // Events may start and kill timers, so the due ones are noted first and each is looked up again
    // by its id; a timer started during this millisecond is due one period later.
    m_due.clear();
    for (Timer const& timer : m_timers) {
        if (timer.due == now)
            m_due.push_back(timer.id);
    }
    for (TimerId const id : m_due) {
        auto const timer
            = std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
        if (timer == m_timers.end())
            continue;
        timer->due += timer->period;
        TimerClient* const client = timer->client;
        std::uint32_t const idle = client->timer_event(id);
        if (idle == 0)
            continue;
        // Found again: the event may have killed its timer, or started others that moved it.
        auto const after
            = std::find_if(m_timers.begin(), m_timers.end(), [id](const Timer& t) { return t.id == id; });
        if (after != m_timers.end())
            after->due += static_cast<std::uint32_t>(
                std::min<std::uint64_t>(static_cast<std::uint64_t>(idle) * after->period, kLongestIdle));
    }
    m_in_event = false;
}

} // namespace advplay::platform

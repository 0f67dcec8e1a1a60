// VirtualClock: the virtual time of headless runs, and its calendar.
#include "platform/headless/virtual_clock.h"

#include <algorithm>

namespace advplay::platform {


void VirtualClock::sleep(std::uint32_t ms)
{
    if (m_listeners.empty()) {
        m_now += ms;
        return;
    }
    for (std::uint32_t i = 0; i < ms; ++i) {
        ++m_now;
        // A listener may add or remove listeners while it is told; the copy keeps the walk valid.
        std::vector<ClockListener*> const listeners = m_listeners;
        for (ClockListener* listener : listeners) {
            if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
                listener->millisecond_passed(m_now);
        }
    }
}

void VirtualClock::add_listener(ClockListener& listener)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), &listener) == m_listeners.end())
        m_listeners.push_back(&listener);
}

void VirtualClock::remove_listener(ClockListener& listener)
{
    std::erase(m_listeners, &listener);
}

void VirtualClock::set_calendar(const LocalTime& at)
{
    m_calendar = at;
    m_calendar_origin = m_now;
}

LocalTime VirtualClock::local_time()
{
    if (!m_calendar)
        return host_local_time();
    return calendar_after(*m_calendar, m_now - m_calendar_origin);
}

} // namespace advplay::platform

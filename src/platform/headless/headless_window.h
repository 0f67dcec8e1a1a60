// HeadlessWindow: a window without a screen; events come from the engine itself or from a test.
#pragma once

#include "platform/window.h"

#include <deque>
#include <string>

namespace advplay::platform {

class HeadlessWindow final : public Window {
public:
    bool poll_event(Event& event) override
    {
        if (m_events.empty())
            return false;
        event = m_events.front();
        m_events.pop_front();
        return true;
    }
    void post_event(const Event& event) override { m_events.push_back(event); }
    bool set_title(std::string_view title) override
    {
        m_title = title;
        return true;
    }
    CursorPosition cursor_position() override { return m_cursor; }
    void move_cursor(CursorPosition position) { m_cursor = position; }
    const std::string& title() const { return m_title; }

private:
    std::deque<Event> m_events;
    std::string m_title;
    CursorPosition m_cursor;
};

} // namespace advplay::platform

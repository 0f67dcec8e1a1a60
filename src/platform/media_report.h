// MediaReport: the report a play owes to the window that asked for it.
#pragma once

#include "platform/media_player.h"
#include "platform/window.h"

namespace advplay::platform {

class MediaReport {
public:
    // A new play of the medium: the report owed for the old one is superseded when the new play wants
    // a report too, and aborted when it does not.
    void replace(Window* notify, MediaId id)
    {
        post(notify ? DeviceNotice::Superseded : DeviceNotice::Aborted);
        m_window = notify;
        m_id = id;
    }
    // Sends the owed report, if any; nothing is owed afterwards.
    void post(DeviceNotice notice)
    {
        if (!m_window)
            return;
        send(*m_window, m_id, notice);
        m_window = nullptr;
    }
    bool owed() const { return m_window != nullptr; }

    static void send(Window& window, MediaId id, DeviceNotice notice)
    {
        Event event;
        event.type = EventType::DeviceNotify;
        event.device = id;
        event.notice = notice;
        window.post_event(event);
    }

private:
    Window* m_window { nullptr };
    MediaId m_id { kNoMedia };
};

} // namespace advplay::platform

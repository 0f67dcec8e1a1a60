// A window that does what the headless window does, for tests to override one part of: presents
// that take time, a wait for events, a picture it does not have.
#pragma once

#include "platform/headless/headless_window.h"

namespace advplay::testing {

class ForwardingWindow : public platform::Window {
public:
    bool open(std::string_view title, std::uint32_t background) override
    {
        return m_inner.open(title, background);
    }
    bool poll_event(platform::Event& event) override { return m_inner.poll_event(event); }
    void post_event(const platform::Event& event) override { m_inner.post_event(event); }
    bool set_title(std::string_view title) override { return m_inner.set_title(title); }
    platform::CursorPosition cursor_position() override { return m_inner.cursor_position(); }
    void warp_cursor(platform::CursorPosition position) override { m_inner.warp_cursor(position); }
    void capture_mouse(bool captured) override { m_inner.capture_mouse(captured); }
    bool set_cursor(const platform::CursorImage* image) override { return m_inner.set_cursor(image); }
    void show_cursor(bool shown) override { m_inner.show_cursor(shown); }
    void present(const platform::PictureArea& area) override { m_inner.present(area); }
    void handle_paint_requests() override { m_inner.handle_paint_requests(); }
    void set_background(std::uint32_t color) override { m_inner.set_background(color); }
    void set_linear_filter(bool linear) override { m_inner.set_linear_filter(linear); }
    bool full_screen() const override { return m_inner.full_screen(); }
    platform::FullScreenResult set_full_screen(bool full_screen) override
    {
        return m_inner.set_full_screen(full_screen);
    }
    void raise() override { m_inner.raise(); }
    void set_clipboard_text(std::string_view utf8) override { m_inner.set_clipboard_text(utf8); }
    platform::PictureArea shown_picture() const override { return m_inner.shown_picture(); }

protected:
    platform::HeadlessWindow m_inner;
};

} // namespace advplay::testing

// HeadlessWindow: a window without a screen. It keeps what it was shown, for screenshots, and
// the events that the engine itself or a replay posts.
#pragma once

#include "platform/headless/recent_log.h"
#include "platform/window.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace advplay::platform {

class HeadlessWindow final : public Window {
public:
    static constexpr std::int32_t kWidth = 640;
    static constexpr std::int32_t kHeight = 480;

    HeadlessWindow()
        : m_picture(kWidth * kHeight, 0)
    {
    }

    bool open(std::string_view title, std::uint32_t background) override
    {
        m_title = title;
        m_background = background;
        m_open = true;
        return true;
    }
    bool poll_event(Event& event) override
    {
        std::lock_guard const lock(m_events_mutex);
        if (m_events.empty())
            return false;
        event = m_events.front();
        m_events.pop_front();
        return true;
    }
    void post_event(const Event& event) override
    {
        std::lock_guard const lock(m_events_mutex);
        m_events.push_back(event);
    }
    bool set_title(std::string_view title) override
    {
        m_title = title;
        return true;
    }
    CursorPosition cursor_position() override { return m_cursor; }
    void warp_cursor(CursorPosition position) override;
    void capture_mouse(bool captured) override { m_captured = captured; }
    bool set_cursor(const CursorImage* image) override
    {
        m_custom_cursor = image != nullptr;
        return true;
    }
    void show_cursor(bool shown) override
    {
        m_cursor_shown = shown;
        ++m_show_calls;
    }
    void present(const PictureArea& area) override;
    void handle_paint_requests() override { ++m_paint_requests_handled; }
    void set_background(std::uint32_t color) override { m_background = color; }
    void set_linear_filter(bool linear) override { m_linear_filter = linear; }
    bool full_screen() const override { return m_full_screen; }
    FullScreenResult set_full_screen(bool full_screen) override
    {
        m_full_screen = full_screen;
        return FullScreenResult::Done;
    }
    void raise() override { ++m_raised; }
    PictureArea shown_picture() const override { return { m_picture.data(), kWidth, 0, 0, kWidth, kHeight }; }

    // Kept for whoever looks: there is no system clipboard here.
    void set_clipboard_text(std::string_view utf8) override { m_clipboard = utf8; }
    const std::string& clipboard_text() const { return m_clipboard; }

    bool is_open() const { return m_open; }
    const std::string& title() const { return m_title; }
    // What the window shows: 640 x 480 RGB555 pixels, top row first.
    const std::vector<std::uint16_t>& picture() const { return m_picture; }
    bool captured() const { return m_captured; }
    bool custom_cursor() const { return m_custom_cursor; }
    bool cursor_shown() const { return m_cursor_shown; }
    int show_calls() const { return m_show_calls; }
    std::uint32_t background() const { return m_background; }
    // Whether a screen would show the picture smoothed; nothing here is scaled.
    bool linear_filter() const { return m_linear_filter; }
    int raised() const { return m_raised; }
    // How often a wait asked the window to keep itself painted.
    int paint_requests_handled() const { return m_paint_requests_handled; }
    // Every position the cursor was moved to, in order.
    const std::vector<CursorPosition>& cursor_moves() const { return m_cursor_moves.entries(); }

private:
    bool m_open { false };
    // Media devices post their notifications from their own threads.
    std::mutex m_events_mutex;
    std::deque<Event> m_events;
    std::string m_title;
    std::string m_clipboard;
    CursorPosition m_cursor;
    RecentLog<CursorPosition> m_cursor_moves { 4096 };
    std::vector<std::uint16_t> m_picture;
    bool m_captured { false };
    bool m_custom_cursor { false };
    bool m_cursor_shown { true };
    int m_show_calls { 0 };
    std::uint32_t m_background { 0 };
    bool m_linear_filter { false };
    bool m_full_screen { false };
    int m_raised { 0 };
    int m_paint_requests_handled { 0 };
};

} // namespace advplay::platform

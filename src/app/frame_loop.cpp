// The frame loop and the window events it hands to the input handling.
#include "app/frame_loop.h"

#include "app/comforts.h"
#include "app/input.h"
#include "common/engine_texts.h"
#include "engine/engine.h"
#include "media/media_devices.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "script/interpreter.h"
#include "text/message_window.h"

#include <algorithm>

namespace advplay::app {

namespace {

// While at least this much of the delay is left, the loop sleeps in steps of kWaitStep; closer to
// the deadline the original spun, and this loop wakes at every millisecond tick instead, which is as
// close as the clock can tell and keeps each pass within a fraction of a millisecond of its time.
constexpr std::uint32_t kLongWait = 8;
constexpr std::uint32_t kWaitStep = 4;
// The longest a waiting game rests without a pass: what the loop cannot be woken for (a second copy
// asking for the window) is seen within this.
constexpr std::uint32_t kLongestRest = 250;
// How late a pass may end and still leave the next one on its deadline.
constexpr std::uint32_t kCatchUp = 100;

enum class Dispatch {
    Continue,
    Quit,
};

// The player asked to quit with Escape or F12: true unless they asked to be asked, and said no.
bool quit_confirmed(Engine& engine)
{
    if (!engine.comforts.settings.confirm_quit)
        return true;
    return engine.platform.message_box.show(
               texts::kConfirmQuit.sjis, engine.settings.caption, platform::MessageBoxButtons::YesNo)
        == platform::MessageBoxAnswer::Yes;
}

Dispatch handle(Engine& engine, const platform::Event& event, FrameHooks* hooks)
{
    platform::Window& window = engine.platform.window;
    if (comfort_event(engine, event, hooks))
        return Dispatch::Continue;
    // F9 is a key the original left alone.
    if (event.type == platform::EventType::KeyDown && event.key == platform::Key::F9 && !event.repeat) {
        if (hooks)
            hooks->take_screenshot(engine);
        return Dispatch::Continue;
    }
    switch (event.type) {
    case platform::EventType::CloseRequest:
        // Closing destroys the window, and that ends the loop.
        return Dispatch::Quit;
    case platform::EventType::KeyDown:
        if (event.alt) {
            // Alt+Enter is a system key: it switches the display and nothing else.
            if (event.key == platform::Key::Enter)
                toggle_display_mode(engine);
            break;
        }
        key_down(engine, event.key, event.repeat);
        if (event.key == platform::Key::Escape || event.key == platform::Key::F12) {
            if (quit_confirmed(engine))
                window.post_close_request();
        } else if (event.key == platform::Key::F4)
            toggle_display_mode(engine);
        break;
    case platform::EventType::KeyUp:
        key_up(engine, event.key);
        break;
    case platform::EventType::ButtonDown:
        if (event.button != platform::MouseButton::Middle)
            button_down(engine, event.button, event.x, event.y);
        break;
    case platform::EventType::ButtonUp:
        if (event.button != platform::MouseButton::Middle)
            button_up(engine, event.button);
        break;
    case platform::EventType::Wheel:
        break;
    case platform::EventType::FocusLost:
        // Another application came to the front: a full-screen game steps back into its window.
        if (window.full_screen())
            toggle_display_mode(engine);
        break;
    case platform::EventType::FocusGained:
        break;
    case platform::EventType::DeviceNotify:
        // A notification nobody claims is for a medium closed since; it is dropped.
        (void)media::route_notification(engine, event.notice, event.device);
        break;
    }
    return Dispatch::Continue;
}

Dispatch dispatch_events(Engine& engine, FrameHooks* hooks)
{
    // First, so that the movie's picture of the moment is in the window before anything looks at it.
    media::update_media(engine);
    if (hooks)
        hooks->before_events(engine);
    platform::Event event;
    while (engine.platform.window.poll_event(event)) {
        if (handle(engine, event, hooks) == Dispatch::Quit)
            return Dispatch::Quit;
    }
    return Dispatch::Continue;
}

// Copies the dirty rectangle of the display surface to the window.
void present_dirty(Engine& engine)
{
    // The window shows the picture without the text; what changed meanwhile waits for the text.
    if (text_hidden(engine))
        return;
    auto const rect = graphics::take_dirty_rect(engine.graphics);
    if (!rect)
        return;
    graphics::Surface const& display = engine.graphics.display_surface;
    platform::PictureArea area;
    area.pitch = static_cast<std::int32_t>(display.pitch());
    area.pixels = display.pixels() + static_cast<std::ptrdiff_t>(rect->y) * area.pitch + rect->x;
    area.x = rect->x;
    area.y = rect->y;
    area.w = rect->w;
    area.h = rect->h;
    engine.platform.window.present(area);
}

// Milliseconds from `now` to `time`, 0 when it has come.
std::uint32_t until(std::uint32_t now, std::uint32_t time)
{
    std::uint32_t const ahead = time - now;
    return ahead < 0x80000000u ? ahead : 0;
}

// The limit counts from the start of the loop: a real clock starts where the system's does.
bool time_is_up(Engine& engine, const RunLimits& limits, std::uint32_t started)
{
    return limits.max_time && engine.platform.clock.now() - started >= *limits.max_time;
}

} // namespace

void toggle_display_mode(Engine& engine)
{
    platform::Window& window = engine.platform.window;
    switch (window.set_full_screen(!window.full_screen())) {
    case platform::FullScreenResult::Done:
        return;
    case platform::FullScreenResult::NotSupported:
        engine.platform.message_box.show(
            texts::kFullScreenUnsupported.sjis, {}, platform::MessageBoxButtons::Ok);
        return;
    case platform::FullScreenResult::Failed:
        engine.platform.message_box.show(texts::kFullScreenFailed.sjis, {}, platform::MessageBoxButtons::Ok);
        return;
    }
}

void present_display(Engine& engine)
{
    if (graphics::take_swap_request(engine.graphics))
        (void)graphics::swap_buffers(engine.graphics);
    present_dirty(engine);
}

std::optional<std::uint32_t> rest_time(Engine& engine, std::uint32_t now, std::uint32_t longest)
{
    if (!script::waits_for_click(engine.interpreter.state) || engine.media.movie.IsPlaying())
        return std::nullopt;
    std::uint32_t rest = longest;
    if (auto const change = text::next_mark_change(engine))
        rest = std::min(rest, until(now, *change));
    if (auto const due = comforts_due(engine))
        rest = std::min(rest, until(now, *due));
    return rest;
}

RunEnd frame_loop(Engine& engine, const RunLimits& limits, FrameHooks* hooks)
{
    platform::Clock& clock = engine.platform.clock;
    platform::Window& window = engine.platform.window;
    script::WaitClock& wait = engine.interpreter.wait;
    wait.frame_start = clock.now();
    std::uint32_t const started = wait.frame_start;
    std::uint32_t const interval = window.present_interval();
    std::uint32_t last_present = started - interval;
    bool present_pending = false;
    // What presents took that the game has not been given back yet.
    std::uint32_t owed = 0;
    auto const present_if_due = [&](std::uint32_t now) {
        // A picture staged behind the wait is marked dirty already, but on the display only after
        // the swap: presenting before it would use up its rectangle on the old picture.
        if (!present_pending || now - last_present < interval || engine.graphics.swap_pending)
            return;
        present_pending = false;
        last_present = now;
        present_dirty(engine);
        owed = std::min(owed + (clock.now() - now), kCatchUp);
    };
    // The window shows the last picture the game made when the run ends (for a screenshot of it).
    auto const finish = [&](RunEnd end) {
        if (present_pending)
            present_dirty(engine);
        return end;
    };
    std::uint64_t passes = 0;
    for (;;) {
        if (limits.max_passes && passes++ >= *limits.max_passes)
            return finish(RunEnd::PassLimit);
        comforts_before_pass(engine);
        script::State const before = engine.interpreter.state;
        script::interpreter_step(engine);
        comforts_after_pass(engine, before);
        bool rested = false;
        for (;;) {
            if (dispatch_events(engine, hooks) == Dispatch::Quit)
                return finish(RunEnd::Closed);
            if (hooks && hooks->stalled(engine))
                return finish(RunEnd::Stalled);
            if (time_is_up(engine, limits, started))
                return finish(RunEnd::TimeLimit);
            std::uint32_t const now = clock.now();
            present_if_due(now);
            // An overlay is open: the game makes no pass until it closes, and the loop only looks
            // at the window now and then, or when the hooks want to be called.
            if (comforts_pause(engine)) {
                std::uint32_t rest = kLongestRest;
                if (hooks)
                    if (auto const call = hooks->next_call(engine))
                        rest = std::min(rest, until(now, *call));
                if (limits.max_time)
                    rest = std::min(rest, until(now, started + *limits.max_time));
                if (rest == 0 || !window.wait_event(rest))
                    clock.sleep(kWaitStep);
                continue;
            }
            // Skip ends the script's timed waits at once.
            bool const skip = skipping(engine);
            std::uint32_t const left = wait.frame_delay > 0 && !skip ? until(now, wait.deadline) : 0;
            if (left > 0) {
                // A window that can wait for events sleeps until close to the deadline, woken by
                // input; the last milliseconds go tick by tick, as close as the clock can tell.
                if (left >= kLongWait) {
                    if (left == kLongWait || !window.wait_event(left - kLongWait))
                        clock.sleep(kWaitStep);
                } else {
                    clock.sleep_to_next_tick();
                }
                continue;
            }
            // A game waiting for the player has nothing to do until an event or the mark's next
            // blink: it rests once before the next pass, which then sees whatever woke it. A swap
            // asked for is made by the present step below first.
            if (rested || engine.graphics.swap_pending)
                break;
            rested = true;
            auto rest = rest_time(engine, now, kLongestRest);
            if (!rest)
                break;
            // What this pass drew (the mark's blink, a choice lit) is shown before the rest, not after.
            present_pending = present_pending || !engine.graphics.dirty_rect.empty();
            present_if_due(now);
            if (hooks)
                if (auto const call = hooks->next_call(engine))
                    rest = std::min(*rest, until(now, *call));
            if (limits.max_time)
                rest = std::min(*rest, until(now, started + *limits.max_time));
            if (present_pending)
                rest = std::min(*rest, until(now, last_present + interval));
            if (*rest > 0)
                (void)window.wait_event(*rest);
        }
        // Game time runs on the deadlines: the next pass is due when the waits asked for have passed
        // since the interval began, however long the pass took to reach finish_command, and a wait
        // that ends late, because the system or a present held the loop up, does not push back the
        // passes after it (up to kCatchUp: beyond that the game was held up for longer than a player
        // would want it to rush to make up for, by a box or a moved window, say). A pass that
        // finished a wait already over gets back what presents took and has not been given back, and
        // no more: the rest of its lateness is the script's (it began the interval before a click
        // wait, say), and the game goes on from now as it always did.
        std::uint32_t const now = clock.now();
        if (skipping(engine)) {
            wait.frame_start = now;
            owed = 0;
        } else if (wait.frame_delay > 0) {
            std::uint32_t const late = now - wait.deadline;
            wait.frame_start = late <= kCatchUp ? wait.deadline : now;
            owed -= std::min(owed, late);
        } else if (wait.step_begin) {
            std::uint32_t const given = std::min(until(wait.deadline, now), owed);
            wait.frame_start = now - given;
            owed -= given;
        } else {
            wait.frame_start = now;
        }
        // Waiting for the player, the game owes nothing to anyone.
        if (script::is_polling_state(engine.interpreter.state))
            owed = 0;
        if (graphics::take_swap_request(engine.graphics))
            (void)graphics::swap_buffers(engine.graphics);
        present_pending = !engine.graphics.dirty_rect.empty();
        present_if_due(now);
    }
}

} // namespace advplay::app

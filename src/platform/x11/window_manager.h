// Whether an X display has a window manager: without one, nobody answers a window's request to
// go full screen, and the window must cover the display itself.
#pragma once

namespace advplay::platform {

// `display` is the Xlib Display* the window is on.
bool x11_has_window_manager(void* display);

} // namespace advplay::platform

// A window manager announces itself on the root window (the EWMH supporting-WM check).
#include "platform/x11/window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace advplay::platform {

bool x11_has_window_manager(void* display_pointer)
{
    auto* display = static_cast<Display*>(display_pointer);
    Atom const check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format,
            &count, &remaining, &data)
            == Success
        && data) {
        found = type == XA_WINDOW && count == 1 && *reinterpret_cast<Window*>(data) != 0;
        XFree(data);
    }
    return found;
}

} // namespace advplay::platform

#include "tests/support/bell_watch.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace Zorva::Testing {

BellWatcher::BellWatcher()
{
    int event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
    Display* d = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason);
    if (d == nullptr)
        return;
    XkbSelectEvents(d, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(d, False);
    display_ = d;
    reader_ = std::thread([this, d, event] {
        while (!stop_.load()) {
            pollfd p{ConnectionNumber(d), POLLIN, 0};
            if (XPending(d) == 0 && ::poll(&p, 1, 50) <= 0)
                continue;
            while (XPending(d) > 0) {
                XEvent e;
                XNextEvent(d, &e);
                if (e.type == event && reinterpret_cast<XkbEvent*>(&e)->any.xkb_type == XkbBellNotify)
                    ++count_;
            }
        }
    });
}

BellWatcher::~BellWatcher()
{
    stop_.store(true);
    if (reader_.joinable())
        reader_.join();
    if (display_ != nullptr)
        XCloseDisplay(static_cast<Display*>(display_));
}

} // namespace Zorva::Testing

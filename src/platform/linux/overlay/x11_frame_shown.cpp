// Whether the compositor has put a window's content on screen.
#include "platform/linux/overlay/x11_frame_shown.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xpresent.h>
#include <dlfcn.h>
#include <poll.h>

#include <cstdint>

#include "platform/linux/posix/time_left.h"

namespace scriblane::linuxp {

namespace {

using Clock = std::chrono::steady_clock;

// libXpresent, loaded only where a compositor shows the windows: plain X
// never needs it, and command-line mode there stays as lean as it is.
struct Present {
    decltype(&XPresentQueryExtension) queryExtension = nullptr;
    decltype(&XPresentSelectInput) selectInput = nullptr;
    decltype(&XPresentFreeInput) freeInput = nullptr;
    decltype(&XPresentNotifyMSC) notifyMsc = nullptr;
};

const Present* LoadPresent() {
    static const Present* loaded = [] () -> const Present* {
        void* library = dlopen("libXpresent.so.1", RTLD_LAZY | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static Present p;
        p.queryExtension =
            reinterpret_cast<decltype(p.queryExtension)>(dlsym(library, "XPresentQueryExtension"));
        p.selectInput =
            reinterpret_cast<decltype(p.selectInput)>(dlsym(library, "XPresentSelectInput"));
        p.freeInput = reinterpret_cast<decltype(p.freeInput)>(dlsym(library, "XPresentFreeInput"));
        p.notifyMsc = reinterpret_cast<decltype(p.notifyMsc)>(dlsym(library, "XPresentNotifyMSC"));
        if (!p.queryExtension || !p.selectInput || !p.freeInput || !p.notifyMsc) return nullptr;
        return &p;
    }();
    return loaded;
}

struct Match {
    int opcode;
    Window window;
};

// Only the window's own Present events are taken; anything else stays
// queued for whoever reads this connection.
Bool IsCompleteOf(::Display*, XEvent* event, XPointer arg) {
    const auto* match = reinterpret_cast<const Match*>(arg);
    return event->type == GenericEvent && event->xgeneric.extension == match->opcode &&
           event->xgeneric.evtype == PresentCompleteNotify;
}

// The frame counter of the completion numbered `serial`, or nothing once
// `deadline` has passed.
bool AwaitComplete(::Display* dpy, const Match& match, std::uint32_t serial,
                   Clock::time_point deadline, std::uint64_t& msc) {
    for (;;) {
        XEvent event;
        while (XCheckIfEvent(dpy, &event, IsCompleteOf, reinterpret_cast<XPointer>(
                                                            const_cast<Match*>(&match)))) {
            if (!XGetEventData(dpy, &event.xcookie)) continue;
            const auto* complete = static_cast<XPresentCompleteNotifyEvent*>(event.xcookie.data);
            const bool ours = complete->window == match.window && complete->serial_number == serial;
            if (ours) msc = complete->msc;
            XFreeEventData(dpy, &event.xcookie);
            if (ours) return true;
        }
        const int left = MillisecondsLeft(deadline);
        if (left <= 0) return false;
        pollfd x{ConnectionNumber(dpy), POLLIN, 0};
        if (poll(&x, 1, left) > 0) XEventsQueued(dpy, QueuedAfterReading);
    }
}

}  // namespace

bool AwaitFrameShown(::Display* dpy, unsigned long window, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    const Present* present = LoadPresent();
    int opcode = 0, event = 0, error = 0;
    if (present == nullptr || !present->queryExtension(dpy, &opcode, &event, &error)) return false;
    const Match match{opcode, window};
    const XID input = present->selectInput(dpy, window, PresentCompleteNotifyMask);
    // The frame counter now, then the second frame after it: XWayland may
    // count the first by its own clock, before the compositor has the
    // window's content; the second waits for the compositor's frame.
    std::uint64_t msc = 0;
    present->notifyMsc(dpy, window, 1, 0, 0, 0);
    XFlush(dpy);
    bool shown = AwaitComplete(dpy, match, 1, deadline, msc);
    if (shown) {
        present->notifyMsc(dpy, window, 2, msc + 2, 0, 0);
        XFlush(dpy);
        shown = AwaitComplete(dpy, match, 2, deadline, msc);
    }
    present->freeInput(dpy, window, input);
    XFlush(dpy);
    return shown;
}

}  // namespace scriblane::linuxp

// The output (monitor) that XWayland or a plain X server calls primary, through RandR.
#include "platform/linux/x11/x11_outputs.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace scriblane::linuxp {

std::optional<OutputPlace> PrimaryOutput(::Display* dpy) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(dpy, &event, &error) || !XRRQueryVersion(dpy, &major, &minor) ||
        (major == 1 && minor < 3)) {
        return std::nullopt;
    }
    const Window root = DefaultRootWindow(dpy);
    // RandR 1.5 monitors are the screens a desktop places things on, also
    // where one output is split in two (xrandr --setmonitor); the server
    // builds one of each lit output otherwise, in the CRTCs' order.
    if (major > 1 || minor >= 5) {
        int count = 0;
        if (XRRMonitorInfo* monitors = XRRGetMonitors(dpy, root, True, &count)) {
            const XRRMonitorInfo* chosen = count > 0 ? &monitors[0] : nullptr;
            for (int i = 0; i < count; ++i) {
                if (monitors[i].primary) {
                    chosen = &monitors[i];
                    break;
                }
            }
            std::optional<OutputPlace> result;
            if (chosen != nullptr && chosen->width > 0 && chosen->height > 0) {
                std::string name;
                if (char* atom = chosen->name != None ? XGetAtomName(dpy, chosen->name) : nullptr) {
                    name = atom;
                    XFree(atom);
                }
                result = OutputPlace{std::move(name),
                                     Rect{chosen->x, chosen->y, chosen->x + chosen->width,
                                          chosen->y + chosen->height}};
            }
            XRRFreeMonitors(monitors);
            if (result) return result;
        }
    }
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy, root);
    if (res == nullptr) return std::nullopt;
    auto name = [&](RROutput output) {
        std::string text;
        if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, output)) {
            text.assign(out->name, static_cast<std::size_t>(std::max(0, out->nameLen)));
            XRRFreeOutputInfo(out);
        }
        return text;
    };
    // A lit CRTC's place, named after `output` (or its own first output).
    auto place = [&](RRCrtc crtc, RROutput output) -> std::optional<OutputPlace> {
        XRRCrtcInfo* info = XRRGetCrtcInfo(dpy, res, crtc);
        if (info == nullptr) return std::nullopt;
        std::optional<OutputPlace> found;
        if (info->mode != None && info->width > 0 && info->height > 0) {
            if (output == None && info->noutput > 0) output = info->outputs[0];
            found = OutputPlace{output != None ? name(output) : std::string(),
                                Rect{info->x, info->y, info->x + static_cast<std::int32_t>(info->width),
                                     info->y + static_cast<std::int32_t>(info->height)}};
        }
        XRRFreeCrtcInfo(info);
        return found;
    };
    std::optional<OutputPlace> result;
    if (const RROutput primary = XRRGetOutputPrimary(dpy, root); primary != None) {
        if (XRROutputInfo* out = XRRGetOutputInfo(dpy, res, primary)) {
            const RRCrtc crtc = out->crtc;
            XRRFreeOutputInfo(out);
            if (crtc != None) result = place(crtc, primary);
        }
    }
    for (int i = 0; !result && i < res->ncrtc; ++i) result = place(res->crtcs[i], None);
    XRRFreeScreenResources(res);
    return result;
}

}  // namespace scriblane::linuxp

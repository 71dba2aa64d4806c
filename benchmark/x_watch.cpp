// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <memory>
#include <optional>
#include <stdexcept>

#include <poll.h>

namespace xwatch {

std::chrono::steady_clock::time_point firstFrame(int width, int height, const std::function<void()> &start,
                                                 const std::function<bool()> &running) {
    using Clock = std::chrono::steady_clock;
    // A window gone before it is asked about is no error.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    const std::unique_ptr<Display, int (*)(Display *)> display(XOpenDisplay(nullptr), XCloseDisplay);
    int damageEvent = 0, damageError = 0;
    if (!display || !XDamageQueryExtension(display.get(), &damageEvent, &damageError))
        throw std::runtime_error("la pantalla de DISPLAY no se abre o no tiene la extensión DAMAGE");
    // Without a compositor, drawing in any window is damage to the root
    // window. Mapping a window draws nothing when, as Qt's, it has no
    // background; nor does the last program's window going away, under the
    // new one, which is mapped above it.
    const Window root = DefaultRootWindow(display.get());
    XSelectInput(display.get(), root, SubstructureNotifyMask);
    XDamageCreate(display.get(), root, XDamageReportRawRectangles);
    XSync(display.get(), False);
    start();
    std::optional<XWindowAttributes> target;
    for (const auto until = Clock::now() + std::chrono::seconds(30); running() && Clock::now() < until;) {
        while (XPending(display.get())) {
            XEvent e;
            XNextEvent(display.get(), &e);
            XWindowAttributes a;
            if (e.type == MapNotify && !target && XGetWindowAttributes(display.get(), e.xmap.window, &a) &&
                a.width == width && a.height == height)
                target = a;
            if (e.type != damageEvent + XDamageNotify || !target)
                continue;
            const XRectangle &area = reinterpret_cast<XDamageNotifyEvent &>(e).area;
            if (area.x < target->x + target->width && target->x < area.x + area.width &&
                area.y < target->y + target->height && target->y < area.y + area.height)
                return Clock::now();
        }
        pollfd ready{ConnectionNumber(display.get()), POLLIN, 0};
        ::poll(&ready, 1, 20);
    }
    throw std::runtime_error("la ventana no ha aparecido");
}

} // namespace xwatch

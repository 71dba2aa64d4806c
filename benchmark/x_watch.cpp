// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <map>

#include <poll.h>

namespace xwatch {

struct WindowWatch::State {
    Display *display = nullptr;
    int damageBase = 0;
    Damage damage = 0;
    std::map<Window, XRectangle> windows; // top-level windows and where they are
    std::map<Window, bool> mapped;
    Window target = 0;
    bool drawn = false;
    Clock::time_point drawnAt;
    int width = 0, height = 0;

    void read() {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == damageBase + XDamageNotify) {
                const XRectangle &area = reinterpret_cast<XDamageNotifyEvent &>(e).area;
                const XRectangle &r = windows[target];
                if (target && !drawn && area.x < r.x + r.width && r.x < area.x + area.width &&
                    area.y < r.y + r.height && r.y < area.y + area.height) {
                    drawn = true;
                    drawnAt = Clock::now();
                }
            } else if (e.type == CreateNotify && e.xcreatewindow.parent == DefaultRootWindow(display)) {
                const XCreateWindowEvent &c = e.xcreatewindow;
                windows[c.window] = XRectangle{short(c.x), short(c.y), ushort(c.width), ushort(c.height)};
            } else if (e.type == ConfigureNotify && windows.count(e.xconfigure.window)) {
                const XConfigureEvent &c = e.xconfigure;
                windows[c.window] = XRectangle{short(c.x), short(c.y), ushort(c.width), ushort(c.height)};
            } else if (e.type == MapNotify && windows.count(e.xmap.window)) {
                mapped[e.xmap.window] = true;
                const XRectangle &r = windows[e.xmap.window];
                if (!target && r.width == width && r.height == height)
                    target = e.xmap.window;
            } else if (e.type == UnmapNotify || e.type == DestroyNotify) {
                mapped.erase(e.type == UnmapNotify ? e.xunmap.window : e.xdestroywindow.window);
                if (e.type == DestroyNotify)
                    windows.erase(e.xdestroywindow.window);
            }
        }
    }

    // Reads events until done() or the time runs out.
    bool waitFor(const std::function<bool()> &done, std::chrono::seconds timeout) {
        const auto deadline = Clock::now() + timeout;
        for (XSync(display, False), read(); !done(); read()) {
            if (Clock::now() > deadline)
                return false;
            pollfd pfd{ConnectionNumber(display), POLLIN, 0};
            ::poll(&pfd, 1, 20);
        }
        return true;
    }
};

WindowWatch::WindowWatch(const std::string &display) : m_state(new State) {
    State &s = *m_state;
    s.display = XOpenDisplay(display.c_str());
    int errorBase = 0;
    if (!s.display || !XDamageQueryExtension(s.display, &s.damageBase, &errorBase))
        throw std::runtime_error("la pantalla " + display + " no se abre o no tiene la extensión DAMAGE");
    const Window root = DefaultRootWindow(s.display);
    XSelectInput(s.display, root, SubstructureNotifyMask);
    // Drawing inside any window is reported as damage to the root window.
    s.damage = XDamageCreate(s.display, root, XDamageReportRawRectangles);
    drain();
}

WindowWatch::~WindowWatch() {
    if (m_state->display) {
        XDamageDestroy(m_state->display, m_state->damage);
        XCloseDisplay(m_state->display);
    }
}

void WindowWatch::drain() {
    XSync(m_state->display, False);
    m_state->read();
}

Clock::time_point WindowWatch::waitForDrawnWindow(int width, int height,
                                                  const std::function<bool()> &running) {
    State &s = *m_state;
    s.target = 0;
    s.drawn = false;
    s.width = width;
    s.height = height;
    bool ended = false;
    if (!s.waitFor([&] { return s.drawn || (ended = !running()); }, std::chrono::seconds(30)) || ended)
        throw std::runtime_error("la ventana no ha aparecido");
    return s.drawnAt;
}

void WindowWatch::waitUntilGone(int width, int height) {
    State &s = *m_state;
    const auto gone = [&] {
        for (const auto &[window, on] : s.mapped) {
            if (on && s.windows[window].width == width && s.windows[window].height == height)
                return false;
        }
        return true;
    };
    if (!s.waitFor(gone, std::chrono::seconds(10)))
        throw std::runtime_error("la ventana sigue en pantalla después de terminar el programa");
}

} // namespace xwatch

// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_session.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <set>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace xsession {

namespace {

std::string systemError(const std::string &what, int error) {
    return what + ": " + std::strerror(error);
}

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string> &changes) {
    std::vector<std::string> result;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (changes.find(name) == changes.end())
            result.push_back(text);
    }
    for (const auto &[name, value] : changes)
        result.push_back(name + "=" + value);
    return result;
}

std::vector<char *> pointers(std::vector<std::string> &texts) {
    std::vector<char *> result;
    for (std::string &text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Starts the program; extraFd, when not -1, becomes descriptor 3 of the child.
pid_t spawnWith(const std::string &program, const std::vector<std::string> &arguments,
                const std::map<std::string, std::string> &environment, const std::string &logPath,
                int extraFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (extraFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, extraFd, 3);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = mergedEnvironment(environment);
    std::vector<char *> argvPointers = pointers(argv);
    std::vector<char *> envpPointers = pointers(envp);

    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argvPointers.data(), envpPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw Failure{systemError("no se ha podido iniciar " + program, error)};
    return pid;
}

} // namespace

pid_t spawn(const std::string &program, const std::vector<std::string> &arguments,
            const std::map<std::string, std::string> &environment, const std::string &logPath) {
    return spawnWith(program, arguments, environment, logPath, -1);
}

bool running(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

void stop(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

VirtualScreen::VirtualScreen(const std::string &logPath) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Failure{systemError("pipe", errno)};
    try {
        // Xvfb writes its display number to descriptor 3 once it accepts clients.
        m_pid = spawnWith("/usr/bin/Xvfb",
                          {"-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                          {}, logPath, fds[1]);
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    ::close(fds[1]);

    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (number.empty() || number.back() != '\n') {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd pfd{fds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, int(left.count())) <= 0)
            break;
        char buffer[32];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        number.append(buffer, size_t(n));
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
        number.pop_back();
    if (number.empty()) {
        stop(m_pid);
        throw Failure{"Xvfb no ha indicado su pantalla (véase " + logPath + ")"};
    }
    m_display = ":" + number;
}

VirtualScreen::~VirtualScreen() {
    stop(m_pid);
}

namespace {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;

    bool intersects(const XRectangle &r) const {
        return r.x < x + width && x < r.x + r.width && r.y < y + height && y < r.y + r.height;
    }
};

} // namespace

struct WindowWatch::State {
    Display *display = nullptr;
    Window root = 0;
    int damageEventBase = 0;
    Damage damage = 0;
    std::map<Window, Rect> windows; // top-level windows and where they are
    std::set<Window> mapped;
    Window target = 0;         // the window being waited for, once mapped
    bool targetDrawn = false;  // something was drawn inside it
    Clock::time_point drawnAt; // when that was seen
    int wantedWidth = -1, wantedHeight = -1;

    void handle(XEvent &event) {
        if (event.type == damageEventBase + XDamageNotify) {
            const auto &notify = reinterpret_cast<const XDamageNotifyEvent &>(event);
            if (target && !targetDrawn && windows[target].intersects(notify.area)) {
                targetDrawn = true;
                drawnAt = Clock::now();
            }
            return;
        }
        switch (event.type) {
        case CreateNotify:
            if (event.xcreatewindow.parent == root)
                windows[event.xcreatewindow.window] =
                    Rect{event.xcreatewindow.x, event.xcreatewindow.y, event.xcreatewindow.width,
                         event.xcreatewindow.height};
            break;
        case ConfigureNotify:
            if (event.xconfigure.event == root && windows.count(event.xconfigure.window))
                windows[event.xconfigure.window] = Rect{event.xconfigure.x, event.xconfigure.y,
                                                        event.xconfigure.width, event.xconfigure.height};
            break;
        case MapNotify: {
            const Window window = event.xmap.window;
            if (!windows.count(window))
                break;
            mapped.insert(window);
            const Rect &rect = windows[window];
            if (!target && rect.width == wantedWidth && rect.height == wantedHeight)
                target = window;
            break;
        }
        case UnmapNotify:
            mapped.erase(event.xunmap.window);
            break;
        case DestroyNotify:
            mapped.erase(event.xdestroywindow.window);
            windows.erase(event.xdestroywindow.window);
            break;
        default:
            break;
        }
    }

    void readPending() {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
    }

    void waitForEvents(std::chrono::milliseconds at_most) {
        pollfd pfd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&pfd, 1, int(at_most.count()));
    }

    bool anyMapped(int width, int height) const {
        for (const Window window : mapped) {
            const auto found = windows.find(window);
            if (found != windows.end() && found->second.width == width && found->second.height == height)
                return true;
        }
        return false;
    }
};

WindowWatch::WindowWatch(const std::string &display) : m_state(new State) {
    m_state->display = XOpenDisplay(display.c_str());
    if (!m_state->display) {
        delete m_state;
        throw Failure{"no se ha podido abrir la pantalla " + display};
    }
    int errorBase = 0;
    int major = 1, minor = 1;
    if (!XDamageQueryExtension(m_state->display, &m_state->damageEventBase, &errorBase) ||
        !XDamageQueryVersion(m_state->display, &major, &minor)) {
        XCloseDisplay(m_state->display);
        delete m_state;
        throw Failure{"la pantalla " + display + " no tiene la extensión DAMAGE"};
    }
    m_state->root = DefaultRootWindow(m_state->display);
    XSelectInput(m_state->display, m_state->root, SubstructureNotifyMask);
    // Drawing inside any window is reported as damage to the root window.
    m_state->damage = XDamageCreate(m_state->display, m_state->root, XDamageReportRawRectangles);
    XSync(m_state->display, False);
    m_state->readPending();
}

WindowWatch::~WindowWatch() {
    XDamageDestroy(m_state->display, m_state->damage);
    XCloseDisplay(m_state->display);
    delete m_state;
}

void WindowWatch::drain() {
    XSync(m_state->display, False);
    m_state->readPending();
}

Clock::time_point WindowWatch::waitForDrawnWindow(int width, int height, pid_t program,
                                                  std::chrono::milliseconds timeout) {
    State &s = *m_state;
    s.target = 0;
    s.targetDrawn = false;
    s.wantedWidth = width;
    s.wantedHeight = height;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        s.readPending();
        if (s.targetDrawn)
            return s.drawnAt;
        if (!running(program))
            throw Failure{"el programa terminó antes de mostrar su ventana"};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw Failure{"la ventana no ha aparecido a tiempo"};
        s.waitForEvents(std::min(left, std::chrono::milliseconds(20)));
    }
}

void WindowWatch::waitUntilGone(int width, int height, std::chrono::milliseconds timeout) {
    State &s = *m_state;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        XSync(s.display, False);
        s.readPending();
        if (!s.anyMapped(width, height))
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            throw Failure{"la ventana sigue en pantalla después de terminar el programa"};
        s.waitForEvents(std::min(left, std::chrono::milliseconds(20)));
    }
}

} // namespace xsession

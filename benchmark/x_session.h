// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A private X server for the start-up figure, and a watch on it that tells
// when a program's window first appears with its content drawn. Kept free of
// Qt so that Xlib's macros stay inside x_session.cpp.

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace xsession {

using Clock = std::chrono::steady_clock;

// Thrown when the X server or a program cannot be run.
struct Failure {
    std::string message;
};

// Starts a program with the environment of this process changed by the
// variables given; its output goes to the log file. Throws Failure.
pid_t spawn(const std::string &program, const std::vector<std::string> &arguments,
            const std::map<std::string, std::string> &environment, const std::string &logPath);

// Ends the program (SIGTERM, then SIGKILL after a while) and reaps it.
void stop(pid_t pid);

// True while the program has not ended.
bool running(pid_t pid);

// An Xvfb server of its own, ended with the object.
class VirtualScreen {
public:
    // Throws Failure when Xvfb cannot be started.
    explicit VirtualScreen(const std::string &logPath);
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen &) = delete;
    VirtualScreen &operator=(const VirtualScreen &) = delete;

    // ":N"
    const std::string &display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Follows the top-level windows of a display and the drawing on its screen.
class WindowWatch {
public:
    // Throws Failure when the display or its DAMAGE extension is missing.
    explicit WindowWatch(const std::string &display);
    ~WindowWatch();
    WindowWatch(const WindowWatch &) = delete;
    WindowWatch &operator=(const WindowWatch &) = delete;

    // Forgets every event received so far.
    void drain();

    // Waits until a top-level window of the size is mapped and something is
    // drawn inside it, and returns that moment. Throws Failure when the
    // program ends first or the time runs out.
    Clock::time_point waitForDrawnWindow(int width, int height, pid_t program,
                                         std::chrono::milliseconds timeout);

    // Waits until no top-level window of the size is mapped any more.
    void waitUntilGone(int width, int height, std::chrono::milliseconds timeout);

private:
    struct State;
    State *m_state;
};

} // namespace xsession

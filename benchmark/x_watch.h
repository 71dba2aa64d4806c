// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Watches the top-level windows of an X display and the drawing on its
// screen, to tell when a program's window first shows drawn content. Kept
// free of Qt so that Xlib's macros stay inside x_watch.cpp.

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace xwatch {

using Clock = std::chrono::steady_clock;

class WindowWatch {
public:
    // Throws std::runtime_error when the display or its DAMAGE extension is missing.
    explicit WindowWatch(const std::string &display);
    ~WindowWatch();

    // Forgets the windows and drawing seen so far.
    void drain();
    // The moment a top-level window of the size, mapped after the last
    // drain(), first has something drawn inside it. Throws std::runtime_error
    // when running() turns false or the time runs out first.
    Clock::time_point waitForDrawnWindow(int width, int height, const std::function<bool()> &running);
    // Waits until no top-level window of the size is mapped.
    void waitUntilGone(int width, int height);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace xwatch

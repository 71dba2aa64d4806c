// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// When a program's window first shows drawn content on an X display. Free
// of Qt, so that Xlib's macros stay inside x_watch.cpp.

#include <chrono>
#include <functional>

namespace xwatch {

// Calls start() and returns the moment a top-level window of the size,
// mapped after that on the display of DISPLAY, first has something drawn
// in it. Throws std::runtime_error when there is no such display with the
// DAMAGE extension, when running() turns false, or after 30 seconds.
std::chrono::steady_clock::time_point firstFrame(int width, int height, const std::function<void()> &start,
                                                 const std::function<bool()> &running);

} // namespace xwatch

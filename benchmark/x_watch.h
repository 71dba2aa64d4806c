// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// When a program's window first shows drawn content on an X display. Free
// of Qt, so that Xlib's macros stay inside x_watch.cpp.

#include <chrono>
#include <functional>
#include <string>

namespace xwatch {

// Calls start() and returns the moment a top-level window of the size,
// mapped after that, first has something drawn in it. Throws
// std::runtime_error when the display has no DAMAGE extension, when
// running() turns false, or after 30 seconds.
std::chrono::steady_clock::time_point firstFrame(const std::string &display, int width, int height,
                                                 const std::function<void()> &start,
                                                 const std::function<bool()> &running);

} // namespace xwatch

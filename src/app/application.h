// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace application {

// Asks Qt for X11 wherever an X server is named (a Wayland session's
// XWayland too), Wayland should that fail, unless the user chose a platform
// (QT_QPA_PLATFORM). Call before the QApplication is constructed. Defined
// in platform_unix.cpp and platform_win.cpp.
void choosePlatform();

// Starts reading the desktop's font configuration on a thread of its own,
// which takes several milliseconds and is otherwise done when the first
// window lays out its text; setUp() waits for it. Call before the
// QApplication is constructed, after choosePlatform().
void startReadingFonts();

// Names the application, gives it its own style, palette and default font,
// Qt's own texts in Spanish and registers its fonts; its icon follows once
// a window has been painted. The ledger window is shown by the caller.
void setUp(QApplication &app);

} // namespace application

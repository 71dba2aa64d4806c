// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QApplication;

namespace application {

// The platform plugins to ask Qt for, given the user's QT_QPA_PLATFORM and
// DISPLAY: X11 wherever an X server is named (a Wayland session's XWayland
// too), Wayland should that fail. Empty where Qt's own choice stands: the
// user chose a platform, or no X server is named.
QByteArray platformRequest(const QByteArray &userPlatform, const QByteArray &display);

// Puts platformRequest() for this process's environment into effect. Call
// before the QApplication is constructed.
void choosePlatform();

// Names the application, gives it its own style, palette and default font,
// Qt's own texts in Spanish, registers its fonts and sets its icon. The
// ledger window is shown by the caller.
void setUp(QApplication &app);

} // namespace application

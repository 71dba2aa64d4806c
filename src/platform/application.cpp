// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/application.h"

#include "platform/fonts.h"

#include <QApplication>
#include <QIcon>

namespace application {

void setUp(QApplication &app) {
    QApplication::setApplicationName(QStringLiteral("Tesorila"));
    QApplication::setApplicationVersion(QStringLiteral(TESORILA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tesorila"));
    QApplication::setQuitOnLastWindowClosed(true);
    fonts::registerFonts();
    QApplication::setFont(fonts::dialogFont());
    app.setWindowIcon(QIcon(QStringLiteral(":/resources/icon_app.svg")));
}

} // namespace application

// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up baselines: a plain Qt Widgets program showing one window of
// the ledger window's size holding an empty list; built with
// BARE_WINDOW_TEXT, one showing a line of text instead, that loads every Qt
// library Tesorila loads.

#include <QApplication>
#include <QListWidget>
#include <QWidget>

#ifdef BARE_WINDOW_TEXT
#include <QHostAddress>
#include <QLabel>
#include <QPrinterInfo>
#include <QSvgRenderer>
#endif

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
#ifdef BARE_WINDOW_TEXT
    // One object of each library, so that none is left out at link time.
    const QPrinterInfo printer;
    const QSvgRenderer picture;
    const QHostAddress host(QHostAddress::LocalHost);
    QLabel window(QStringLiteral("Cuenta en uso: Sin Usuario"));
    window.resize(877, 621);
#else
    QWidget window;
    window.resize(877, 621);
    QListWidget list(&window);
    list.setGeometry(32, 96, 809, 477);
#endif
    window.show();
    return app.exec();
}

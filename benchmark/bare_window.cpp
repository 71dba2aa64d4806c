// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up baseline: a plain Qt Widgets program showing one window of
// the ledger window's size holding an empty list.

#include <QApplication>
#include <QListWidget>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(877, 621);
    QListWidget list(&window);
    list.setGeometry(32, 96, 809, 477);
    window.show();
    return app.exec();
}

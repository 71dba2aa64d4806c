// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledger/ledger_window.h"
#include "ledger/window_set.h"
#include "platform/application.h"
#include "platform/single_instance.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    application::choosePlatform();
    QApplication app(argc, argv);
    if (!singleinstance::claim([] { return WindowSet::instance().showForm1(); }))
        return 0;
    application::setUp(app);
    WindowSet::instance().showForm1();
    return app.exec();
}

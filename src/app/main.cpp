// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/single_instance.h"
#include "app/window_set.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    application::choosePlatform();
    application::startReadingFonts();
    QApplication app(argc, argv);
    // Set up first: a running copy that does not answer is named in a
    // message box.
    application::setUp(app);
    if (!singleinstance::claim([] { WindowSet::instance().comeForward(); }))
        return 0;
    WindowSet::instance().showForm1();
    return app.exec();
}

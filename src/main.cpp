#include "ledger/window_set.h"
#include "platform/application.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    application::choosePlatform();
    QApplication app(argc, argv);
    application::setUp(app);
    WindowSet::instance().showForm1();
    return app.exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QString>

// What every test process needs, windows or not: a data root of its own and
// an explicit locale. Links Qt Core only, as the model does.
namespace testsupport {

// Selects a locale for the test; restores the previous one on destruction.
class LocaleScope {
public:
    explicit LocaleScope(const QString &name);
    ~LocaleScope();

private:
    QLocale m_previous;
};

// The data home of this test process (a temporary directory).
QString dataHome();

// Sets up a test process: offscreen platform, a temporary data home, the
// Spanish locale. Call before creating the application object.
void prepareEnvironment();
// Removes the folders prepareEnvironment() made now, as the program's end
// does: for a process that will be killed.
void removeTemporaryFolders();

} // namespace testsupport

// A QTEST_MAIN for the model's tests: no window system at all.
#define TESORILA_MODEL_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char *argv[]) {                                                                       \
        testsupport::prepareEnvironment();                                                                   \
        QCoreApplication app(argc, argv);                                                                    \
        QLocale::setDefault(QLocale(QStringLiteral("es_ES")));                                               \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

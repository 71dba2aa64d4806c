// SPDX-License-Identifier: GPL-3.0-or-later
#include "model_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace testsupport {

namespace {
// Removed with what the run left in them when the program ends.
struct TemporaryFolders {
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<QTemporaryDir> config;
    ~TemporaryFolders() { remove(); }
    void remove() {
#ifdef Q_OS_WIN
        // Windows keeps the current folder: it may still be the screens'.
        if (config)
            QDir::setCurrent(qEnvironmentVariable("TESORILA_TEST_CWD"));
#endif
        home.reset();
        config.reset();
    }
} g_folders;
} // namespace

LocaleScope::LocaleScope(const QString &name) : m_previous(QLocale()) {
    QLocale::setDefault(QLocale(name));
}

LocaleScope::~LocaleScope() {
    QLocale::setDefault(m_previous);
}

QString dataHome() {
    return g_folders.home ? g_folders.home->path() : QString();
}

void prepareEnvironment() {
#ifdef Q_OS_WIN
    // Qt writes the test's log to the debugger's, not to stdout, unless a
    // console is attached, and none is when CTest reads the output through
    // a pipe. (Wine passes no QT_ variable from Linux's environment.)
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    // The offscreen platform reads the fonts of one folder only, Qt's own
    // by default, where there are none: the system's instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR",
                QFile::encodeName(qEnvironmentVariable("SystemRoot") + QStringLiteral("/Fonts")));
#endif
    g_folders.home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tesorila-test-XXXXXX"));
    // One screen the size of a 1366 x 768 laptop's at 125 %, window frames
    // two pixels wide.
    g_folders.config =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tesorila-screens-XXXXXX"));
    const QString screens = g_folders.config->filePath(QStringLiteral("screens.json"));
    QFile config(screens);
    if (config.open(QIODevice::WriteOnly))
        config.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1093, "height": 614}]})");
    config.close();
#ifdef Q_OS_WIN
    // The platform's arguments are split at every ':', a drive's too: the
    // file is named from its own folder, the current one until the
    // application is made (testsupport::prepareApplication goes back). A
    // child of a test starts in its parent's screens folder: it goes back
    // where the parent started.
    if (qEnvironmentVariableIsEmpty("TESORILA_TEST_CWD"))
        qputenv("TESORILA_TEST_CWD", QFile::encodeName(QDir::currentPath()));
    QDir::setCurrent(g_folders.config->path());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=screens.json");
#else
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
#endif
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_folders.home->path()));
    qputenv("LANG", "es_ES.UTF-8");
    qputenv("LC_ALL", "es_ES.UTF-8");
}

void removeTemporaryFolders() {
    g_folders.remove();
}

} // namespace testsupport

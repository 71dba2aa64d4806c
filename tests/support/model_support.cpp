// SPDX-License-Identifier: GPL-3.0-or-later
#include "model_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace testsupport {

namespace {
QTemporaryDir *g_home = nullptr;
}

LocaleScope::LocaleScope(const QString &name) : m_previous(QLocale()) {
    QLocale::setDefault(QLocale(name));
}

LocaleScope::~LocaleScope() {
    QLocale::setDefault(m_previous);
}

QString dataHome() {
    return g_home ? g_home->path() : QString();
}

void prepareEnvironment() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/tesorila-test-XXXXXX"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_home->path()));
    qputenv("LANG", "es_ES.UTF-8");
    qputenv("LC_ALL", "es_ES.UTF-8");
}

} // namespace testsupport

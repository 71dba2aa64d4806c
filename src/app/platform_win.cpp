// SPDX-License-Identifier: GPL-3.0-or-later
// The one running copy and the window system on Windows.
#include "app/platform.h"

#include "app/application.h"

#include <QLocalSocket>

#include <qt_windows.h>

namespace platform {

// Pipe names are shared by every session of the machine; a user signed in
// twice has a copy in each session.
QByteArray sessionKey() {
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return {};
    return QByteArray::number(quint64(session));
}

QString socketName(const QString &runtimeFolder, const QString &name) {
    Q_UNUSED(runtimeFolder)
    return name; // a pipe, not a file
}

bool ownUsersPeer(const QLocalSocket &socket) {
    Q_UNUSED(socket)
    return true; // the pipe's access list lets in this user alone
}

} // namespace platform

namespace application {

void choosePlatform() {} // Qt's own platform is the only one

} // namespace application

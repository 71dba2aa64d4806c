// SPDX-License-Identifier: GPL-3.0-or-later
// The one running copy and the window system on the Unix systems.
#include "app/platform.h"

#include "app/application.h"

#include <QFile>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

QByteArray sessionKey() {
    return {}; // the runtime folder is the session's own
}

QString socketName(const QString &runtimeFolder, const QString &name) {
    QString inFolder = runtimeFolder + QLatin1Char('/') + name;
    if (QFile::encodeName(inFolder).size() < qsizetype(sizeof(sockaddr_un::sun_path)))
        return inFolder;
    return name;
}

bool ownUsersPeer(const QLocalSocket &socket) {
#ifdef Q_OS_LINUX
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    return getpeereid(int(socket.socketDescriptor()), &uid, &gid) == 0 && uid == geteuid();
#endif
}

} // namespace platform

namespace application {

void choosePlatform() {
#ifndef Q_OS_DARWIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
#endif
}

} // namespace application

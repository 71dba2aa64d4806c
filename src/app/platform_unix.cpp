// SPDX-License-Identifier: GPL-3.0-or-later
// The one running copy and the window system on the Unix systems.
#include "app/platform.h"

#include "app/application.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

bool fitsASocket(const QString &path) {
    return QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path));
}

// A folder of this user's alone in the temporary folder, where anyone may
// make names: made 0700 where missing, and taken only when it is a folder
// (not a link to one) that this user owns and no one else may enter.
// Empty otherwise.
QString privateTemporaryFolder() {
    QString folder = QDir::tempPath() + QStringLiteral("/tesorila-%1").arg(::geteuid());
    const QByteArray name = QFile::encodeName(folder);
    (void)::mkdir(name.constData(), 0700);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & 077) != 0)
        return {};
    return folder;
}

} // namespace

QByteArray sessionKey() {
    return {}; // the runtime folder is the session's own
}

QString socketName(const QString &runtimeFolder, const QString &name) {
    QString inFolder = runtimeFolder + QLatin1Char('/') + name;
    if (fitsASocket(inFolder))
        return inFolder;
    const QString temporary = privateTemporaryFolder();
    const QString inTemporary = temporary + QLatin1Char('/') + name;
    return !temporary.isEmpty() && fitsASocket(inTemporary) ? inTemporary : QString();
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

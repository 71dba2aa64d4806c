// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QLocalSocket;

// What the one running copy needs to know of the system it runs on; defined
// in platform_unix.cpp and platform_win.cpp (with application::choosePlatform()).
namespace platform {

// What tells this login session from the user's others at the same time,
// where the copies' names are shared by every session of the machine; empty
// where the runtime folder already belongs to one session.
QByteArray sessionKey();

// The name the copies' socket goes by, for the name made of the runtime
// folder: a path in that folder; where such a path is too long for a
// socket, a path in a folder of this user's alone in the temporary folder;
// or the bare name (a pipe's) where the system's sockets live outside the
// file system. Empty when there is no such place: no copy is looked for.
QString socketName(const QString &runtimeFolder, const QString &name);

// Whether the process at the other end of a connection is this user's.
bool ownUsersPeer(const QLocalSocket &socket);

} // namespace platform

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QEvent>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace singleinstance {

namespace {

// How long a start waits to take its turn, to connect, and for the running
// copy to answer. A running copy busy in a long command answers when it is
// done; one that does not answer at all (stopped, hung) is left alone.
constexpr int kLockTimeoutMs = 3000;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kAnswerTimeoutMs = 5000;

// The one-byte answer of the running copy once its window is in front.
constexpr char kBroughtForward = 'F';

// The display this process shows its windows on: the window-system platform,
// and for X11 and Wayland the display it connected to.
QString displayKey() {
    QString platform = QGuiApplication::platformName();
    QString display;
    if (platform == QLatin1String("xcb")) {
        display = qEnvironmentVariable("DISPLAY");
        // ":1", ":1.0" and "unix:1" are one local display.
        static const QRegularExpression local(QStringLiteral("^(?:unix)?(:\\d+)(?:\\.\\d+)?$"));
        const QRegularExpressionMatch match = local.match(display);
        if (match.hasMatch())
            display = match.captured(1);
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        platform = QStringLiteral("wayland");
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    }
    return platform + QLatin1Char('\n') + display;
}

// The socket of this user's copy on this display. The runtime folder belongs
// to the user alone (Qt checks its owner and mode), so the folder stands for
// the user and the name for the display. Empty when there is no usable folder.
QString serverPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return {};
#ifdef Q_OS_WIN
    // On Windows the server is a named pipe, and pipe names are shared by
    // every user and session of the machine: the name holds the user's
    // folder (Qt's runtime folder there is the user's profile), and the
    // digest the session too, as one user may be signed in more than once.
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    const QByteArray digest =
        QCryptographicHash::hash(displayKey().toUtf8() + '\n' + QByteArray::number(quint64(session)),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
#else
    const QByteArray digest =
        QCryptographicHash::hash(displayKey().toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
#endif
    return folder + QStringLiteral("/tesorila-") + QString::fromLatin1(digest);
}

// Answers later starts. Each connection is a request to come forward,
// answered with one byte once that is done.
class Server : public QObject {
public:
    Server(std::function<void()> comeForward, QObject *parent)
        : QObject(parent), m_comeForward(std::move(comeForward)) {
#ifdef Q_OS_WIN
        // The pipe of this user alone: another user's process cannot ask.
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
#endif
        connect(&m_server, &QLocalServer::newConnection, this, &Server::answer);
        // Once the application is quitting, no window is to come forward: the
        // socket goes at once, and a start that finds it gone starts anew.
        qApp->installEventFilter(this);
    }

    bool listen(const QString &path) {
        return m_server.listen(path);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == qApp && event->type() == QEvent::Quit)
            m_server.close();
        return false;
    }

private:
    void answer() {
        while (QLocalSocket *client = m_server.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            m_comeForward();
            client->write(&kBroughtForward, 1);
            client->disconnectFromServer();
        }
    }

    std::function<void()> m_comeForward;
    QLocalServer m_server;
};

} // namespace

bool claim(std::function<void()> comeForward) {
    const QString path = serverPath();
    if (path.isEmpty())
        return true;
    // Looking for a running copy, clearing a socket left by a copy that died
    // and listening happen under this lock, so that of two starts at the
    // same moment exactly one listens and the other finds it. A lock left by
    // a process that died is taken over.
    QLockFile turn(path + QStringLiteral(".lock"));
    // A running copy that ends while asked drops the connection unanswered;
    // the next round finds its socket gone.
    for (int round = 0; round < 3; ++round) {
        if (!turn.tryLock(kLockTimeoutMs))
            return true;
        QLocalSocket running;
        running.connectToServer(path);
        if (running.waitForConnected(kConnectTimeoutMs)) {
            turn.unlock();
            if (running.waitForReadyRead(kAnswerTimeoutMs) &&
                running.read(1) == QByteArray(1, kBroughtForward))
                return false;
            if (running.state() != QLocalSocket::UnconnectedState)
                return true; // no answer in time: start as a copy of its own
            continue;
        }
        const QLocalSocket::LocalSocketError error = running.error();
        if (error != QLocalSocket::ServerNotFoundError && error != QLocalSocket::ConnectionRefusedError)
            return true;
        // Nobody listens; a socket file left by a copy that died would keep
        // the server from listening.
        QLocalServer::removeServer(path);
        auto *server = new Server(std::move(comeForward), qApp);
        if (!server->listen(path))
            delete server;
        return true;
    }
    return true;
}

} // namespace singleinstance

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include "app/another_copy.h"
#include "app/platform.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

namespace singleinstance {

namespace {

// How long a start waits, all told, to take its turn, to connect and for the
// running copy to answer. A running copy that does not answer by then
// (stopped, hung, busy in a long command) is left alone, and the user is
// asked whether to open a copy of its own.
constexpr int kAnswerTimeoutMs = 1000;

// The one-byte answer of the running copy once its window is in front.
constexpr char kBroughtForward = 'F';

// The display this process shows its windows on: the window-system platform,
// and for X11 and Wayland the display it connected to.
QString displayKey() {
    QString windowSystem = QGuiApplication::platformName();
    QString display;
    if (windowSystem == QLatin1String("xcb")) {
        display = qEnvironmentVariable("DISPLAY");
        // ":1", ":1.0" and "unix:1" are one local display.
        static const QRegularExpression local(QStringLiteral("^(?:unix)?(:\\d+)(?:\\.\\d+)?$"));
        const QRegularExpressionMatch match = local.match(display);
        if (match.hasMatch())
            display = match.captured(1);
    } else if (windowSystem.startsWith(QLatin1String("wayland"))) {
        windowSystem = QStringLiteral("wayland");
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    }
    return windowSystem + QLatin1Char('\n') + display;
}

// The runtime folder belongs to the user alone (Qt checks its owner and
// mode), so the folder stands for the user. Empty when there is none.
QString runtimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

// "tesorila-" and a digest of the runtime folder and the display: one name
// per user and display, short whatever the folder's path.
QString baseName(const QString &folder) {
    QByteArray key = folder.toUtf8() + '\n' + displayKey().toUtf8();
    if (const QByteArray session = platform::sessionKey(); !session.isEmpty())
        key += '\n' + session;
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("tesorila-") + QString::fromLatin1(digest);
}

// The socket's name: in the runtime folder, or where the folder's path is
// too long for a socket, in a folder of this user's alone in the temporary
// folder (platform::socketName()). The socket is made for this user alone
// all the same, and an answer counts only from a process of this user
// (platform::ownUsersPeer()).
QString serverName(const QString &folder) {
    return platform::socketName(folder, baseName(folder));
}

int msLeft(const QDeadlineTimer &deadline) {
    return int(deadline.remainingTime());
}

// Asks whether to open a copy of its own (AnotherCopyQuestion). With
// `running`, the question goes by itself once that copy answers or ends; the
// socket then tells which. With `turn`, it goes once the start that holds the
// turn lets go of it, and the turn is then this start's. True when the user
// chose a copy of its own.
bool userOpensAnother(QLocalSocket *running, QLockFile *turn = nullptr) {
    AnotherCopyQuestion question;
    if (running) {
        QObject::connect(running, &QLocalSocket::readyRead, &question, &QDialog::reject);
        QObject::connect(running, &QLocalSocket::disconnected, &question, &QDialog::reject);
    }
    QTimer turnFree;
    if (turn) {
        QObject::connect(&turnFree, &QTimer::timeout, &question, [&question, turn] {
            if (turn->tryLock(0))
                question.reject();
        });
        turnFree.start(100);
    }
    return question.userOpensAnother();
}

// Answers later starts. Each connection is a request to come forward,
// answered with one byte once that is done.
class Server : public QObject {
public:
    Server(std::function<void()> comeForward, QObject *parent)
        : QObject(parent), m_comeForward(std::move(comeForward)) {
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        connect(&m_server, &QLocalServer::newConnection, this, &Server::answer);
        // Once the application is quitting, no window is to come forward: the
        // socket goes at once, and a start that finds it gone starts anew.
        qApp->installEventFilter(this);
    }

    bool listen(const QString &name) { return m_server.listen(name); }

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
    const QString folder = runtimeFolder();
    if (folder.isEmpty())
        return true;
    const QString name = serverName(folder);
    if (name.isEmpty())
        return true; // nowhere private to meet: this copy starts on its own
    // Looking for a running copy, clearing a socket left by a copy that died
    // and listening happen under this lock, so that of two starts at the
    // same moment exactly one listens and the other finds it. A lock left by
    // a process that died is taken over. It is a QLockFile, not the accounts'
    // storage::lockFile(): a turn judged stale (its process gone, or held for
    // half a minute) costs at most a second copy, which the accounts' own
    // system locks still keep from mixing a ledger.
    QLockFile turn(folder + QLatin1Char('/') + baseName(folder) + QStringLiteral(".lock"));
    QDeadlineTimer deadline(kAnswerTimeoutMs);
    // A running copy that ends while asked drops the connection unanswered;
    // the next round finds its socket gone.
    for (int round = 0; round < 3; ++round) {
        // Another start holds the turn and does not let go (stopped or hung
        // while it starts); once it does, the running copy has its time again.
        if (!turn.tryLock(msLeft(deadline))) {
            if (userOpensAnother(nullptr, &turn))
                return true;
            if (!turn.isLocked())
                return false; // the user chose not to open another copy
            deadline = QDeadlineTimer(kAnswerTimeoutMs);
        }
        QLocalSocket running;
        running.connectToServer(name);
        if (running.waitForConnected(msLeft(deadline))) {
            turn.unlock();
            if (!platform::ownUsersPeer(running))
                return true; // another user's socket holds the name: no copy can be found
            if (!running.waitForReadyRead(msLeft(deadline)) &&
                running.state() == QLocalSocket::ConnectedState && userOpensAnother(&running))
                return true;
            if (running.read(1) == QByteArray(1, kBroughtForward))
                return false;
            if (running.state() == QLocalSocket::ConnectedState)
                return false; // the user chose not to open another copy
            continue;
        }
        const QLocalSocket::LocalSocketError error = running.error();
        if (error != QLocalSocket::ServerNotFoundError && error != QLocalSocket::ConnectionRefusedError)
            return true;
        // Nobody listens; a socket file left by a copy that died would keep
        // the server from listening.
        QLocalServer::removeServer(name);
        auto *server = new Server(std::move(comeForward), qApp);
        if (!server->listen(name))
            delete server;
        return true;
    }
    return true;
}

} // namespace singleinstance

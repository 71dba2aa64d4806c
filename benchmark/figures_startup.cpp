// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: from starting the process until its window is on the screen of
// a private X server, for the built tesorila executable and for a bare Qt
// Widgets program showing a window of the same size.

#include "figures.h"

#include "x_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

namespace bench {

namespace {

std::string local(const QString &text) {
    return QFile::encodeName(text).toStdString();
}

} // namespace

QList<Result> measureStartUp(const Setup &setup, int rounds) {
    try {
        xsession::VirtualScreen screen(local(setup.workDir + QStringLiteral("/xvfb.log")));
        xsession::WindowWatch watch(screen.display());

        // A desktop's runtime folder is a tmpfs (/run/user/UID), where the
        // lock file of the one-copy-per-display check costs no disk sync:
        // the benchmark's is one too where the system has /dev/shm.
        std::optional<QTemporaryDir> inMemory;
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
            inMemory.emplace(QStringLiteral("/dev/shm/tesorila-bench-XXXXXX"));
        const QString runtime =
            inMemory && inMemory->isValid() ? inMemory->path() : setup.workDir + QStringLiteral("/runtime-x");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const std::map<std::string, std::string> environment = {
            {"DISPLAY", screen.display()},
            {"QT_QPA_PLATFORM", "xcb"},
            {"XDG_DATA_HOME", local(setup.dataHome)},
            {"XDG_RUNTIME_DIR", local(runtime)},
        };
        const std::string log = local(setup.workDir + QStringLiteral("/arranque.log"));

        auto launch = [&](const QString &program) {
            watch.drain();
            const xsession::Clock::time_point start = xsession::Clock::now();
            const pid_t pid = xsession::spawn(local(program), {}, environment, log);
            xsession::Clock::time_point drawn;
            try {
                drawn = watch.waitForDrawnWindow(kWindowWidth, kWindowHeight, pid, std::chrono::seconds(30));
            } catch (...) {
                xsession::stop(pid);
                throw;
            }
            xsession::stop(pid);
            watch.waitUntilGone(kWindowWidth, kWindowHeight, std::chrono::seconds(10));
            return msBetween(start, drawn);
        };

        // The first start of each loads its libraries from disk; not counted.
        launch(setup.appPath);
        launch(setup.bareWindowPath);
        const Samples samples = alternate(
            rounds, [&]() { return launch(setup.appPath); }, [&]() { return launch(setup.bareWindowPath); });

        return {ratioResult(QStringLiteral("arranque"), QStringLiteral("Arranque hasta ver la ventana"),
                            QStringLiteral("ms"), samples, 1.2)};
    } catch (const xsession::Failure &failure) {
        throw Failure{QStringLiteral("arranque: ") + QString::fromStdString(failure.message)};
    }
}

} // namespace bench

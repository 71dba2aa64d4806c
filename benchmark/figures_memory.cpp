// SPDX-License-Identifier: GPL-3.0-or-later
// Peak memory with the full ledger open, each side measured in a process of
// its own: this program started again in one of its memory modes.

#include "figures.h"

#include "app/application.h"
#include "app/window_set.h"
#include "ui/abrir.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>

#include <cstdio>

namespace bench {

namespace {

qint64 signedInPeak() {
    Form1 *ledger = WindowSet::instance().showForm1();
    settle();
    click(ledger->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    if (!dialog)
        throw Failure{QStringLiteral("no se ha abierto el diálogo Abrir")};
    dialog->user->setText(userName());
    dialog->pass->setText(password());
    settle();
    PaintWatch watch({ledger->lst->viewport(), ledger->txtt});
    click(dialog->Image1);
    watch.wait();
    settle();
    if (ledger->lst->count() != kEntries)
        throw Failure{QStringLiteral("Abrir no ha cargado el libro guardado")};
    const qint64 peak = peakMemoryKiB();
    WindowSet::instance().destroyAll();
    return peak;
}

qint64 bareListPeak() {
    QWidget window;
    window.resize(kWindowWidth, kWindowHeight);
    auto *list = new QListWidget(&window);
    list->setGeometry(32, 96, 809, 477);
    list->setUniformItemSizes(true);
    window.show();
    settle();
    PaintWatch watch({list->viewport()});
    {
        const LedgerData data = makeLedger(kEntries);
        for (const QString &line : data.lines)
            list->addItem(line);
    }
    watch.wait();
    settle();
    return peakMemoryKiB();
}

qint64 runMode(const Setup &setup, const QString &mode) {
    QProcess process;
    process.setProgram(setup.selfPath);
    process.setArguments({QStringLiteral("--memoria"), mode});
    process.start();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        const QString why = process.exitStatus() == QProcess::NormalExit
                                ? QStringLiteral("terminó con el estado %1").arg(process.exitCode())
                                : QStringLiteral("terminó de forma anormal");
        throw Failure{QStringLiteral("memoria (%1): %2. %3")
                          .arg(mode, why, QString::fromLocal8Bit(process.readAllStandardError()))};
    }
    bool ok = false;
    const qint64 peak = process.readAllStandardOutput().trimmed().toLongLong(&ok);
    if (!ok || peak <= 0)
        throw Failure{QStringLiteral("memoria (%1): no se ha podido leer VmHWM").arg(mode)};
    return peak;
}

} // namespace

int runMemoryMode(int argc, char *argv[]) {
    const QByteArray mode = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    if (mode != "tesorila" && mode != "base") {
        std::fprintf(stderr, "modo de memoria desconocido: %s\n", mode.constData());
        return 2;
    }
    QApplication app(argc, argv);
    try {
        qint64 peak = -1;
        if (mode == "tesorila") {
            application::setUp(app);
            MessageAnswerer messages;
            peak = signedInPeak();
            if (!messages.take().isEmpty())
                throw Failure{QStringLiteral("Abrir ha mostrado un mensaje")};
        } else {
            peak = bareListPeak();
        }
        std::printf("%lld\n", static_cast<long long>(peak));
        return peak > 0 ? 0 : 1;
    } catch (const Failure &failure) {
        std::fprintf(stderr, "%s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }
}

Result measureMemory(const Setup &setup, int rounds) {
    const Samples samples = alternate(
        rounds, [&]() { return double(runMode(setup, QStringLiteral("tesorila"))); },
        [&]() { return double(runMode(setup, QStringLiteral("base"))); });
    return ratioResult(QStringLiteral("memoria"),
                       QStringLiteral("Memoria máxima con %1 registros abiertos").arg(kEntries),
                       QStringLiteral("KiB"), samples, 1.3);
}

} // namespace bench

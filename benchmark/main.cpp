// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark program: measures each figure of Tesorila against a baseline
// taken in the same run, prints one table and one machine-readable line per
// figure. It ends with a non-zero status only when something fails to run;
// a missed goal is reported in the table, not in the status.
//
//   tesorila_bench [FIGURA...]   only the figures named (arranque, abrir,
//                                guardar, anadir, imprimir, memoria)
//   tesorila_bench --memoria tesorila|base   one memory measurement

#include "figures.h"

#include "app/application.h"
#include "app/window_set.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

using bench::Result;

// How often each figure is taken, each time for both sides.
constexpr int kStartUpRounds = 15;
constexpr int kSignInRounds = 15;
constexpr int kQuickSaveRounds = 15;
constexpr int kAddDeleteRounds = 41;
constexpr int kPrintRounds = 5;
constexpr int kMemoryRounds = 5;

const QStringList kFigureNames = {QStringLiteral("arranque"), QStringLiteral("abrir"),
                                  QStringLiteral("guardar"),  QStringLiteral("anadir"),
                                  QStringLiteral("imprimir"), QStringLiteral("memoria")};

QString tableNumber(double value, const QString &unit) {
    const QLocale spanish(QStringLiteral("es_ES"));
    if (unit == QLatin1String("KiB"))
        return spanish.toString(qRound64(value)) + QLatin1Char(' ') + unit;
    const int decimals = value < 10 ? 3 : value < 100 ? 2 : 1;
    return spanish.toString(value, 'f', decimals) + QLatin1Char(' ') + unit;
}

void printTable(const QList<Result> &results) {
    const QLocale spanish(QStringLiteral("es_ES"));
    QList<QStringList> rows = {{QStringLiteral("Cifra"), QStringLiteral("Tesorila (mediana)"),
                                QStringLiteral("Referencia (mediana)"), QStringLiteral("Relación"),
                                QStringLiteral("Objetivo"), QStringLiteral("¿Cumple?")}};
    for (const Result &r : results) {
        const std::optional<double> ratio = r.ratio();
        rows.append({r.title, tableNumber(r.ours, r.unit),
                     r.baseline ? tableNumber(*r.baseline, r.unit) : QStringLiteral("—"),
                     ratio ? spanish.toString(*ratio, 'f', 2) : QStringLiteral("—"), r.goal,
                     r.met ? QStringLiteral("sí") : QStringLiteral("no")});
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row.at(i).size());
    }
    QTextStream out(stdout);
    auto rule = [&]() {
        QStringList dashes;
        for (const qsizetype width : widths)
            dashes.append(QString(width, QLatin1Char('-')));
        out << dashes.join(QStringLiteral("-+-")) << '\n';
    };
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList cells;
        for (qsizetype i = 0; i < rows.at(r).size(); ++i) {
            // Numbers line up on the right, words on the left.
            const bool numeric = r > 0 && i >= 1 && i <= 3;
            cells.append(numeric ? rows.at(r).at(i).rightJustified(widths.at(i))
                                 : rows.at(r).at(i).leftJustified(widths.at(i)));
        }
        out << cells.join(QStringLiteral(" | ")) << '\n';
        if (r == 0)
            rule();
    }
    out << '\n';
    for (const Result &r : results) {
        const std::optional<double> ratio = r.ratio();
        out << r.key << ' ' << QString::number(r.ours, 'f', 3) << ' ' << r.unit << ' '
            << (r.baseline ? QString::number(*r.baseline, 'f', 3) : QStringLiteral("-")) << ' '
            << (ratio ? QString::number(*ratio, 'f', 3) : QStringLiteral("-")) << '\n';
    }
    out.flush();
}

// The offscreen platform warns each time a message box asks for its size
// hints; that says nothing about the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit();
    std::fprintf(stderr, "%s\n", text.constData());
}

void progress(const QString &text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc >= 2 && QByteArray(argv[1]) == "--memoria")
        return bench::runMemoryMode(argc, argv);

    QStringList wanted;
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        if (!kFigureNames.contains(name)) {
            std::fprintf(stderr, "Cifra desconocida: %s\nCifras: %s\n", argv[i],
                         kFigureNames.join(QStringLiteral(", ")).toLocal8Bit().constData());
            return 2;
        }
        wanted.append(name);
    }
    if (wanted.isEmpty())
        wanted = kFigureNames;

    // Every program measured keeps its files in a data root of this run.
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/tesorila-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "No se ha podido crear una carpeta temporal.\n");
        return 1;
    }
    const QString dataHome = work.path() + QStringLiteral("/datos");
    const QString runtime = work.path() + QStringLiteral("/runtime");
    QDir().mkpath(dataHome);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
    qputenv("LANG", "es_ES.UTF-8");
    qputenv("LC_ALL", "es_ES.UTF-8");

    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    application::setUp(app);
    bench::MessageAnswerer messages;

    bench::Setup setup;
    setup.workDir = work.path();
    setup.dataHome = dataHome;
    setup.appPath = QStringLiteral(TESORILA_APP_PATH);
    setup.bareWindowPath = QStringLiteral(TESORILA_BARE_WINDOW_PATH);
    setup.selfPath = QCoreApplication::applicationFilePath();
    setup.messages = &messages;

    QList<Result> results;
    try {
        progress(QStringLiteral("Preparando un libro de %1 registros…").arg(bench::kEntries));
        setup.ledger = bench::makeLedger(bench::kEntries);
        bench::saveBenchmarkLedger(setup);

        const QList<std::pair<QString, std::function<QList<Result>()>>> figures = {
            {QStringLiteral("arranque"), [&]() { return bench::measureStartUp(setup, kStartUpRounds); }},
            {QStringLiteral("abrir"),
             [&]() { return QList<Result>{bench::measureSignIn(setup, kSignInRounds)}; }},
            {QStringLiteral("guardar"),
             [&]() { return QList<Result>{bench::measureQuickSave(setup, kQuickSaveRounds)}; }},
            {QStringLiteral("anadir"), [&]() { return bench::measureAddDelete(setup, kAddDeleteRounds); }},
            {QStringLiteral("imprimir"),
             [&]() { return QList<Result>{bench::measurePrint(setup, kPrintRounds)}; }},
            {QStringLiteral("memoria"),
             [&]() { return QList<Result>{bench::measureMemory(setup, kMemoryRounds)}; }},
        };
        for (const auto &[name, measure] : figures) {
            if (!wanted.contains(name))
                continue;
            progress(QStringLiteral("Midiendo %1…").arg(name));
            results += measure();
        }
        WindowSet::instance().destroyAll();
    } catch (const bench::Failure &failure) {
        WindowSet::instance().destroyAll();
        std::fprintf(stderr, "Error: %s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }

    printTable(results);
    return 0;
}

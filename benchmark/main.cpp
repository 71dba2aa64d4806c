// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark program (see ./bench). Each figure is taken several times,
// alternating with a baseline measured in the same run; a table shows the
// medians, their ratio and the goal, then one line per figure follows for
// scripts: "name value unit baseline ratio". It ends non-zero only when
// something fails to run, not when a goal is missed.
//
//   tesorila_bench [FIGURA...]              only the figures named
//   tesorila_bench --memoria tesorila|base  one peak memory, in a process of its own

#include "testsupport.h"
#include "x_watch.h"

#include "app/window_set.h"
#include "model/account_session.h"
#include "model/clock.h"
#include "model/data_root.h"
#include "model/entry_text.h"
#include "model/ledger_format.h"
#include "model/numbertext.h"
#include "model/report_lines.h"
#include "ui/account_dialog.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/form2.h"
#include "ui/ledger_window.h"
#include "ui/messages.h"
#include "ui/print_command.h"
#include "ui/report_painter.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <random>

#include <sqlite3.h>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using testsupport::click;

constexpr int kEntries = 32767; // a full ledger
const QSize kWindow(877, 621);  // the ledger window, which the baselines copy
const QRect kList(32, 96, 809, 477);
const QString kUser = QStringLiteral("Banco de pruebas");
const QString kPassword = QStringLiteral("20240611");

struct Failure {
    QString message;
};

struct Ledger {
    QStringList lines;
    QList<qint32> cents;
    QString total;
};

struct Result {
    QString key, title, unit;
    double ours = 0;
    std::optional<double> baseline;
    QString goal;
    bool met = false;
    std::optional<double> ratio() const {
        return baseline && *baseline > 0 ? std::optional<double>(ours / *baseline) : std::nullopt;
    }
};

QString g_work; // the run's files

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

// Takes both sides the given number of times, alternating which one goes
// first so that neither always runs on a warmer machine; the goal is a
// ratio of the medians of at most maxRatio.
Result compare(const QString &key, const QString &title, const QString &unit, int rounds, double maxRatio,
               const std::function<double()> &ours, const std::function<double()> &baseline) {
    QList<double> a, b;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2)
            b.append(baseline());
        a.append(ours());
        if (round % 2 == 0)
            b.append(baseline());
    }
    Result result{key, title, unit, median(a), median(b), QString(), false};
    result.goal = QStringLiteral("relación ≤ ") + QLocale(QLocale::Spanish).toString(maxRatio);
    result.met = result.ratio() && *result.ratio() <= maxRatio;
    return result;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Runs the action, answering any message box, and fails when one appeared
// other than the question before a changed ledger is emptied: the benchmark
// empties its ledgers on purpose.
void quietly(const QString &what, const std::function<void()> &action) {
    QList<testsupport::SeenMessage> seen = testsupport::answerMessages(action, QStringLiteral("Descartar"));
    seen.removeIf(
        [](const testsupport::SeenMessage &m) { return m.title == QLatin1String("Cambios sin guardar"); });
    if (!seen.isEmpty())
        throw Failure{what + QStringLiteral(": mensaje inesperado «") + seen.first().title +
                      QStringLiteral("»: ") + seen.first().text};
}

// The milliseconds from the action until each widget has painted itself:
// the moment the change is on screen. No message box may appear.
double untilPainted(const QString &what, std::initializer_list<QWidget *> widgets,
                    const std::function<void()> &action) {
    struct Watch : QObject {
        QSet<QObject *> painted;
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (event->type() == QEvent::Paint)
                painted.insert(watched);
            return false;
        }
    } watch;
    for (QWidget *widget : widgets)
        widget->installEventFilter(&watch);
    Clock::time_point start, end;
    quietly(what, [&] {
        start = Clock::now();
        action();
        while (watch.painted.size() < qsizetype(widgets.size())) {
            if (Clock::now() - start > std::chrono::seconds(10))
                throw Failure{what + QStringLiteral(": la ventana no se ha vuelto a dibujar")};
            QCoreApplication::processEvents();
        }
        end = Clock::now();
    });
    return msBetween(start, end);
}

// A ledger of the given number of entries, the same in every run.
Ledger makeLedger(int count) {
    static const QStringList sources =
        QStringLiteral(
            "Nómina de la empresa|Supermercado|Alquiler del piso|Factura de la luz|Gasolina|"
            "Regalo de cumpleaños|Cena con amigos|Venta de libros usados|Farmacia|Clases de guitarra")
            .split(QLatin1Char('|'));
    std::mt19937 random(20240611u);
    Ledger data;
    double total = 0;
    data.total = QStringLiteral("0");
    for (int i = 0; i < count; ++i) {
        const QDate date = QDate(2020, 1, 1).addDays(i / 12);
        const bool income = random() % 3 == 0;
        const QString units = QString::number(random() % (income ? 3000 : 400));
        const QString cents = QStringLiteral("%1").arg(random() % 100, 2, 10, QLatin1Char('0'));
        const QString line = entrytext::displayText(date.toString(QStringLiteral("dd/MM/yyyy")), income,
                                                    units, cents, sources.at(int(random() % 10)));
        data.lines.append(line);
        data.cents.append(entrytext::centsFromDisplayText(line));
        total = numbertext::moveByCents(total, numbertext::decimalPlaces(data.total), data.cents.last());
        data.total = numbertext::format(total);
    }
    return data;
}

// A window holding nothing but a list where the ledger window's lies, its
// lines of one height, as the ledger list's are.
struct BareList {
    QWidget window;
    QListWidget *list = new QListWidget(&window);

    BareList() {
        window.resize(kWindow);
        list->setGeometry(kList);
        list->setUniformItemSizes(true);
        window.show();
        settle();
    }
    double fill(const QStringList &lines) {
        list->clear();
        settle();
        return untilPainted(QStringLiteral("Referencia"), {list->viewport()}, [&] {
            for (const QString &line : lines)
                list->addItem(line);
        });
    }
};

// Signs in to the benchmark account from an empty ledger, timed from the
// click on Abrir until the list and the total (checked when given) are drawn.
double signIn(Form1 *ledger, const QString &total) {
    abrir *dialog = nullptr;
    quietly(QStringLiteral("Abrir"), [&] {
        click(ledger->Image7); // a new ledger
        settle();
        click(ledger->Image3);
        dialog = WindowSet::instance().abrirWindow();
        if (!dialog || !dialog->isVisible())
            throw Failure{QStringLiteral("no se ha abierto el diálogo Abrir")};
        dialog->user->setText(kUser);
        dialog->pass->setText(kPassword);
        settle();
    });
    const double ms = untilPainted(QStringLiteral("Abrir"), {ledger->lst->viewport(), ledger->txtt},
                                   [&] { click(dialog->Image1); });
    if (ledger->lst->count() != kEntries || (!total.isEmpty() && ledger->txtt->text() != total) ||
        dialog->isVisible())
        throw Failure{QStringLiteral("Abrir no ha cargado el libro guardado")};
    return ms;
}

Form1 *signedIn(const Ledger &data) {
    Form1 *ledger = WindowSet::instance().showForm1();
    if (ledger->lst->count() != kEntries || ledger->windowTitle() != Form1::accountCaption(kUser))
        signIn(ledger, data.total);
    settle();
    return ledger;
}

// Saves the benchmark ledger under its account, as a user would have done.
void saveLedger(const Ledger &data) {
    Form1 *ledger = WindowSet::instance().showForm1();
    quietly(QStringLiteral("Preparación"), [&] {
        click(ledger->Image7);
        for (int i = 0; i < data.lines.size(); ++i)
            entrylist::append(ledger->lst, data.lines.at(i), data.cents.at(i));
        ledger->setTotalText(data.total);
        account::Session session(kUser, kPassword);
        if (const storage::Status saved = session.save(quicksave::shownLedger(*ledger), clocktext::today());
            !saved)
            throw Failure{QStringLiteral("no se ha podido guardar el libro de pruebas: ") +
                          messages::saveFailed(saved.error(), session.directory()).text};
        click(ledger->Image7);
        settle();
    });
}

Result measureSignIn(const Ledger &data) {
    Form1 *ledger = WindowSet::instance().showForm1();
    BareList bare;
    signIn(ledger, data.total); // the first reading of the files is not counted
    bare.fill(data.lines);
    Result result = compare(
        QStringLiteral("abrir"), QStringLiteral("Abrir un libro de %1 registros").arg(kEntries),
        QStringLiteral("ms"), 15, 1.5, [&] { return signIn(ledger, data.total); },
        [&] { return bare.fill(data.lines); });
    result.goal += QStringLiteral(" y < 50 ms");
    result.met = result.met && result.ours < 50;
    return result;
}

// The two saved files' bytes.
std::pair<QByteArray, QByteArray> savedBytes() {
    const ledgerformat::LedgerPaths paths = ledgerformat::ledgerPaths(
        dataroot::path(), kUser, *ledgerformat::passwordValue(kPassword), dataroot::separator());
    QByteArray bytes[2];
    for (int i = 0; i < 2; ++i) {
        QFile file(i == 0 ? paths.entries : paths.total);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure{QStringLiteral("no se puede leer ") + file.fileName()};
        bytes[i] = file.readAll();
    }
    return {bytes[0], bytes[1]};
}

// Opens a WAL database with full syncs holding the two texts as rows.
sqlite3 *openDatabase(const QString &path) {
    QFile::remove(path);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK ||
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                     "CREATE TABLE archivo (nombre TEXT PRIMARY KEY, bytes BLOB NOT NULL);",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Failure{QStringLiteral("no se puede preparar SQLite en ") + path};
    return db;
}

// Commits the two texts in one transaction.
void commitTexts(sqlite3 *db, const QByteArray &entries, const QByteArray &total) {
    sqlite3_stmt *put = nullptr;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO archivo VALUES (?, ?)", -1, &put, nullptr) ==
                  SQLITE_OK;
    for (const auto &[name, bytes] : {std::pair{"entries", &entries}, std::pair{"total", &total}}) {
        ok = ok && sqlite3_bind_text(put, 1, name, -1, SQLITE_STATIC) == SQLITE_OK &&
             sqlite3_bind_blob(put, 2, bytes->constData(), int(bytes->size()), SQLITE_STATIC) == SQLITE_OK &&
             sqlite3_step(put) == SQLITE_DONE && sqlite3_reset(put) == SQLITE_OK;
    }
    sqlite3_finalize(put);
    if (!ok || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        throw Failure{QStringLiteral("SQLite no ha podido guardar: ") +
                      QString::fromUtf8(sqlite3_errmsg(db))};
}

// From the click on the save picture until its confirmation appears, once
// both files are on disk. Before each save the last entry is taken away or
// put back, with the total changed: the entries file shrinks or grows at
// its end and the total file changes, as after a day's work. The baselines
// write and sync the same bytes as one file, and commit the two texts to a
// SQLite database (WAL, synchronous=FULL); the three alternate.
QList<Result> measureQuickSave(const Ledger &data) {
    Form1 *ledger = signedIn(data);
    bool shortened = false;
    const auto toggleLast = [&] {
        if (shortened) {
            entrylist::append(ledger->lst, data.lines.last(), data.cents.last());
            ledger->setTotalText(data.total);
        } else {
            delete ledger->lst->takeItem(ledger->lst->count() - 1);
            ledger->setTotalText(QStringLiteral("0,01"));
        }
        shortened = !shortened;
        settle();
    };
    auto save = [&] {
        toggleLast();
        Clock::time_point start;
        const auto seen = testsupport::answerMessages([&] {
            start = Clock::now();
            click(ledger->Image4);
        });
        if (seen.size() != 1 || seen.first().text != messages::saved().text)
            throw Failure{QStringLiteral("el guardado rápido no ha confirmado el guardado")};
        return msBetween(start, seen.first().shownAt);
    };
    const QString copy = g_work + QStringLiteral("/copia.text");
    auto write = [&copy](const QByteArray &bytes) {
        const Clock::time_point start = Clock::now();
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
            !file.flush() || ::fsync(file.handle()) != 0)
            throw Failure{QStringLiteral("no se puede escribir ") + copy};
        return msBetween(start, Clock::now());
    };
    save();
    const auto [entries, total] = savedBytes();
    const QByteArray bytes = entries + total;
    write(bytes);
    sqlite3 *db = openDatabase(g_work + QStringLiteral("/referencia.sqlite"));
    auto commit = [&] {
        const Clock::time_point start = Clock::now();
        commitTexts(db, entries, total);
        return msBetween(start, Clock::now());
    };
    commit();
    QList<double> ours, written, committed;
    for (int round = 0; round < 15; ++round) {
        // Each goes first, second and third in turn.
        const std::function<double()> sides[] = {save, [&] { return write(bytes); }, commit};
        QList<double> *lists[] = {&ours, &written, &committed};
        for (int i = 0; i < 3; ++i) {
            const int side = (round + i) % 3;
            lists[side]->append(sides[side]());
        }
    }
    sqlite3_close(db);
    // Back to the ledger of the first save, which the baselines wrote.
    if (!shortened)
        save();
    if (savedBytes() != std::pair(entries, total))
        throw Failure{QStringLiteral("el guardado rápido ha cambiado lo guardado")};
    const QString title = QStringLiteral("Guardado rápido de %1 registros").arg(kEntries);
    Result againstWrite{QStringLiteral("guardar"),
                        title + QStringLiteral(" (frente a una escritura)"),
                        QStringLiteral("ms"),
                        median(ours),
                        median(written),
                        QString(),
                        false};
    Result againstSqlite{QStringLiteral("guardar_sqlite"),
                         title + QStringLiteral(" (frente a SQLite)"),
                         QStringLiteral("ms"),
                         median(ours),
                         median(committed),
                         QString(),
                         false};
    for (auto [result, goal] : {std::pair{&againstWrite, 2.0}, std::pair{&againstSqlite, 1.0}}) {
        result->goal = QStringLiteral("relación ≤ ") + QLocale(QLocale::Spanish).toString(goal);
        result->met = result->ratio() && *result->ratio() <= goal;
    }
    return {againstWrite, againstSqlite};
}

double deleteFirst(Form1 *ledger) {
    ledger->lst->scrollToTop();
    ledger->lst->setCurrentRow(0);
    settle();
    const int before = ledger->lst->count();
    const double ms = untilPainted(QStringLiteral("Eliminar"), {ledger->lst->viewport(), ledger->txtt},
                                   [&] { click(ledger->Image2); });
    if (ledger->lst->count() != before - 1)
        throw Failure{QStringLiteral("Eliminar no ha quitado el primer registro")};
    return ms;
}

double addOne(Form1 *ledger) {
    Form2 *form = nullptr;
    quietly(QStringLiteral("Añadir"), [&] {
        click(ledger->Image1);
        form = WindowSet::instance().form2();
        if (!form || !form->isVisible())
            throw Failure{QStringLiteral("no se ha abierto el diálogo Agregar Dato")};
        form->opt1->setChecked(true);
        form->txt1->setText(QStringLiteral("125"));
        form->cd->setText(QStringLiteral("50"));
        form->txt2->setText(QStringLiteral("Venta de libros usados"));
        settle();
    });
    const int before = ledger->lst->count();
    // A line added at the end lies below the visible rows; the total is
    // what changes on screen.
    const double ms = untilPainted(QStringLiteral("Añadir"), {ledger->txtt}, [&] { click(form->Image3); });
    if (ledger->lst->count() != before + 1 || form->isVisible())
        throw Failure{QStringLiteral("Añadir no ha agregado el registro")};
    return ms;
}

QList<Result> measureAddDelete(const Ledger &data) {
    Form1 *ledger = signedIn(data);
    QList<double> additions, deletions;
    deleteFirst(ledger); // the first of each is not counted
    addOne(ledger);
    for (int round = 0; round < 41; ++round) {
        deletions.append(deleteFirst(ledger));
        additions.append(addOne(ledger));
    }
    // No baseline: the goal is a time.
    auto result = [](const char *key, const QString &title, const QList<double> &samples) {
        const double ms = median(samples);
        return Result{QLatin1String(key),
                      title + QStringLiteral(" (libro de %1)").arg(kEntries),
                      QStringLiteral("ms"),
                      ms,
                      std::nullopt,
                      QStringLiteral("< 2 ms"),
                      ms < 2};
    };
    return {result("anadir", QStringLiteral("Añadir un registro"), additions),
            result("eliminar", QStringLiteral("Eliminar el primer registro"), deletions)};
}

// The same lines as the report drawn by a plain loop: each tab-separated
// piece at the next multiple of the tab step, a new page when one is full.
void drawBare(QPdfWriter &writer, const QList<report::ReportLine> &lines) {
    const qreal margin = report::kMarginMillimetres;
    writer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
    QPainter painter(&writer);
    const qreal step = report::kTabStepPoints * writer.logicalDpiX() / 72.0;
    const QFont small = fonts::tahoma(report::kTextPointSize);
    const QFont large = fonts::tahoma(report::kTotalPointSize);
    const QFontMetricsF smallMetrics(small, &writer), largeMetrics(large, &writer);
    qreal y = 0;
    std::optional<bool> largeInUse;
    for (const report::ReportLine &line : lines) {
        const bool isLarge = line.pointSize == report::kTotalPointSize;
        const QFontMetricsF &metrics = isLarge ? largeMetrics : smallMetrics;
        if (y > 0 && y + metrics.lineSpacing() > writer.height()) {
            writer.newPage();
            y = 0;
        }
        if (largeInUse != isLarge)
            painter.setFont(isLarge ? large : small);
        largeInUse = isLarge;
        if (painter.pen().color() != ui::color(line.colour))
            painter.setPen(ui::color(line.colour));
        const QStringList pieces = line.text.split(QLatin1Char('\t'));
        for (int i = 0; i < pieces.size(); ++i) {
            if (!pieces.at(i).isEmpty())
                painter.drawText(QPointF(i * step, y + metrics.ascent()), pieces.at(i));
        }
        y += metrics.lineSpacing();
    }
}

// The report printed to PDF as the print command prints it, its lines
// made from the ledger window; or, as the baseline, the lines given drawn
// by drawBare().
double printToPdf(const QList<report::ReportLine> &lines, bool bare) {
    const Clock::time_point start = Clock::now();
    {
        QPdfWriter writer(g_work +
                          (bare ? QStringLiteral("/referencia.pdf") : QStringLiteral("/informe.pdf")));
        writer.setCreator(QStringLiteral("Tesorila"));
        writer.setTitle(QStringLiteral("Tesorila"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        if (bare) {
            drawBare(writer, lines);
        } else {
            const auto input =
                report::ledgerInput(*WindowSet::instance().form1(), QDateTime::currentDateTime());
            if (report::paintReport(writer, report::reportLines(input)) != report::PaintResult::Done)
                throw Failure{QStringLiteral("el informe no se ha podido dibujar")};
        }
    }
    return msBetween(start, Clock::now());
}

Result measurePrint(const Ledger &data) {
    const auto lines =
        report::reportLines(report::ledgerInput(*signedIn(data), QDateTime::currentDateTime()));
    return compare(
        QStringLiteral("imprimir"), QStringLiteral("Imprimir %1 registros a PDF").arg(kEntries),
        QStringLiteral("ms"), 5, 1.3, [&] { return printToPdf(lines, false); },
        [&] { return printToPdf(lines, true); });
}

// Peak memory with the full ledger open, each side in a process of its own:
// this program again, signed in through the real windows or holding the
// same lines in a bare list. The child prints its VmHWM in KiB.
int memoryMode(const QByteArray &mode) {
    try {
        if (mode == "tesorila") {
            testsupport::prepareApplication();
            signIn(WindowSet::instance().showForm1(), QString());
        } else {
            BareList bare;
            bare.fill(makeLedger(kEntries).lines);
        }
        settle();
    } catch (const Failure &failure) {
        std::fprintf(stderr, "%s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            std::printf("%s\n", line.mid(6).trimmed().split(' ').first().constData());
    }
    return 0;
}

Result measureMemory() {
    auto peak = [](const char *mode) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--memoria"), QLatin1String(mode)});
        const bool ran = child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit &&
                         child.exitCode() == 0;
        bool ok = false;
        const double kib = child.readAllStandardOutput().trimmed().toDouble(&ok);
        if (!ran || !ok || kib <= 0)
            throw Failure{
                QStringLiteral("memoria (%1): %2")
                    .arg(QLatin1String(mode), QString::fromLocal8Bit(child.readAllStandardError()))};
        return kib;
    };
    return compare(
        QStringLiteral("memoria"), QStringLiteral("Memoria máxima con %1 registros abiertos").arg(kEntries),
        QStringLiteral("KiB"), 5, 1.3, [&] { return peak("tesorila"); }, [&] { return peak("base"); });
}

// Ends a program, kindly first.
struct Stop {
    QProcess &process;
    ~Stop() {
        process.terminate();
        if (!process.waitForFinished(1000)) {
            process.kill();
            process.waitForFinished();
        }
    }
};

// From starting the process until its window shows drawn content on a
// private X server, for tesorila and for a bare Qt program showing a window
// of the same size.
Result measureStartUp() {
    QProcess server;
    server.setStandardErrorFile(g_work + QStringLiteral("/xvfb.log"));
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp"), QStringLiteral("-noreset")});
    const Stop stopServer{server};
    // Xvfb writes its display number once it accepts clients.
    QByteArray number;
    while (!number.endsWith('\n') && server.waitForReadyRead(20000))
        number += server.readAllStandardOutput();
    if (number.trimmed().isEmpty())
        throw Failure{QStringLiteral("Xvfb no ha indicado su pantalla")};
    const std::string display = ":" + number.trimmed().toStdString();

    // A desktop's runtime folder is in memory (/run/user/UID), where the
    // lock of the one-copy check costs no disk sync; the benchmark's is too.
    QTemporaryDir runtime(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm/tesorila-bench-XXXXXX")
                              : g_work + QStringLiteral("/runtime-x-XXXXXX"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    try {
        xwatch::WindowWatch watch(display);
        auto launch = [&](const QString &program) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.setStandardOutputFile(g_work + QStringLiteral("/arranque.log"), QIODevice::Append);
            process.setStandardErrorFile(g_work + QStringLiteral("/arranque.log"), QIODevice::Append);
            const Stop stop{process};
            watch.drain();
            const Clock::time_point start = Clock::now();
            process.start(program, {});
            const Clock::time_point drawn = watch.waitForDrawnWindow(
                kWindow.width(), kWindow.height(), [&] { return !process.waitForFinished(0); });
            return msBetween(start, drawn);
        };
        auto launchAndClose = [&](const QString &program) {
            const double ms = launch(program);
            watch.waitUntilGone(kWindow.width(), kWindow.height());
            return ms;
        };
        const QString ours = QStringLiteral(TESORILA_APP_PATH),
                      bare = QStringLiteral(TESORILA_BARE_WINDOW_PATH);
        launchAndClose(ours); // the first start of each loads its libraries from disk; not counted
        launchAndClose(bare);
        return compare(
            QStringLiteral("arranque"), QStringLiteral("Arranque hasta ver la ventana"), QStringLiteral("ms"),
            15, 1.2, [&] { return launchAndClose(ours); }, [&] { return launchAndClose(bare); });
    } catch (const std::runtime_error &error) {
        throw Failure{QStringLiteral("arranque: ") + QString::fromStdString(error.what())};
    }
}

void printTable(const QList<Result> &results) {
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    auto number = [&](double value, const QString &unit) {
        const int decimals = unit == QLatin1String("KiB") ? 0 : value < 10 ? 3 : value < 100 ? 2 : 1;
        return spanish.toString(value, 'f', decimals) + QLatin1Char(' ') + unit;
    };
    QList<QStringList> rows = {
        QStringLiteral("Cifra|Tesorila (mediana)|Referencia (mediana)|Relación|Objetivo|"
                       "¿Cumple?")
            .split(QLatin1Char('|'))};
    for (const Result &r : results)
        rows.append({r.title, number(r.ours, r.unit),
                     r.baseline ? number(*r.baseline, r.unit) : QStringLiteral("—"),
                     r.ratio() ? spanish.toString(*r.ratio(), 'f', 2) : QStringLiteral("—"), r.goal,
                     r.met ? QStringLiteral("sí") : QStringLiteral("no")});
    QList<qsizetype> widths(6, 0);
    for (const QStringList &row : rows) {
        for (qsizetype i = 0; i < 6; ++i)
            widths[i] = qMax(widths[i], row.at(i).size());
    }
    QTextStream out(stdout);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList cells, dashes;
        for (qsizetype i = 0; i < 6; ++i) {
            // Numbers line up on the right, words on the left.
            const QString &cell = rows.at(r).at(i);
            cells.append(r > 0 && i >= 1 && i <= 3 ? cell.rightJustified(widths.at(i))
                                                   : cell.leftJustified(widths.at(i)));
            dashes.append(QString(widths.at(i), QLatin1Char('-')));
        }
        out << cells.join(QStringLiteral(" | ")) << '\n';
        if (r == 0)
            out << dashes.join(QStringLiteral("-+-")) << '\n';
    }
    out << '\n';
    for (const Result &r : results) {
        out << r.key << ' ' << QString::number(r.ours, 'f', 3) << ' ' << r.unit << ' '
            << (r.baseline ? QString::number(*r.baseline, 'f', 3) : QStringLiteral("-")) << ' '
            << (r.ratio() ? QString::number(*r.ratio(), 'f', 3) : QStringLiteral("-")) << '\n';
    }
}

// The offscreen platform warns each time a message box asks for its size
// hints; that says nothing about the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (!message.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[]) {
    const bool memory = argc == 3 && QByteArray(argv[1]) == "--memoria";
    const QStringList names = {QStringLiteral("arranque"), QStringLiteral("abrir"),
                               QStringLiteral("guardar"),  QStringLiteral("anadir"),
                               QStringLiteral("imprimir"), QStringLiteral("memoria")};
    QStringList wanted;
    for (int i = 1; i < argc && !memory; ++i) {
        wanted.append(QString::fromLocal8Bit(argv[i]));
        if (!names.contains(wanted.last())) {
            std::fprintf(stderr, "Cifra desconocida: %s\nCifras: %s\n", argv[i],
                         names.join(QStringLiteral(", ")).toLocal8Bit().constData());
            return 2;
        }
    }
    if (wanted.isEmpty())
        wanted = names;

    // Every program measured keeps its files in a data root of this run; a
    // memory child uses its parent's.
    if (!memory)
        testsupport::prepareEnvironment();
    g_work = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
    const QString runtime = g_work + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    if (memory)
        return memoryMode(argv[2]);
    testsupport::prepareApplication();

    QList<Result> results;
    try {
        std::fprintf(stderr, "Preparando un libro de %d registros…\n", kEntries);
        const Ledger data = makeLedger(kEntries);
        saveLedger(data);
        const QList<std::pair<QString, std::function<QList<Result>()>>> figures = {
            {names.at(0), [] { return QList<Result>{measureStartUp()}; }},
            {names.at(1), [&] { return QList<Result>{measureSignIn(data)}; }},
            {names.at(2), [&] { return measureQuickSave(data); }},
            {names.at(3), [&] { return measureAddDelete(data); }},
            {names.at(4), [&] { return QList<Result>{measurePrint(data)}; }},
            {names.at(5), [] { return QList<Result>{measureMemory()}; }},
        };
        for (const auto &[name, measure] : figures) {
            if (wanted.contains(name)) {
                std::fprintf(stderr, "Midiendo %s…\n", name.toLocal8Bit().constData());
                results += measure();
            }
        }
    } catch (const Failure &failure) {
        WindowSet::instance().destroyAll();
        std::fprintf(stderr, "Error: %s\n", failure.message.toLocal8Bit().constData());
        return 1;
    }
    WindowSet::instance().destroyAll();
    printTable(results);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark program that ./bench runs, as README.md's Benchmarks section
// tells. It ends non-zero only when something fails to run, not when a goal
// is missed.
//
//   tesorila_bench [FIGURA...]              only the figures named
//   tesorila_bench --memoria tesorila|base  one peak memory, in a process of its own
//   tesorila_bench --memoria guardados     the heap in use after 20 and 500 quick saves

#include "testsupport.h"

#include "app/window_set.h"
#include "model/clock.h"
#include "model/csv_export.h"
#include "model/data_root.h"
#include "model/entry_text.h"
#include "model/ledger_store.h"
#include "model/ledger_versions.h"
#include "model/numbertext.h"
#include "ui/account_dialog.h"
#include "ui/chart_window.h"
#include "ui/find_window.h"
#include "ui/fonts.h"
#include "ui/form2.h"
#include "ui/import_window.h"
#include "ui/ledger_window.h"
#include "ui/messages.h"
#include "ui/print_command.h"
#include "ui/report_painter.h"
#include "ui/versions_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUndoStack>

#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Samples = QList<double>;
using testsupport::click;

constexpr int kEntries = 32767; // a full ledger
const QSize kWindow(877, 621);  // the ledger window and its list, which the baselines copy
const QRect kList(32, 96, 809, 477);
const QString kUser = "Banco de pruebas", kPassword = "20240611";
account::Ledger g_data; // the saved ledger that every figure but the start-up opens

void measureStartUp(); // at the end, after Xlib's macros

[[noreturn]] void fail(const QString &message) {
    throw std::runtime_error(message.toStdString());
}

void check(bool ok, const QString &failure) {
    if (!ok)
        fail(failure);
}

double msSince(Clock::time_point start, Clock::time_point end = Clock::now()) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// Not a number when there are no values.
double median(Samples values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? qQNaN() : (values.at((n - 1) / 2) + values.at(n / 2)) / 2;
}

// Each side's samples: one round that is not counted (it reads libraries
// and files from disk), then the rounds, each begun by the next side so
// that none always runs on a warmer machine.
QList<Samples> alternate(int rounds, const QList<std::function<double()>> &sides) {
    QList<Samples> samples(sides.size());
    for (int round = 0; round <= rounds; ++round) {
        for (qsizetype i = 0; i < sides.size(); ++i) {
            const qsizetype side = (round + i) % sides.size();
            const double value = sides.at(side)();
            if (round > 0)
                samples[side].append(value);
        }
    }
    return samples;
}

// The table's rows, its heading first, and the lines for scripts.
QList<QStringList> g_rows = {
    QString("Cifra|Tesorila (mediana)|Referencia (mediana)|Relación|Objetivo|¿Cumple?").split('|')};
QString g_lines;

// Adds a figure to both from its samples and its baseline's, if any. Its
// goal: a ratio of the medians of at most maxRatio and ours under maxMs,
// each when not 0.
void record(const QString &key, const QString &title, const QString &unit, const Samples &oursSamples,
            const Samples &baselineSamples, double maxRatio, int maxMs = 0) {
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    // As many decimals as the value's size calls for, unless given.
    auto shown = [&](double value, const QString &valueUnit, int decimals = -1) {
        if (decimals < 0)
            decimals = valueUnit == "KiB" ? 0 : value < 10 ? 3 : value < 100 ? 2 : 1;
        return qIsNaN(value) ? "—" : (spanish.toString(value, 'f', decimals) + ' ' + valueUnit).trimmed();
    };
    auto plain = [](double value) { return qIsNaN(value) ? "-" : QString::number(value, 'f', 3); };
    const double ours = median(oursSamples), baseline = median(baselineSamples), ratio = ours / baseline;
    QStringList goals;
    if (maxRatio > 0)
        goals << "relación ≤ " + spanish.toString(maxRatio);
    if (maxMs > 0)
        goals << QString("< %1 ms").arg(maxMs);
    const bool met = (maxRatio == 0 || ratio <= maxRatio) && (maxMs == 0 || ours < maxMs);
    g_rows.append({title, shown(ours, unit), shown(baseline, unit), shown(ratio, "", 2), goals.join(" y "),
                   met ? "sí" : "no"});
    g_lines += QString("%1 %2 %3 %4 %5\n").arg(key, plain(ours), unit, plain(baseline), plain(ratio));
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Runs the action answering every message box; none may appear but the
// question before a changed ledger is emptied, as the benchmark empties its own.
double quietly(const QString &what, const std::function<double()> &action) {
    double value = 0;
    QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { value = action(); }, "Descartar");
    seen.removeIf([](const testsupport::SeenMessage &m) { return m.title == "Cambios sin guardar"; });
    check(seen.isEmpty(), what + ": mensaje inesperado «" + seen.value(0).title + "»: " + seen.value(0).text);
    return value;
}

// The milliseconds from the action, once the events before it are handled,
// until each widget has painted itself: the moment the change is on screen.
double untilPainted(std::initializer_list<QWidget *> widgets, const std::function<void()> &action) {
    struct Watch : QObject {
        QSet<QObject *> painted;
        bool eventFilter(QObject *watched, QEvent *event) override {
            if (event->type() == QEvent::Paint)
                painted.insert(watched);
            return false;
        }
    } watch;
    settle();
    for (QWidget *widget : widgets)
        widget->installEventFilter(&watch);
    const Clock::time_point start = Clock::now();
    action();
    while (watch.painted.size() < qsizetype(widgets.size())) {
        if (Clock::now() - start > std::chrono::seconds(10))
            fail("la ventana no se ha vuelto a dibujar");
        QCoreApplication::processEvents();
    }
    return msSince(start);
}

// A ledger of the given number of entries, the same in every run.
account::Ledger makeLedger(int count) {
    const QStringList sources =
        QString("Nómina de la empresa|Supermercado|Alquiler del piso|Factura de la luz|"
                "Gasolina|Regalo de cumpleaños|Cena con amigos|Venta de libros usados|"
                "Farmacia|Clases de guitarra")
            .split('|');
    account::Ledger ledger;
    qint64 cents = 0;
    for (int i = 0; i < count; ++i) {
        const bool income = i % 3 == 0;
        const QString units = QString::number(1 + i * 7919 % (income ? 3000 : 400)),
                      hundredths = QString::number(100 + i * 37 % 100).mid(1);
        ledger.lines.append(entrytext::displayText(QDate(2020, 1, 1).addDays(i / 12).toString("dd/MM/yyyy"),
                                                   income, units, hundredths, sources.at(i * 7 % 10)));
        cents += entrytext::centsFromDisplayText(ledger.lines.last());
    }
    ledger.total = numbertext::format(cents / 100.0);
    return ledger;
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
        return quietly("Referencia", [&] {
            return untilPainted({list->viewport()}, [&] {
                for (const QString &line : lines)
                    list->addItem(line);
            });
        });
    }
};

// Signs in to the benchmark account from an empty ledger, timed from the
// click on Abrir until the list and the total (checked when given) are drawn.
double signIn(Form1 *ledger, const QString &total) {
    return quietly("Abrir", [&] {
        click(ledger->Image7); // a new ledger
        settle();
        click(ledger->Image3);
        abrir *dialog = WindowSet::instance().abrirWindow();
        check(dialog && dialog->isVisible(), "no se ha abierto el diálogo Abrir");
        dialog->user->setText(kUser);
        dialog->pass->setText(kPassword);
        const double ms =
            untilPainted({ledger->lst->viewport(), ledger->txtt}, [&] { click(dialog->Image1); });
        check(ledger->lst->count() == kEntries && (total.isEmpty() || ledger->txtt->text() == total) &&
                  !dialog->isVisible(),
              "Abrir no ha cargado el libro guardado");
        return ms;
    });
}

Form1 *signedIn() {
    Form1 *ledger = WindowSet::instance().showForm1();
    signIn(ledger, g_data.total);
    settle();
    return ledger;
}

void measureSignIn() {
    Form1 *ledger = WindowSet::instance().showForm1();
    BareList bare;
    const QList<Samples> samples = alternate(
        15, {[&] { return signIn(ledger, g_data.total); }, [&] { return bare.fill(g_data.lines); }});
    record("abrir", QString("Abrir un libro de %1 registros").arg(kEntries), "ms", samples[0], samples[1],
           1.5, 50);
}

// From the click on the save picture until its confirmation appears, once
// both files are on disk. Before each save one entry is taken away or put
// back and the total changes. The journal writes each file from its first
// changed byte: a change at the last entry writes the end of the entries
// file, as after a day's work; one at the first writes all of it but the
// date the first two entries share, the worst case. The baselines write and
// sync the bytes of the two files as one file, and commit them to SQLite
// (WAL, synchronous=FULL) with one statement, its own transaction.
void measureQuickSave(bool atFirstEntry) {
    Form1 *ledger = signedIn();
    const int row = atFirstEntry ? 0 : kEntries - 1;
    bool taken = false;
    auto save = [&] {
        if (taken)
            ledger->lst->insertItem(row, g_data.lines.at(row));
        else
            delete ledger->lst->takeItem(row);
        ledger->setTotalText(taken ? g_data.total : "0,01");
        taken = !taken;
        settle();
        Clock::time_point start;
        const auto seen = testsupport::answerMessages([&] {
            start = Clock::now();
            click(ledger->Image4);
        });
        check(seen.size() == 1 && seen.first().text == messages::saved().text,
              "el guardado rápido no ha confirmado el guardado");
        return msSince(start, seen.first().shownAt);
    };
    const QByteArray entries = *ledgerformat::fileBytes(g_data.lines),
                     total = *ledgerformat::fileBytes({g_data.total});
    const QString key = atFirstEntry ? "guardar_primero" : "guardar";
    const QString copy = testsupport::dataHome() + '/' + key;
    auto write = [&, bytes = entries + total] {
        const Clock::time_point start = Clock::now();
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
            !file.flush() || ::fsync(file.handle()) != 0)
            fail("no se puede escribir " + copy);
        return msSince(start);
    };
    sqlite3 *db = nullptr;
    sqlite3_stmt *put = nullptr;
    const auto closeDatabase = qScopeGuard([&] {
        sqlite3_finalize(put);
        sqlite3_close(db);
    });
    auto sql = [&](bool ok) {
        if (!ok)
            fail("SQLite: " + QString::fromUtf8(sqlite3_errmsg(db)));
    };
    sql(!sqlite3_open(QFile::encodeName(copy + ".sqlite"), &db) &&
        !sqlite3_exec(db,
                      "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                      "CREATE TABLE archivo (nombre TEXT PRIMARY KEY, bytes BLOB NOT NULL);",
                      nullptr, nullptr, nullptr) &&
        !sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO archivo VALUES ('entries', ?1), ('total', ?2)", -1,
                            &put, nullptr));
    auto commit = [&] {
        const Clock::time_point start = Clock::now();
        sql(!sqlite3_bind_blob(put, 1, entries.constData(), int(entries.size()), SQLITE_STATIC) &&
            !sqlite3_bind_blob(put, 2, total.constData(), int(total.size()), SQLITE_STATIC) &&
            sqlite3_step(put) == SQLITE_DONE && !sqlite3_reset(put));
        return msSince(start);
    };
    // The same change saved by the storage alone into two accounts of its
    // own, one keeping the ledger it replaces as a version, as the quick
    // save does, and one not, as before versions were kept: what a version
    // costs a save.
    QStringList shorter = g_data.lines;
    shorter.removeAt(row);
    const ledgerstore::StoredLedger full{entries, total},
        changed{*ledgerformat::fileBytes(shorter), *ledgerformat::fileBytes({"0,01"})};
    auto storeOnly = [&](const QString &user, bool keepVersion) {
        const auto paths = ledgerformat::ledgerPaths(
            dataroot::path(), user, *ledgerformat::passwordValue(kPassword), QDir::separator());
        check(QDir().mkpath(paths.directory) && ledgerstore::save(paths, entries, total),
              "no se puede preparar la cuenta " + user);
        return [=, seen = full]() mutable {
            const ledgerstore::StoredLedger &next = seen.entries == entries ? changed : full;
            const Clock::time_point start = Clock::now();
            const storage::Status saved = ledgerstore::save(
                paths, next.entries, next.total, seen,
                keepVersion ? std::optional(QDateTime::currentDateTimeUtc()) : std::nullopt);
            const double ms = msSince(start);
            check(bool(saved), "no se ha podido guardar en la cuenta " + user);
            seen = next;
            return ms;
        };
    };
    const QList<Samples> samples =
        alternate(15, {save, write, commit, storeOnly(key + " con versiones", true),
                       storeOnly(key + " sin versiones", false)});
    if (taken)
        save();
    const auto paths = ledgerformat::ledgerPaths(dataroot::path(), kUser,
                                                 *ledgerformat::passwordValue(kPassword), QDir::separator());
    QFile savedEntries(paths.entries), savedTotal(paths.total);
    check(savedEntries.open(QIODevice::ReadOnly) && savedTotal.open(QIODevice::ReadOnly) &&
              savedEntries.readAll() == entries && savedTotal.readAll() == total,
          "el guardado rápido ha cambiado lo guardado");
    const QString title = QString("Guardado rápido de %1 registros, cambio al %2")
                              .arg(kEntries)
                              .arg(atFirstEntry ? "principio" : "final");
    record(key, title + " (frente a una escritura)", "ms", samples[0], samples[1], 2, 16);
    record(key + "_sqlite", title + " (frente a SQLite)", "ms", samples[0], samples[2], 1, 16);
    record(key + "_version", title + ", solo el almacén, guardando versión (frente a sin guardarla)", "ms",
           samples[3], samples[4], 0);
}

void measureQuickSaves() {
    measureQuickSave(false);
    measureQuickSave(true);
}

// No baseline: the goal is a time. One entry goes first, so that a round
// that adds before it deletes finds room.
void measureAddDelete() {
    Form1 *ledger = signedIn();
    QListWidget *list = ledger->lst;
    auto deleteFirst = [&] {
        list->scrollToTop();
        list->setCurrentRow(0);
        const int before = list->count();
        return quietly("Eliminar", [&] {
            const double ms = untilPainted({list->viewport(), ledger->txtt}, [&] { click(ledger->Image2); });
            check(list->count() == before - 1, "Eliminar no ha quitado el primer registro");
            return ms;
        });
    };
    auto addOne = [&] {
        return quietly("Añadir", [&] {
            click(ledger->Image1);
            Form2 *form = WindowSet::instance().form2();
            check(form && form->isVisible(), "no se ha abierto el diálogo Agregar Dato");
            form->opt1->setChecked(true);
            form->txt1->setText("125");
            form->cd->setText("50");
            form->txt2->setText("Venta de libros usados");
            const int before = list->count();
            // A line added at the end lies below the visible rows; the total
            // is what changes on screen.
            const double ms = untilPainted({ledger->txtt}, [&] { click(form->Image3); });
            check(list->count() == before + 1 && !form->isVisible(), "Añadir no ha agregado el registro");
            return ms;
        });
    };
    // The first line corrected through the entry dialog, and a correction
    // undone (Ctrl+Z): each side does and undoes one, timing its own part.
    auto correct = [&] {
        list->scrollToTop();
        list->setCurrentRow(0);
        ledger->modifySelected();
        Form2 *form = WindowSet::instance().form2();
        check(form && form->isVisible() && form->isEditing(), "no se ha abierto el diálogo Modificar Dato");
        form->txt1->setText(form->txt1->text() == "100" ? "101" : "100");
        const QString before = list->item(0)->text();
        const double ms = untilPainted({list->viewport(), ledger->txtt}, [&] { click(form->Image3); });
        check(list->item(0)->text() != before && !form->isVisible(), "Modificar no ha cambiado el registro");
        return ms;
    };
    auto undo = [&] {
        const QString before = list->item(0)->text();
        const double ms =
            untilPainted({list->viewport(), ledger->txtt}, [&] { ledger->undoStack()->undo(); });
        check(list->item(0)->text() != before, "Deshacer no ha devuelto el registro");
        return ms;
    };
    auto correctFirst = [&] {
        return quietly("Modificar", [&] {
            const double ms = correct();
            undo();
            return ms;
        });
    };
    auto undoLast = [&] {
        return quietly("Deshacer", [&] {
            correct();
            return undo();
        });
    };
    deleteFirst();
    const QList<Samples> samples = alternate(41, {addOne, deleteFirst, correctFirst, undoLast});
    const QString book = QString(" (libro de %1)").arg(kEntries);
    record("anadir", "Añadir un registro" + book, "ms", samples[0], {}, 0, 2);
    record("eliminar", "Eliminar el primer registro" + book, "ms", samples[1], {}, 0, 2);
    record("corregir", "Modificar el primer registro" + book, "ms", samples[2], {}, 0, 2);
    record("deshacer", "Deshacer la modificación" + book, "ms", samples[3], {}, 0, 2);
}

// A bank's table of 5,000 movements read, previewed and added to an empty
// ledger: from the file's name until the list and the total are drawn. No
// baseline: the goal is a time.
void measureImport() {
    Form1 *ledger = WindowSet::instance().showForm1();
    QByteArray csv =
        "Cuenta;ES12 0049 1500 0512 3456 7890\r\n\r\nFecha;Fecha valor;Concepto;Importe;Saldo\r\n";
    for (int i = 0; i < 5000; ++i) {
        const QByteArray date = QDate(2024, 1, 1).addDays(i / 8).toString("dd/MM/yyyy").toLatin1();
        csv += date + ';' + date + ";Compra en comercio n\xc3\xbamero " + QByteArray::number(i) + ';' +
               (i % 4 ? "-" : "") + QByteArray::number(1 + i * 37 % 2000) + ',' +
               QByteArray::number(10 + i % 90) + ";1.234,56\r\n";
    }
    const QString path = testsupport::dataHome() + "/extracto.csv";
    QFile file(path);
    check(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size(),
          "no se ha podido escribir el extracto");
    file.close();
    auto import = [&] {
        return quietly("Importar", [&] {
            click(ledger->Image7); // a new ledger
            settle();
            return untilPainted({ledger->lst->viewport(), ledger->txtt}, [&] {
                check(ImportWindow::previewFile(ledger, path), "no se ha leído el extracto");
                click(WindowSet::instance().importWindow()->Image2);
                check(ledger->lst->count() == 5000, "no se han añadido los 5000 movimientos");
            });
        });
    };
    const QList<Samples> samples = alternate(9, {import});
    record("importar", "Importar un extracto CSV de 5000 líneas", "ms", samples[0], {}, 0, 200);
}

// The same lines as the report drawn by a plain loop in the report's text
// font: each tab-separated piece at the next multiple of the tab step, a new
// page when one is full.
void drawBare(QPdfWriter &writer, const QList<report::ReportLine> &lines) {
    const qreal margin = report::kMarginMillimetres;
    writer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
    QPainter painter(&writer);
    painter.setFont(fonts::tahoma(report::kTextPointSize));
    const QFontMetricsF metrics(painter.font(), &writer);
    const qreal step = report::kTabStepPoints * writer.logicalDpiX() / 72.0;
    qreal y = 0;
    for (const report::ReportLine &line : lines) {
        if (y + metrics.lineSpacing() > writer.height()) {
            writer.newPage();
            y = 0;
        }
        painter.setPen(ui::color(line.colour));
        const QStringList pieces = line.text.split('\t');
        for (int i = 0; i < pieces.size(); ++i)
            painter.drawText(QPointF(i * step, y + metrics.ascent()), pieces[i]);
        y += metrics.lineSpacing();
    }
}

// The report printed to PDF as the print command prints it, its lines made
// from the ledger window each time, against the same lines drawn by
// drawBare(); each is timed until its file is whole.
void measurePrint() {
    Form1 *ledger = signedIn();
    auto linesNow = [&] {
        return report::reportLines(report::ledgerInput(*ledger, QDateTime::currentDateTime()));
    };
    const auto lines = linesNow();
    auto print = [&](bool bare) {
        const Clock::time_point start = Clock::now();
        {
            QPdfWriter writer(testsupport::dataHome() + (bare ? "/referencia.pdf" : "/informe.pdf"));
            writer.setCreator("Tesorila");
            writer.setTitle("Tesorila");
            writer.setPageSize(QPageSize(QPageSize::A4));
            if (bare)
                drawBare(writer, lines);
            else if (report::paintReport(writer, linesNow()) != report::PaintResult::Done)
                fail("el informe no se ha podido dibujar");
        }
        return msSince(start);
    };
    const QList<Samples> samples = alternate(5, {[&] { return print(false); }, [&] { return print(true); }});
    record("imprimir", QString("Imprimir %1 registros a PDF").arg(kEntries), "ms", samples[0], samples[1],
           1.3);
}

// No baselines: the goals are times. The export makes the CSV bytes of the
// list and writes them as the command does, into a file that appears whole;
// the summary is the chart window reading the list again (the summary, its
// chart and its table).
void measureExportSummary() {
    Form1 *ledger = signedIn();
    const QString path = testsupport::dataHome() + "/exportado.csv";
    auto exportOnce = [&] {
        const Clock::time_point start = Clock::now();
        const QByteArray bytes = csvexport::ledgerCsv(ledger->shownLedger().lines);
        QSaveFile file(path);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit(),
              "no se ha podido exportar a " + path);
        return msSince(start);
    };
    grafico *chart = WindowSet::instance().showGrafico();
    settle();
    auto summarise = [&] {
        const Clock::time_point start = Clock::now();
        chart->refresh();
        return msSince(start);
    };
    const QList<Samples> samples = alternate(15, {exportOnce, summarise});
    check(chart->table->rowCount() > 12, "el gráfico no tiene el resumen por meses");
    const QString book = QString(" de %1 registros").arg(kEntries);
    record("exportar", "Exportar a CSV" + book, "ms", samples[0], {}, 0, 100);
    record("resumen", "Resumen por meses" + book, "ms", samples[1], {}, 0, 100);
}

// Find-next in the Buscar window (Intro, F3) through a full ledger, each
// round to the next of the lines holding "luz" (a tenth of them), with the
// list's lines folded already; and the first find after a line came and
// went, which folds only that line (once the list has been drawn again
// after the change: on a busy machine that redrawing, the list's own, can
// take longer than the find).
void measureFind() {
    Form1 *ledger = signedIn();
    buscar *find = WindowSet::instance().showBuscar();
    find->txt->setText("luz");
    settle();
    auto next = [&] { return untilPainted({ledger->lst->viewport()}, [&] { find->findNext(true); }); };
    auto first = [&] {
        untilPainted({ledger->lst->viewport()}, [&] {
            ledger->lst->insertItem(0, g_data.lines.at(0));
            delete ledger->lst->takeItem(0);
        });
        return untilPainted({ledger->lst->viewport()}, [&] { find->findNext(true); });
    };
    const QList<Samples> samples = alternate(41, {next, first});
    check(find->Label2->text().endsWith(" de 3276"),
          "Buscar no ha encontrado las líneas: " + find->Label2->text());
    record("buscar", QString("Buscar el siguiente (libro de %1)").arg(kEntries), "ms", samples[0], {}, 0, 5);
    record("buscar_primero", QString("Buscar tras un cambio (libro de %1)").arg(kEntries), "ms", samples[1],
           {}, 0, 0);
}

// Opening the Versiones guardadas window on the full ledger with a version
// of each of the last 59 days and 20 of today, each of a save that took
// out one entry somewhere, until its list is drawn.
void measureVersions() {
    const auto paths = ledgerformat::ledgerPaths(dataroot::path(), kUser,
                                                 *ledgerformat::passwordValue(kPassword), QDir::separator());
    const QByteArray total = *ledgerformat::fileBytes({g_data.total});
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Those of the quick saves measured before are newer than the earlier
    // days' ones would be.
    check(QDir(ledgerversions::folder(paths)).removeRecursively(), "no se han podido quitar las versiones");
    for (int k = 0; k <= 80; ++k) {
        QStringList lines = g_data.lines;
        if (k < 80)
            lines.removeAt(k * 409 % kEntries);
        const QDateTime at = k < 59 ? now.addDays(k - 59) : now.addSecs(k - 80);
        check(bool(ledgerstore::save(paths, *ledgerformat::fileBytes(lines), total, std::nullopt, at)),
              "no se han podido guardar las versiones");
    }
    Form1 *ledger = signedIn();
    ledger->showVersions();
    VersionsWindow *window = WindowSet::instance().versionsWindow();
    const int versions = window->lst->topLevelItemCount();
    check(versions >= 75, QString("la ventana muestra %1 versiones").arg(versions));
    auto open = [&] {
        window->hide();
        return untilPainted({window->lst->viewport()}, [&] { ledger->showVersions(); });
    };
    const QList<Samples> samples = alternate(7, {std::function<double()>(open)});
    window->hide();
    record("versiones",
           QString("Abrir Versiones guardadas con %1 versiones (libro de %2)").arg(versions).arg(kEntries),
           "ms", samples[0], {}, 0, 100);
}

// Peak memory with the full ledger open, each side in a process of its own:
// this program again, signed in through the real windows or holding the
// same lines in a bare list. The child prints its peak (VmHWM) in KiB.
int memoryMode(const QByteArray &mode) {
    if (mode == "guardados") {
        // The heap in use after 20 quick saves and after 500, each of the
        // ledger as it was read, which writes nothing.
        testsupport::prepareApplication();
        Form1 *ledger = WindowSet::instance().showForm1();
        signIn(ledger, QString());
        for (int saves = 1; saves <= 500; ++saves) {
            const auto seen = testsupport::answerMessages([&] { click(ledger->Image4); });
            check(seen.size() == 1 && seen.first().text == messages::saved().text,
                  "el guardado rápido no ha confirmado el guardado");
            settle();
            if (saves == 20 || saves == 500) {
                const struct mallinfo2 heap = ::mallinfo2();
                std::printf("%zu ", (heap.uordblks + heap.hblkhd) / 1024);
            }
        }
        std::printf("\n");
        return 0;
    }
    if (mode == "tesorila") {
        testsupport::prepareApplication();
        signIn(WindowSet::instance().showForm1(), QString());
    } else {
        BareList().fill(makeLedger(kEntries).lines);
    }
    // Its own high-water mark (getrusage would count the parent's, as it
    // was when it started this process).
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    std::printf("%s\n", text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').first().constData());
    return 0;
}

void measureMemory() {
    auto peak = [](const QString &mode) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--memoria", mode});
        const bool ran = child.waitForFinished(120000) && child.exitStatus() == QProcess::NormalExit &&
                         child.exitCode() == 0;
        const double kib = ran ? child.readAllStandardOutput().trimmed().toDouble() : 0;
        check(kib > 0, "memoria (" + mode + "): " + QString::fromLocal8Bit(child.readAllStandardError()));
        return kib;
    };
    const QList<Samples> samples =
        alternate(5, {[&] { return peak("tesorila"); }, [&] { return peak("base"); }});
    record("memoria", QString("Memoria máxima con %1 registros abiertos").arg(kEntries), "KiB", samples[0],
           samples[1], 1.3);
}

// The heap in use after 500 quick saves of the full ledger against that
// after 20: a save keeps nothing once its message is gone.
void measureSavesMemory() {
    Samples after20, after500;
    for (int round = 0; round < 3; ++round) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--memoria", "guardados"});
        const bool ran = child.waitForFinished(600000) && child.exitStatus() == QProcess::NormalExit &&
                         child.exitCode() == 0;
        const QList<QByteArray> kib = child.readAllStandardOutput().simplified().split(' ');
        check(ran && kib.size() == 2,
              "memoria_guardados: " + QString::fromLocal8Bit(child.readAllStandardError()));
        after20.append(kib[0].toDouble());
        after500.append(kib[1].toDouble());
    }
    record(
        "memoria_guardados",
        QString("Memoria en uso tras 500 guardados rápidos de %1 registros (frente a tras 20)").arg(kEntries),
        "KiB", after500, after20, 1.01);
}

// The table, its numbers lined up on the right and its words on the left,
// then the lines for scripts.
void printResults() {
    QList<qsizetype> widths(g_rows.first().size());
    for (const QStringList &row : g_rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = qMax(widths[i], row[i].size());
    QString table;
    for (const QStringList &row : g_rows) {
        QStringList cells;
        for (qsizetype i = 0; i < row.size(); ++i)
            cells << (i >= 1 && i <= 3 ? row[i].rightJustified(widths[i]) : row[i].leftJustified(widths[i]));
        table += cells.join(" | ") + '\n';
        if (&row == &g_rows.first())
            table += QString(table.size() - 1, '-') + '\n';
    }
    std::printf("%s\n%s", qPrintable(table), qPrintable(g_lines));
}

// The offscreen platform warns each time a message box asks for its size
// hints or a window to come forward; that says nothing about the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (!message.contains("propagateSizeHints") && !message.contains("raise()"))
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char *argv[]) {
    const bool memory = argc == 3 && QByteArray(argv[1]) == "--memoria";
    const QStringList names = QString("arranque abrir guardar anadir imprimir memoria memoria_guardados "
                                      "exportar buscar importar versiones")
                                  .split(' ');
    void (*const figures[])() = {measureStartUp, measureSignIn, measureQuickSaves,  measureAddDelete,
                                 measurePrint,   measureMemory, measureSavesMemory, measureExportSummary,
                                 measureFind,    measureImport, measureVersions};
    for (int i = 1; i < argc && !memory; ++i) {
        if (!names.contains(QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "Cifra desconocida: %s\nCifras: %s\n", argv[i], qPrintable(names.join(' ')));
            return 2;
        }
    }
    // Every program measured keeps its files in a data root of this run, a
    // memory child its parent's. Their runtime folder is in memory, as a
    // desktop's (/run/user/UID) is: there the lock of the one-copy check
    // costs no disk sync.
    QTemporaryDir runtime(QFileInfo("/dev/shm").isWritable() ? "/dev/shm/tesorila-bench-XXXXXX"
                                                             : QDir::tempPath() + "/tesorila-bench-XXXXXX");
    if (!memory) {
        testsupport::prepareEnvironment();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1"); // the X display is for the start-up's programs
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    const auto closeWindows = qScopeGuard([] { WindowSet::instance().destroyAll(); });
    try {
        if (memory)
            return memoryMode(argv[2]);
        testsupport::prepareApplication();
        std::fprintf(stderr, "Preparando un libro de %d registros…\n", kEntries);
        g_data = makeLedger(kEntries);
        account::Session session(kUser, kPassword);
        if (const storage::Status saved = session.save(g_data, clocktext::today()); !saved)
            fail("no se ha podido guardar el libro de pruebas: " +
                 messages::saveFailed(saved.error(), session.directory()).text);
        const QStringList wanted = app.arguments().mid(1);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (wanted.isEmpty() || wanted.contains(names[i])) {
                std::fprintf(stderr, "Midiendo %s…\n", qPrintable(names[i]));
                figures[i]();
            }
        }
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "Error: %s\n", error.what());
        return 1;
    }
    printResults();
    return 0;
}

// Xlib comes last: its macros (Status, None, Bool...) would clash with the
// code above.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

namespace {

// From starting the program until its window shows drawn content on the X
// display of DISPLAY (./bench starts a private one). Without a compositor,
// drawing in any window is damage to the root window. Mapping a window draws
// nothing when, as Qt's, it has no background; nor does the last program's
// window going away, under the new one, which is mapped above it.
double untilFirstFrame(const QString &program) {
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; }); // a window gone before it is asked about
    Display *x = XOpenDisplay(nullptr);
    int damageEvent = 0, damageError = 0;
    check(x && XDamageQueryExtension(x, &damageEvent, &damageError),
          "la pantalla de DISPLAY no se abre o no tiene la extensión DAMAGE");
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    XDamageCreate(x, DefaultRootWindow(x), XDamageReportRawRectangles);
    XSync(x, False);
    QProcess process;
    const auto end = qScopeGuard([&] {
        process.kill();
        process.waitForFinished();
        XCloseDisplay(x);
    });
    const Clock::time_point start = Clock::now();
    process.start(program, {"-platform", "xcb"});
    QRect target; // the program's window, once mapped
    while (!process.waitForFinished(0) && Clock::now() - start < std::chrono::seconds(30)) {
        while (XPending(x)) {
            XEvent e;
            XNextEvent(x, &e);
            XWindowAttributes a;
            if (e.type == MapNotify && target.isNull() && XGetWindowAttributes(x, e.xmap.window, &a) &&
                QSize(a.width, a.height) == kWindow)
                target = QRect(a.x, a.y, a.width, a.height);
            const XRectangle &area = reinterpret_cast<XDamageNotifyEvent &>(e).area;
            if (e.type == damageEvent + XDamageNotify &&
                target.intersects({area.x, area.y, area.width, area.height}))
                return msSince(start);
        }
        pollfd ready{ConnectionNumber(x), POLLIN, 0};
        ::poll(&ready, 1, 20);
    }
    fail("la ventana no ha aparecido: " + QString::fromLocal8Bit(process.readAllStandardError()));
}

// Tesorila against two Qt programs showing a window of the same size: a
// bare one, and one drawing a line of text that loads the same Qt libraries.
void measureStartUp() {
    const QList<Samples> samples = alternate(15, {[] { return untilFirstFrame(TESORILA_APP_PATH); },
                                                  [] { return untilFirstFrame(TESORILA_BARE_WINDOW_PATH); },
                                                  [] { return untilFirstFrame(TESORILA_TEXT_WINDOW_PATH); }});
    record("arranque", "Arranque hasta ver la ventana (frente a una ventana vacía)", "ms", samples[0],
           samples[1], 1.2);
    record("arranque_texto", "Arranque hasta ver la ventana (frente a texto y las mismas bibliotecas)", "ms",
           samples[0], samples[2], 1.2);
}

} // namespace

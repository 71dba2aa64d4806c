// SPDX-License-Identifier: GPL-3.0-or-later
// The figures measured inside this process, through the real windows on the
// offscreen platform: signing in, the quick save, adding and deleting an
// entry, and printing the report to PDF.

#include "figures.h"

#include "app/window_set.h"
#include "model/account_session.h"
#include "model/clock.h"
#include "model/data_root.h"
#include "model/ledger_format.h"
#include "ui/abrir.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/form2.h"
#include "ui/ledger_window.h"
#include "ui/messages.h"
#include "ui/print_command.h"
#include "ui/quick_save.h"
#include "ui/report_painter.h"
#include "ui/widgets.h"

#include <QDateTime>
#include <QFile>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QRadioButton>

#include <unistd.h>

namespace bench {

namespace {

Form1 *ledgerWindow() {
    Form1 *ledger = WindowSet::instance().showForm1();
    if (!ledger)
        throw Failure{QStringLiteral("no se ha podido abrir la ventana del libro")};
    return ledger;
}

void expectNoMessage(const Setup &setup, const QString &what) {
    const QList<MessageAnswerer::Seen> seen = setup.messages->take();
    if (!seen.isEmpty())
        throw Failure{what + QStringLiteral(": mensaje inesperado «") + seen.first().title +
                      QStringLiteral("»: ") + seen.first().text};
}

void expectCount(Form1 *ledger, int count, const QString &what) {
    if (ledger->lst->count() != count)
        throw Failure{QStringLiteral("%1: la lista tiene %2 registros y debía tener %3")
                          .arg(what)
                          .arg(ledger->lst->count())
                          .arg(count)};
}

// Signs in to the benchmark account from an empty ledger: the Abrir picture
// of the open dialog is clicked, and the time runs until the list and the
// total have been drawn.
double signIn(const Setup &setup, Form1 *ledger) {
    click(ledger->Image7); // new ledger
    settle();
    click(ledger->Image3); // the open dialog
    abrir *dialog = WindowSet::instance().abrirWindow();
    if (!dialog || !dialog->isVisible())
        throw Failure{QStringLiteral("no se ha abierto el diálogo Abrir")};
    dialog->user->setText(userName());
    dialog->pass->setText(password());
    settle();
    expectNoMessage(setup, QStringLiteral("Abrir"));

    PaintWatch watch({ledger->lst->viewport(), ledger->txtt});
    const Clock::time_point start = Clock::now();
    click(dialog->Image1);
    watch.wait();
    const Clock::time_point end = Clock::now();

    expectNoMessage(setup, QStringLiteral("Abrir"));
    expectCount(ledger, kEntries, QStringLiteral("Abrir"));
    if (ledger->txtt->text() != setup.ledger.totalText || dialog->isVisible())
        throw Failure{QStringLiteral("Abrir no ha cargado el libro guardado")};
    return msBetween(start, end);
}

// The ledger window with the full benchmark ledger and its account in use.
Form1 *signedInLedger(const Setup &setup) {
    Form1 *ledger = ledgerWindow();
    if (ledger->lst->count() != kEntries || ledger->windowTitle() != Form1::accountCaption(userName()))
        signIn(setup, ledger);
    settle();
    return ledger;
}

// A window holding nothing but a list of the ledger list's size, whose
// items are laid out as one uniform height, as the ledger list's are.
class BareListWindow {
public:
    BareListWindow() {
        m_window.resize(kWindowWidth, kWindowHeight);
        m_list = new QListWidget(&m_window);
        m_list->setGeometry(32, 96, 809, 477);
        m_list->setUniformItemSizes(true);
        m_window.show();
        settle();
    }

    // Empties the list, then times appending the lines until they are drawn.
    double fill(const QStringList &lines) {
        m_list->clear();
        settle();
        PaintWatch watch({m_list->viewport()});
        const Clock::time_point start = Clock::now();
        for (const QString &line : lines)
            m_list->addItem(line);
        watch.wait();
        const Clock::time_point end = Clock::now();
        if (m_list->count() != lines.size())
            throw Failure{QStringLiteral("la lista de referencia no ha tomado todas las líneas")};
        return msBetween(start, end);
    }

private:
    QWidget m_window;
    QListWidget *m_list = nullptr;
};

QByteArray savedBytes() {
    const ledgerformat::LedgerPaths paths = ledgerformat::ledgerPaths(
        dataroot::path(), userName(), *ledgerformat::passwordValue(password()), dataroot::separator());
    QByteArray bytes;
    for (const QString &path : {paths.entries, paths.total}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure{QStringLiteral("no se puede leer ") + path};
        bytes += file.readAll();
    }
    return bytes;
}

double quickSave(const Setup &setup, Form1 *ledger) {
    expectNoMessage(setup, QStringLiteral("Guardar"));
    const Clock::time_point start = Clock::now();
    click(ledger->Image4);
    const QList<MessageAnswerer::Seen> seen = setup.messages->take();
    if (seen.size() != 1 || seen.first().text != messages::saved().text)
        throw Failure{QStringLiteral("el guardado rápido no ha confirmado el guardado") +
                      (seen.isEmpty() ? QString() : QStringLiteral(": ") + seen.first().text)};
    // The confirmation appears once both files are on disk.
    return msBetween(start, seen.first().shownAt);
}

double writeAndSync(const QString &path, const QByteArray &bytes) {
    const Clock::time_point start = Clock::now();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
        !file.flush() || ::fsync(file.handle()) != 0)
        throw Failure{QStringLiteral("no se puede escribir ") + path};
    file.close();
    return msBetween(start, Clock::now());
}

double deleteFirst(const Setup &setup, Form1 *ledger) {
    ledger->lst->scrollToTop();
    ledger->lst->setCurrentRow(0);
    settle();
    if (ledger->selectedIndex() != 0)
        throw Failure{QStringLiteral("no se ha podido seleccionar el primer registro")};
    const int before = ledger->lst->count();

    PaintWatch watch({ledger->lst->viewport(), ledger->txtt});
    const Clock::time_point start = Clock::now();
    click(ledger->Image2);
    watch.wait();
    const Clock::time_point end = Clock::now();

    expectNoMessage(setup, QStringLiteral("Eliminar"));
    expectCount(ledger, before - 1, QStringLiteral("Eliminar"));
    return msBetween(start, end);
}

double addOne(const Setup &setup, Form1 *ledger) {
    click(ledger->Image1);
    Form2 *form = WindowSet::instance().form2();
    if (!form || !form->isVisible())
        throw Failure{QStringLiteral("no se ha abierto el diálogo Agregar Dato")};
    form->opt1->setChecked(true);
    form->txt1->setText(QStringLiteral("125"));
    form->cd->setText(QStringLiteral("50"));
    form->txt2->setText(QStringLiteral("Venta de libros usados"));
    settle();
    expectNoMessage(setup, QStringLiteral("Añadir"));
    const int before = ledger->lst->count();

    // A line added at the end lies below the visible rows; the total is
    // what changes on screen.
    PaintWatch watch({ledger->txtt});
    const Clock::time_point start = Clock::now();
    click(form->Image3);
    watch.wait();
    const Clock::time_point end = Clock::now();

    expectNoMessage(setup, QStringLiteral("Añadir"));
    expectCount(ledger, before + 1, QStringLiteral("Añadir"));
    if (form->isVisible())
        throw Failure{QStringLiteral("el diálogo Agregar Dato sigue abierto")};
    return msBetween(start, end);
}

// The PDF writer set up as the print command sets up its own.
void setUpWriter(QPdfWriter &writer) {
    writer.setCreator(QStringLiteral("Tesorila"));
    writer.setTitle(QStringLiteral("Tesorila"));
    writer.setPageSize(QPageSize(QPageSize::A4));
}

double printReport(Form1 *ledger, const QString &path) {
    const Clock::time_point start = Clock::now();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Failure{QStringLiteral("no se puede escribir ") + path};
        QPdfWriter writer(&file);
        setUpWriter(writer);
        const QList<report::ReportLine> lines =
            report::reportLines(report::ledgerInput(*ledger, QDateTime::currentDateTime()));
        if (report::paintReport(writer, lines) != report::PaintResult::Done)
            throw Failure{QStringLiteral("el informe no se ha podido dibujar")};
    }
    return msBetween(start, Clock::now());
}

// The same lines drawn by a plain loop: each tab-separated piece at the next
// multiple of the tab step, one row per line, a new page when full.
double printBare(const QList<report::ReportLine> &lines, const QString &path) {
    const Clock::time_point start = Clock::now();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Failure{QStringLiteral("no se puede escribir ") + path};
        QPdfWriter writer(&file);
        setUpWriter(writer);
        const qreal margin = report::kMarginMillimetres;
        writer.setPageMargins(QMarginsF(margin, margin, margin, margin), QPageLayout::Millimeter);
        QPainter painter(&writer);
        const qreal step = report::kTabStepPoints * writer.logicalDpiX() / 72.0;
        const qreal height = writer.height();
        const QFont small = fonts::tahoma(report::kTextPointSize);
        const QFont large = fonts::tahoma(report::kTotalPointSize);
        const QFontMetricsF smallMetrics(small, &writer);
        const QFontMetricsF largeMetrics(large, &writer);
        qreal y = 0;
        std::optional<bool> largeInUse;
        for (const report::ReportLine &line : lines) {
            const bool isLarge = line.pointSize == report::kTotalPointSize;
            const QFontMetricsF &metrics = isLarge ? largeMetrics : smallMetrics;
            if (y > 0 && y + metrics.lineSpacing() > height) {
                writer.newPage();
                y = 0;
            }
            if (largeInUse != isLarge) {
                painter.setFont(isLarge ? large : small);
                largeInUse = isLarge;
            }
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
    return msBetween(start, Clock::now());
}

} // namespace

void saveBenchmarkLedger(const Setup &setup) {
    Form1 *ledger = ledgerWindow();
    click(ledger->Image7);
    for (int i = 0; i < setup.ledger.lines.size(); ++i)
        entrylist::append(ledger->lst, setup.ledger.lines.at(i), setup.ledger.cents.at(i));
    ledger->setTotalText(setup.ledger.totalText);
    account::Session session(userName(), password());
    if (const storage::Status saved = session.save(quicksave::shownLedger(*ledger), clocktext::today());
        !saved)
        throw Failure{QStringLiteral("no se ha podido guardar el libro de pruebas: ") +
                      messages::saveFailed(saved.error(), session.directory()).text};
    click(ledger->Image7);
    settle();
    expectNoMessage(setup, QStringLiteral("Preparación"));
}

Result measureSignIn(const Setup &setup, int rounds) {
    Form1 *ledger = ledgerWindow();
    BareListWindow bare;
    signIn(setup, ledger); // the first reading of the files is not counted
    bare.fill(setup.ledger.lines);
    const Samples samples = alternate(
        rounds, [&]() { return signIn(setup, ledger); }, [&]() { return bare.fill(setup.ledger.lines); });

    Result result =
        ratioResult(QStringLiteral("abrir"), QStringLiteral("Abrir un libro de %1 registros").arg(kEntries),
                    QStringLiteral("ms"), samples, 1.5);
    result.goal += QStringLiteral(" y < 50 ms");
    result.met = result.met && result.ours < 50;
    return result;
}

Result measureQuickSave(const Setup &setup, int rounds) {
    Form1 *ledger = signedInLedger(setup);
    quickSave(setup, ledger);
    const QByteArray bytes = savedBytes();
    const QString copy = setup.workDir + QStringLiteral("/copia.text");
    writeAndSync(copy, bytes);
    const Samples samples = alternate(
        rounds, [&]() { return quickSave(setup, ledger); }, [&]() { return writeAndSync(copy, bytes); });
    if (savedBytes() != bytes)
        throw Failure{QStringLiteral("el guardado rápido ha cambiado lo guardado")};
    QFile::remove(copy);

    return ratioResult(QStringLiteral("guardar"),
                       QStringLiteral("Guardado rápido de %1 registros").arg(kEntries), QStringLiteral("ms"),
                       samples, 2);
}

QList<Result> measureAddDelete(const Setup &setup, int rounds) {
    Form1 *ledger = signedInLedger(setup);
    QList<double> deletions;
    QList<double> additions;
    deleteFirst(setup, ledger); // the first of each is not counted
    addOne(setup, ledger);
    for (int round = 0; round < rounds; ++round) {
        deletions.append(deleteFirst(setup, ledger));
        additions.append(addOne(setup, ledger));
    }

    Result add{QStringLiteral("anadir"),
               QStringLiteral("Añadir un registro (libro de %1)").arg(kEntries),
               QStringLiteral("ms"),
               median(additions),
               std::nullopt,
               QStringLiteral("< 2 ms"),
               false};
    add.met = add.ours < 2;
    Result remove{QStringLiteral("eliminar"),
                  QStringLiteral("Eliminar el primer registro (libro de %1)").arg(kEntries),
                  QStringLiteral("ms"),
                  median(deletions),
                  std::nullopt,
                  QStringLiteral("< 2 ms"),
                  false};
    remove.met = remove.ours < 2;
    return {add, remove};
}

Result measurePrint(const Setup &setup, int rounds) {
    Form1 *ledger = signedInLedger(setup);
    const QList<report::ReportLine> lines =
        report::reportLines(report::ledgerInput(*ledger, QDateTime::currentDateTime()));
    const QString oursPath = setup.workDir + QStringLiteral("/informe.pdf");
    const QString barePath = setup.workDir + QStringLiteral("/referencia.pdf");
    const Samples samples = alternate(
        rounds, [&]() { return printReport(ledger, oursPath); },
        [&]() { return printBare(lines, barePath); });
    QFile::remove(oursPath);
    QFile::remove(barePath);

    return ratioResult(QStringLiteral("imprimir"),
                       QStringLiteral("Imprimir %1 registros a PDF").arg(kEntries), QStringLiteral("ms"),
                       samples, 1.3);
}

} // namespace bench

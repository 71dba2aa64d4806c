// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "report/pdf_text.h"

#include "app/window_set.h"
#include "model/clock.h"
#include "model/data_root.h"
#include "model/entry_text.h"
#include "model/report_lines.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/print_command.h"
#include "ui/report_painter.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <algorithm>

using report::ReportLine;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kDarkRed(192, 0, 0);
const QString kTab = QStringLiteral("\t");

constexpr qreal kMarginPoints = report::kMarginMillimetres * 72 / 25.4;
// pdftotext gives a glyph's ink box, which starts a little right of the pen.
constexpr qreal kSlack = 1.5;

QString entry(const QString &date, bool income, const QString &units, const QString &cents,
              const QString &source) {
    return entrytext::displayText(date, income, units, cents, source);
}

report::ReportInput sampleInput(const QStringList &entries, const QString &total = QStringLiteral("0")) {
    report::ReportInput input;
    input.caption = Form1::noUserCaption();
    input.dateText = QStringLiteral("8/12/26");
    input.timeText = QStringLiteral("20:30");
    input.count = int(entries.size());
    input.totalText = total;
    input.entries = entries;
    return input;
}

// A printed line as pdftotext gives it back: tabs become blanks, and runs
// of blanks collapse.
QString asExtracted(const QString &text) {
    return QString(text).replace(QLatin1Char('\t'), QLatin1Char(' ')).simplified();
}

QStringList extractedLines(const QList<ReportLine> &lines) {
    QStringList result;
    for (const ReportLine &line : lines) {
        const QString text = asExtracted(line.text);
        if (!text.isEmpty())
            result.append(text);
    }
    return result;
}

bool writePdf(const QString &path, const QList<ReportLine> &lines, QPageSize::PageSizeId size) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(size));
    return report::paintReport(writer, lines) == report::PaintResult::Done;
}

} // namespace

// Each skips the test function it is written in (QSKIP returns from the
// function it is in, so a helper function would skip nothing).
#define REQUIRE_PDF_TEXT()                                                                                   \
    do {                                                                                                     \
        if (pdftext::tool().isEmpty())                                                                       \
            QSKIP("pdftotext (poppler-utils) is not installed");                                             \
    } while (false)
#define REQUIRE_NO_PRINTER()                                                                                 \
    do {                                                                                                     \
        if (!QPrinterInfo::defaultPrinter().isNull())                                                        \
            QSKIP("a default printer is visible despite the isolated print settings; not printing on it");   \
    } while (false)

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void headingAndClosing_data();
    void headingAndClosing();
    void totalLine_data();
    void totalLine();
    void entryLines_data();
    void entryLines();
    void readsTheLedgerWindow();

    void renderedDocument_data();
    void renderedDocument();
    void longLedgerBreaksPages_data();
    void longLedgerBreaksPages();
    void wideTextWraps_data();
    void wideTextWraps();
    void deviceThatCannotStart();
    void renderedFontsAndColours_data();
    void renderedFontsAndColours();

    void noPrinterSavesPdf();
    void noPrinterAndDataRootBlocked();

private:
    Form1 *ledger = nullptr;
    QTemporaryDir m_scratch;
};

void TestReport::initTestCase() {
    // Keep this process away from every printer of the machine: the print
    // system is looked for at a socket that does not exist, with no client
    // configuration and no user defaults.
    QVERIFY(m_scratch.isValid());
    const QByteArray scratch = QFile::encodeName(m_scratch.path());
    qputenv("CUPS_SERVER", scratch + "/no-print-system.sock");
    qputenv("CUPS_SERVERROOT", scratch);
    qputenv("HOME", scratch);
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
}

void TestReport::init() {
    WindowSet::instance().destroyAll();
    ledger = WindowSet::instance().showForm1();
}

void TestReport::cleanup() {
    WindowSet::instance().destroyAll();
}

void TestReport::headingAndClosing_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("no account in use") << Form1::noUserCaption();
    QTest::newRow("account in use") << Form1::accountCaption(QStringLiteral("ana maría"));
}

void TestReport::headingAndClosing() {
    QFETCH(QString, caption);
    report::ReportInput input = sampleInput({});
    input.caption = caption;
    const QList<ReportLine> lines = report::reportLines(input);

    const QList<ReportLine> expected = {
        {QString(), 10, colours::kBlack},
        {kTab + kTab + caption, 10, colours::kBlack},
        {QString(), 10, colours::kBlack},
        {QStringLiteral("\tInforme impreso el 8/12/26 a las 20:30"), 10, colours::kBlack},
        {QStringLiteral("\tRegistros imprimidos: \t0"), 10, colours::kBlack},
        {QString(), 10, colours::kBlack},
        {QString(), 15, colours::kGreen},
        {QStringLiteral("\t\t\t\tDinero total: \t0"), 15, colours::kGreen},
        {QString(), 15, colours::kGreen},
        {QString(), 10, colours::kBlack},
        {QStringLiteral("\tTesorila, descarga gratuita en "), 10, colours::kBlack},
    };
    QCOMPARE(lines.size(), expected.size());
    for (int i = 0; i < int(lines.size()); ++i) {
        // The closing line ends with the address, one a browser can open.
        const QString text =
            i + 1 < int(lines.size()) ? lines.at(i).text : lines.at(i).text.left(expected.at(i).text.size());
        QCOMPARE(text, expected.at(i).text);
        QCOMPARE(lines.at(i).pointSize, expected.at(i).pointSize);
        QCOMPARE(lines.at(i).colour, expected.at(i).colour);
        QVERIFY(!lines.at(i).text.contains(QLatin1Char('\n')));
    }
    const QUrl address(lines.last().text.mid(expected.last().text.size()), QUrl::StrictMode);
    QVERIFY(address.isValid() && address.scheme().startsWith(QLatin1String("http")));
    QVERIFY(address.host().contains(QLatin1Char('.')) && !address.host().endsWith(QLatin1Char('.')));
}

void TestReport::totalLine_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("zero is green") << "es_ES"
                                   << "0" << kGreen;
    QTest::newRow("negative zero is green") << "es_ES"
                                            << "-0" << kGreen;
    QTest::newRow("positive") << "es_ES"
                              << "1500,5" << kGreen;
    QTest::newRow("smallest negative") << "es_ES"
                                       << "-0,01" << kDarkRed;
    QTest::newRow("large negative in exponent form") << "es_ES"
                                                     << "-1,5E+20" << kDarkRed;
    QTest::newRow("typed by hand, kept as typed") << "es_ES"
                                                  << "007,50" << kGreen;
    QTest::newRow("blanks kept as typed") << "es_ES"
                                          << " -3 " << kDarkRed;
    QTest::newRow("letters print black") << "es_ES"
                                         << "doce" << kBlack;
    QTest::newRow("other locale's separator is not a number") << "es_ES"
                                                              << "12.5" << kBlack;
    QTest::newRow("point in an English locale") << "en_US"
                                                << "-12.5" << kDarkRed;
}

void TestReport::totalLine() {
    QFETCH(QString, locale);
    QFETCH(QString, total);
    QFETCH(QColor, colour);
    const QStringList entries = {entry(QStringLiteral("08/12/2026"), true, QStringLiteral("5"),
                                       QStringLiteral("00"), QStringLiteral("Regalo"))};
    const QList<ReportLine> lines = report::reportLines(sampleInput(entries, total), QLocale(locale));

    // The total and the blank lines on either side are one statement.
    QCOMPARE(lines.at(7).text, QStringLiteral("\t\t\t\tDinero total: \t") + total);
    for (int i = 6; i <= 8; ++i) {
        QCOMPARE(lines.at(i).pointSize, report::kTotalPointSize);
        QCOMPARE(ui::color(lines.at(i).colour), colour);
    }
    // Everything from the entries on is black and small again.
    for (int i = 9; i < int(lines.size()); ++i) {
        QCOMPARE(lines.at(i).pointSize, report::kTextPointSize);
        QCOMPARE(ui::color(lines.at(i).colour), kBlack);
    }
}

void TestReport::entryLines_data() {
    QTest::addColumn<QStringList>("entries");
    const QString date = QStringLiteral("08/12/2026");
    QTest::newRow("one entry with its own tabs") << QStringList{
        entry(date, true, QStringLiteral("1500"), QStringLiteral("00"), QStringLiteral("Nómina"))};
    QTest::newRow("list order kept") << QStringList{
        entry(date, false, QStringLiteral("3"), QStringLiteral("00"), QStringLiteral("b")),
        entry(date, true, QStringLiteral("1"), QStringLiteral("00"), QStringLiteral("a")),
        entry(date, false, QStringLiteral("2"), QStringLiteral("00"), QStringLiteral("c"))};
    QTest::newRow("empty source ends in tabs")
        << QStringList{entry(date, false, QStringLiteral("0"), QStringLiteral("45"), QString())};
    QTest::newRow("line read from a file without the layout") << QStringList{QStringLiteral("texto libre")};
}

void TestReport::entryLines() {
    QFETCH(QStringList, entries);
    const QList<ReportLine> lines = report::reportLines(sampleInput(entries, QStringLiteral("-4")));

    // The month summary follows the entries, the closing line last.
    QVERIFY(lines.size() > 13 + entries.size());
    QCOMPARE(lines.at(10 + entries.size()).text, QStringLiteral("\tResumen por meses"));
    QCOMPARE(lines.at(4).text,
             QStringLiteral("\tRegistros imprimidos: \t") + QString::number(entries.size()));
    QCOMPARE(lines.at(8).text, QString()); // the blank line that ends the total statement
    for (int i = 0; i < int(entries.size()); ++i) {
        const ReportLine &line = lines.at(9 + i);
        QCOMPARE(line.text, QStringLiteral("\t\t\t\t") + entries.at(i));
        QCOMPARE(line.pointSize, report::kTextPointSize);
        QCOMPARE(ui::color(line.colour), kBlack);
    }
    QCOMPARE(lines.at(9 + entries.size()).text, QString());
    QVERIFY(lines.last().text.startsWith(QStringLiteral("\tTesorila, descarga gratuita en ")));
}

void TestReport::readsTheLedgerWindow() {
    ledger->setWindowTitle(Form1::accountCaption(QStringLiteral("ana")));
    const QString first = entry(QStringLiteral("1/2/26"), true, QStringLiteral("12"), QStringLiteral("50"),
                                QStringLiteral("Nómina"));
    const QString second = entry(QStringLiteral("3/2/26"), false, QStringLiteral("2"), QStringLiteral("00"),
                                 QStringLiteral("Pan"));
    entrylist::append(ledger->lst, first, 1250);
    entrylist::append(ledger->lst, second, -200);
    ledger->txtt->setText(QStringLiteral("10,50 "));
    const QStringList before = testsupport::ledgerState(ledger);

    const QDateTime moment(QDate(2026, 12, 8), QTime(20, 30, 15));
    const report::ReportInput input = report::ledgerInput(*ledger, moment);

    QCOMPARE(input.caption, Form1::accountCaption(QStringLiteral("ana")));
    QCOMPARE(input.dateText, clocktext::dateText(moment.date()));
    QCOMPARE(input.timeText, clocktext::timeText(moment.time()));
    QCOMPARE(input.count, 2);
    QCOMPARE(input.entries, (QStringList{first, second}));
    QCOMPARE(input.totalText, QStringLiteral("10,50 "));
    QCOMPARE(testsupport::ledgerState(ledger), before);
}

void TestReport::renderedDocument_data() {
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<QSizeF>("points");
    QTest::newRow("A4") << int(QPageSize::A4) << QSizeF(595, 842);
    QTest::newRow("Letter") << int(QPageSize::Letter) << QSizeF(612, 792);
}

void TestReport::renderedDocument() {
    REQUIRE_PDF_TEXT();
    QFETCH(int, pageSize);
    QFETCH(QSizeF, points);

    const QString date = QStringLiteral("08/12/2026");
    const QStringList sources = {QStringLiteral("Nómina"), QStringLiteral("Alquiler"), QStringLiteral("Café"),
                                 QStringLiteral("Herencia")};
    const QStringList entries = {
        entry(date, true, QStringLiteral("1500"), QStringLiteral("00"), sources.at(0)),
        entry(date, false, QStringLiteral("0"), QStringLiteral("45"), sources.at(1)),
        entry(date, false, QStringLiteral("7"), QStringLiteral("05"), sources.at(2)),
        entry(date, true, QStringLiteral("21474836"), QStringLiteral("47"), sources.at(3)),
    };
    report::ReportInput input = sampleInput(entries, QStringLiteral("21476343,07"));
    input.caption = Form1::accountCaption(QStringLiteral("ana"));
    const QList<ReportLine> lines = report::reportLines(input);

    const QString path = m_scratch.filePath(QStringLiteral("document.pdf"));
    QVERIFY(writePdf(path, lines, QPageSize::PageSizeId(pageSize)));

    // Every printed line, in order, on one page.
    const QList<QStringList> pages = pdftext::pages(path);
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.first(), extractedLines(lines));

    const pdftext::Boxes boxes = pdftext::boxes(path);
    QCOMPARE(boxes.pageSizes.size(), 1);
    QCOMPARE(boxes.pageSizes.first().toSize(), points.toSize());
    for (const pdftext::Word &word : boxes.words) {
        QVERIFY2(word.left >= kMarginPoints && word.right <= points.width() - kMarginPoints + kSlack &&
                     word.top >= kMarginPoints && word.bottom <= points.height() - kMarginPoints + kSlack,
                 qPrintable(word.text));
    }

    // Each entry's date, amount and source start at the same columns,
    // whatever the width of the amount.
    auto leftOf = [&](const QString &text) {
        QList<qreal> lefts;
        for (const pdftext::Word &word : boxes.words) {
            if (word.text == text)
                lefts.append(word.left - kMarginPoints);
        }
        return lefts;
    };
    const QList<qreal> dates = leftOf(date);
    QCOMPARE(dates.size(), entries.size());
    for (qreal x : dates)
        QVERIFY2(qAbs(x - report::kDateColumnPoints) < kSlack, qPrintable(QString::number(x)));
    for (const QString &amount : {QStringLiteral("+1500,00€"), QStringLiteral("-0,45€"),
                                  QStringLiteral("-7,05€"), QStringLiteral("+21474836,47€")}) {
        const QList<qreal> x = leftOf(amount);
        QCOMPARE(x.size(), 1);
        QVERIFY2(qAbs(x.first() - report::kAmountColumnPoints) < kSlack, qPrintable(amount));
    }
    for (const QString &source : sources) {
        const QList<qreal> x = leftOf(source);
        QCOMPARE(x.size(), 1);
        QVERIFY2(qAbs(x.first() - report::kSourceColumnPoints) < kSlack, qPrintable(source));
    }
    // The heading's indents: two tabs before the caption, one before the date line.
    QVERIFY(qAbs(leftOf(QStringLiteral("Tesorila")).first() - 2 * report::kTabStepPoints) < kSlack);
    QVERIFY(qAbs(leftOf(QStringLiteral("Informe")).first() - report::kTabStepPoints) < kSlack);
}

void TestReport::longLedgerBreaksPages_data() {
    renderedDocument_data();
}

void TestReport::longLedgerBreaksPages() {
    REQUIRE_PDF_TEXT();
    QFETCH(int, pageSize);
    QFETCH(QSizeF, points);

    QStringList entries;
    for (int i = 1; i <= 400; ++i)
        entries.append(entry(QStringLiteral("08/12/2026"), i % 3 != 0, QString::number(i),
                             QStringLiteral("00"), QStringLiteral("Registro %1").arg(i)));
    const QList<ReportLine> lines = report::reportLines(sampleInput(entries, QStringLiteral("123")));
    const QString path = m_scratch.filePath(QStringLiteral("long.pdf"));
    QVERIFY(writePdf(path, lines, QPageSize::PageSizeId(pageSize)));

    // All lines, once each and in order, spread over several pages.
    const QList<QStringList> pages = pdftext::pages(path);
    QVERIFY2(pages.size() >= 5, qPrintable(QString::number(pages.size())));
    QStringList all;
    for (const QStringList &page : pages)
        all += page;
    QCOMPARE(all, extractedLines(lines));
    QCOMPARE(pages.first().first(), asExtracted(lines.at(1).text));
    QCOMPARE(pages.last().last(), asExtracted(lines.last().text));

    // Nothing is drawn past the bottom margin, and no page but the last
    // breaks early: less than two rows stay empty at its foot.
    const pdftext::Boxes boxes = pdftext::boxes(path);
    QCOMPARE(boxes.pageSizes.size(), pages.size());
    QList<qreal> lowest(boxes.pageSizes.size(), 0);
    for (const pdftext::Word &word : boxes.words) {
        QCOMPARE(boxes.pageSizes.at(word.page).toSize(), points.toSize());
        QVERIFY2(word.top >= kMarginPoints && word.bottom <= points.height() - kMarginPoints + kSlack,
                 qPrintable(word.text));
        lowest[word.page] = qMax(lowest.at(word.page), word.bottom);
    }
    for (int page = 0; page + 1 < int(lowest.size()); ++page) {
        const qreal room = points.height() - kMarginPoints - lowest.at(page);
        QVERIFY2(room < 2 * 12.5, qPrintable(QStringLiteral("page %1: %2").arg(page).arg(room)));
    }
}

void TestReport::wideTextWraps_data() {
    QTest::addColumn<QString>("source");
    QStringList words;
    for (int i = 1; i <= 90; ++i)
        words.append(QStringLiteral("palabra%1").arg(i));
    QTest::newRow("many words") << words.join(QLatin1Char(' '));
    QTest::newRow("one unbroken word") << QString(400, QLatin1Char('x'));
}

void TestReport::wideTextWraps() {
    REQUIRE_PDF_TEXT();
    QFETCH(QString, source);
    const QStringList entries = {
        entry(QStringLiteral("08/12/2026"), true, QStringLiteral("1"), QStringLiteral("00"), source)};
    const QString path = m_scratch.filePath(QStringLiteral("wide.pdf"));
    QVERIFY(writePdf(path, report::reportLines(sampleInput(entries)), QPageSize::A4));

    // Every character of the source is printed, within the page, on rows
    // that start at the source column.
    pdftext::Boxes boxes = pdftext::boxes(path);
    std::sort(boxes.words.begin(), boxes.words.end(), [](const pdftext::Word &a, const pdftext::Word &b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    const auto summary = std::find_if(boxes.words.cbegin(), boxes.words.cend(),
                                      [](const pdftext::Word &word) { return word.text == "Resumen"; });
    QVERIFY(summary != boxes.words.cend());
    QString printed;
    QList<qreal> rowStarts;
    qreal rowTop = -1;
    for (const pdftext::Word &word : boxes.words) {
        if (word.page != 0 || word.left < kMarginPoints + report::kSourceColumnPoints - kSlack ||
            word.top >= summary->top)
            continue; // the other columns, the heading, the summary and the closing line
        printed += word.text;
        QVERIFY2(word.right <= 595 - kMarginPoints + kSlack, qPrintable(word.text));
        if (word.top > rowTop + 1) {
            rowStarts.append(word.left - kMarginPoints);
            rowTop = word.top;
        }
    }
    QCOMPARE(printed, QString(source).remove(QLatin1Char(' ')));
    QVERIFY(rowStarts.size() > 1);
    for (qreal x : rowStarts)
        QVERIFY2(qAbs(x - report::kSourceColumnPoints) < kSlack, qPrintable(QString::number(x)));
}

void TestReport::deviceThatCannotStart() {
    QPdfWriter writer(m_scratch.filePath(QStringLiteral("missing-folder/report.pdf")));
    QCOMPARE(report::paintReport(writer, report::reportLines(sampleInput({}))),
             report::PaintResult::NotStarted);
}

void TestReport::noPrinterSavesPdf() {
    REQUIRE_NO_PRINTER();
    REQUIRE_PDF_TEXT();
    ledger->setWindowTitle(Form1::accountCaption(QStringLiteral("ana")));
    const QString first = entry(QStringLiteral("1/2/26"), true, QStringLiteral("12"), QStringLiteral("50"),
                                QStringLiteral("Nómina"));
    entrylist::append(ledger->lst, first, 1250);
    ledger->txtt->setText(QStringLiteral("12,5"));
    ledger->applyClosingColour();
    ledger->lst->setCurrentRow(0);
    const QStringList before = testsupport::ledgerState(ledger);

    const QString root = testsupport::dataHome() + QStringLiteral("/Tesorila/");
    QStringList paths;
    // Into the documents folder where there is one, the data root otherwise;
    // the second time by its key.
    const QString documents = QDir::homePath() + QStringLiteral("/Documents/");
    QVERIFY(QDir().mkpath(documents));
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    for (int click = 0; click < 3; ++click) {
        ledger->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ledger));
        const QList<testsupport::SeenMessage> seen = testsupport::answerMessages([this, click] {
            if (click == 0)
                testsupport::click(ledger->Image5);
            else
                QTest::keyClick(ledger, Qt::Key_P, Qt::ControlModifier);
        });
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().title, report::messageTitle());
        QCOMPARE(seen.first().icon, int(QMessageBox::NoIcon));
        QVERIFY(seen.first().okButton);
        const QString text = seen.first().text;
        QVERIFY2(text.startsWith(QStringLiteral("No hay ninguna impresora predeterminada. ")),
                 qPrintable(text));
        const QString path = QDir::fromNativeSeparators(text.section(QLatin1Char('\n'), -1));
        QVERIFY2(path.startsWith(click == 0 ? documents : root) && path.endsWith(QStringLiteral(".pdf")),
                 qPrintable(path));
        QVERIFY(QFileInfo::exists(path));
        paths.append(path);

        const QStringList printed = pdftext::lines(path);
        QCOMPARE(printed.size(), 10);
        QCOMPARE(printed.at(0), asExtracted(Form1::accountCaption(QStringLiteral("ana"))));
        QVERIFY(printed.at(1).startsWith(QStringLiteral("Informe impreso el ")));
        QCOMPARE(printed.at(2), QStringLiteral("Registros imprimidos: 1"));
        QCOMPARE(printed.at(3), QStringLiteral("Dinero total: 12,5"));
        QCOMPARE(printed.at(4), asExtracted(first));
        // The month summary on the last page, income, expenses and balance.
        QCOMPARE(printed.mid(5, 4),
                 QStringList({"Resumen por meses", "Mes Ingresos Gastos Saldo",
                              "febrero de 2026 12,50€ 0,00€ 12,50€", "Total de 2026 12,50€ 0,00€ 12,50€"}));
        QVERIFY(printed.at(9).startsWith(QStringLiteral("Tesorila, descarga gratuita en ")));
        QCOMPARE(testsupport::ledgerState(ledger), before);
        QCOMPARE(ledger->lst->currentRow(), 0);
        QDir(documents).removeRecursively();
    }
    // A second print never overwrites the first.
    QVERIFY(paths.at(1) != paths.at(2));
    QVERIFY(QFileInfo::exists(paths.at(1)));
}

void TestReport::noPrinterAndDataRootBlocked() {
    REQUIRE_NO_PRINTER();
    // No documents folder (Windows always has one, empty in a fresh
    // profile), and a file where the data root's folder should be: nothing
    // can be saved.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const bool hadDocuments = QFileInfo(documents).isDir();
    if (hadDocuments && !QDir().rmdir(documents))
        QSKIP("La carpeta de documentos no está vacía");
    QString root = QDir::fromNativeSeparators(dataroot::path());
    root.chop(1); // the closing separator
    QDir(root).removeRecursively();
    QFile blocker(root);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    entrylist::append(ledger->lst, QStringLiteral("una línea"), 100);
    ledger->txtt->setText(QStringLiteral("1"));
    const QStringList before = testsupport::ledgerState(ledger);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([this] { testsupport::click(ledger->Image5); });
    QFile::remove(root);
    if (hadDocuments)
        QDir().mkdir(documents);

    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().title, report::messageTitle());
    QVERIFY2(
        seen.first().text.contains(QStringLiteral("no se ha podido guardar")) &&
            seen.first().text.contains(QStringLiteral("hay un archivo donde debería haber una carpeta")) &&
            seen.first().text.endsWith(QDir::toNativeSeparators(dataroot::path())),
        qPrintable(seen.first().text));
    QCOMPARE(testsupport::ledgerState(ledger), before);
}

void TestReport::renderedFontsAndColours_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("zero prints green") << "0" << kGreen;
    QTest::newRow("negative prints dark red") << "-3,5" << kDarkRed;
    QTest::newRow("not a number prints black") << "abc" << kBlack;
}

// What the drawing layer really puts on the page: the total larger than the
// rest and in its colour, everything else in black.
void TestReport::renderedFontsAndColours() {
    REQUIRE_PDF_TEXT();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QFETCH(QString, total);
    QFETCH(QColor, colour);

    const QStringList entries = {entry(QStringLiteral("08/12/2026"), true, QStringLiteral("1500"),
                                       QStringLiteral("00"), QStringLiteral("Nomina"))};
    const QList<ReportLine> lines = report::reportLines(sampleInput(entries, total));
    const QString pdf = m_scratch.filePath(QStringLiteral("colours.pdf"));
    QVERIFY(writePdf(pdf, lines, QPageSize::A4));
    const int dpi = 144;
    const QImage page = pdftext::firstPage(pdf, dpi, m_scratch.filePath(QStringLiteral("colours")));
    QVERIFY(!page.isNull());

    const pdftext::Boxes boxes = pdftext::boxes(pdf);
    const pdftext::Word totalWord = pdftext::word(boxes, total);
    const pdftext::Word label = pdftext::word(boxes, QStringLiteral("total:"));
    const pdftext::Word entryWord = pdftext::word(boxes, QStringLiteral("Nomina"));
    const pdftext::Word heading = pdftext::word(boxes, QStringLiteral("Registros"));
    for (const pdftext::Word &word : {totalWord, label, entryWord, heading})
        QVERIFY2(!word.text.isEmpty(), "a word is missing from the page");
    auto ink = [&](const pdftext::Word &word) { return pdftext::ink(page, word, dpi); };
    QVERIFY2(pdftext::near(ink(totalWord), colour), qPrintable(ink(totalWord).name()));
    QVERIFY2(pdftext::near(ink(label), colour), qPrintable(ink(label).name()));
    QVERIFY2(pdftext::near(ink(entryWord), kBlack), qPrintable(ink(entryWord).name()));
    QVERIFY2(pdftext::near(ink(heading), kBlack), qPrintable(ink(heading).name()));
    // 15 points against 10: the total's letters stand half as high again.
    const qreal ratio = (label.bottom - label.top) / (heading.bottom - heading.top);
    QVERIFY2(ratio > 1.35 && ratio < 1.65, qPrintable(QString::number(ratio)));
}

TESORILA_TEST_MAIN(TestReport)
#include "tst_report.moc"

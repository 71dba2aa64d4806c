// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "app/window_set.h"
#include "ui/account_dialog.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {
const QColor kGreen(0, 128, 0);
const QColor kBlack(0, 0, 0);
const QColor kDarkRed(192, 0, 0);
} // namespace

class TestLedgerWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void initialState();
    void changeRuleOnSet_data();
    void changeRuleOnSet();
    void changeRuleWhileTyping();
    void changeRuleRunsInsideTheSet();
    void entriesKeepTheirCents();
    void appendAllKeepsOrderAndCents();
    void tabsDrawnAsColumns();
    void redrawnLinesFollowFontAndText();
    void longestLineReadToItsEnd();
    void scrollBarRedrawnWhenItsHandleMoves();
    void noLineLooksCurrentUnlessSelected();
    void keyboardAlone();

private:
    Form1 *ledger = nullptr;
};

void TestLedgerWindow::init() {
    WindowSet::instance().destroyAll();
    ledger = WindowSet::instance().showForm1();
}

void TestLedgerWindow::cleanup() {
    WindowSet::instance().destroyAll();
}

void TestLedgerWindow::initialState() {
    QCOMPARE(ledger->windowTitle(), QStringLiteral("Tesorila") + QString(7, QLatin1Char(' ')) +
                                        QStringLiteral("Cuenta en uso: Sin Usuario"));
    QCOMPARE(ledger->windowTitle(), Form1::noUserCaption());
    QCOMPARE(Form1::accountCaption(QStringLiteral("ana")),
             QStringLiteral("Tesorila       Cuenta en uso: ana"));
    QCOMPARE(ledger->lst->count(), 0);
    QCOMPARE(ledger->lst->currentRow(), -1);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0"));
    // The starting "0" is not a change: it keeps the default text colour.
    QLineEdit plain;
    QCOMPARE(ledger->totalColour(), plain.palette().color(QPalette::Text));
    QVERIFY(ledger->totalColour() != kGreen);
    QCOMPARE(ledger->txtt->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QVERIFY(!ledger->txtt->isReadOnly());
    QCOMPARE(ledger->Text1->text(), QStringLiteral("Text1"));
    QCOMPARE(ledger->user1->text(), QStringLiteral("Text2"));
    QCOMPARE(ledger->pass1->text(), QStringLiteral("Text2"));
    for (QLineEdit *hidden : {ledger->Text1, ledger->user1, ledger->pass1})
        QVERIFY(!hidden->isVisible());
    QCOMPARE(ledger->lst->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!ledger->lst->isSortingEnabled());
    // The ledger window shows the application's icon, once it is drawn.
    QTRY_VERIFY(!ledger->windowIcon().isNull());
    QCOMPARE(ledger->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

void TestLedgerWindow::changeRuleOnSet_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("es positive") << "es_ES"
                                 << "0"
                                 << "12,5"
                                 << "12,5" << kGreen;
    QTest::newRow("es negative cent") << "es_ES"
                                      << "0"
                                      << "-0,01"
                                      << "-0,01" << kDarkRed;
    QTest::newRow("zero is green") << "es_ES"
                                   << "5"
                                   << "0"
                                   << "0" << kGreen;
    QTest::newRow("empty gives green 0") << "es_ES"
                                         << "-3"
                                         << ""
                                         << "0" << kGreen;
    QTest::newRow("lone minus gives green 0") << "es_ES"
                                              << "-3"
                                              << "-"
                                              << "0" << kGreen;
    QTest::newRow("en positive") << "en_US"
                                 << "0"
                                 << "12.5"
                                 << "12.5" << kGreen;
    QTest::newRow("en negative") << "en_US"
                                 << "0"
                                 << "-0.01"
                                 << "-0.01" << kDarkRed;
    QTest::newRow("exponent form") << "es_ES"
                                   << "0"
                                   << "-1,5E+15"
                                   << "-1,5E+15" << kDarkRed;
    // Text that is not a number is drawn in the plain text colour, as the
    // commands refuse it.
    QTest::newRow("letters after red") << "es_ES"
                                       << "-2"
                                       << "abc"
                                       << "abc" << kBlack;
    QTest::newRow("letters after green") << "es_ES"
                                         << "2"
                                         << "abc"
                                         << "abc" << kBlack;
    QTest::newRow("grouping after green") << "es_ES"
                                          << "1"
                                          << "1.500"
                                          << "1.500" << kBlack;
    QTest::newRow("lone blank is not empty") << "es_ES"
                                             << "-2"
                                             << " "
                                             << " " << kBlack;
    QTest::newRow("blank minus is not a minus") << "es_ES"
                                                << "2"
                                                << " -"
                                                << " -" << kBlack;
    QTest::newRow("other locale's separator") << "es_ES"
                                              << "-2"
                                              << "12.5"
                                              << "12.5" << kBlack;
    QTest::newRow("overflow") << "es_ES"
                              << "2"
                              << "1e999"
                              << "1e999" << kBlack;
    QTest::newRow("wider than the box") << "es_ES"
                                        << "0"
                                        << "-1234567890123,45"
                                        << "-1234567890123,45" << kDarkRed;
}

void TestLedgerWindow::changeRuleOnSet() {
    QFETCH(QString, locale);
    QFETCH(QString, before);
    QFETCH(QString, set);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    testsupport::LocaleScope scope(locale);
    ledger->txtt->setText(before);
    ledger->txtt->setText(set);
    QCOMPARE(ledger->txtt->text(), text);
    QCOMPARE(ledger->totalColour(), colour);
    // Set by the program, the box shows the start of the text.
    QCOMPARE(ledger->txtt->cursorPosition(), 0);
}

void TestLedgerWindow::changeRuleWhileTyping() {
    QLineEdit *total = ledger->txtt;
    total->setFocus();

    // Deleting every character gives "0" at once, in green.
    total->setText(QStringLiteral("-45"));
    QCOMPARE(ledger->totalColour(), kDarkRed);
    total->end(false);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(total, Qt::Key_Backspace);
    QCOMPARE(total->text(), QStringLiteral("0"));
    QCOMPARE(ledger->totalColour(), kGreen);

    // Replacing the whole text by "-" gives "0": a negative number cannot be
    // typed starting with its minus sign.
    total->setText(QStringLiteral("12"));
    total->selectAll();
    QTest::keyClicks(total, QStringLiteral("-"));
    QCOMPARE(total->text(), QStringLiteral("0"));

    // A "-" typed in front of digits makes the total negative.
    total->setText(QStringLiteral("5"));
    total->home(false);
    QTest::keyClicks(total, QStringLiteral("-"));
    QCOMPARE(total->text(), QStringLiteral("-5"));
    QCOMPARE(ledger->totalColour(), kDarkRed);
    QCOMPARE(total->cursorPosition(), 1);

    // Typed letters make it plain; typing digits again recolours.
    total->end(false);
    QTest::keyClicks(total, QStringLiteral("x"));
    QCOMPARE(total->text(), QStringLiteral("-5x"));
    QCOMPARE(ledger->totalColour(), kBlack);
    total->selectAll();
    QTest::keyClicks(total, QStringLiteral("7,25"));
    QCOMPARE(total->text(), QStringLiteral("7,25"));
    QCOMPARE(ledger->totalColour(), kGreen);
}

void TestLedgerWindow::changeRuleRunsInsideTheSet() {
    // The rule has run by the time setText returns, so code that colours the
    // total after a set decides the colour left on screen.
    ledger->txtt->setText(QStringLiteral("3"));
    ledger->txtt->setText(QStringLiteral("0"));
    QCOMPARE(ledger->totalColour(), kGreen);
    ledger->applyClosingColour();
    QCOMPARE(ledger->totalColour(), kDarkRed);
    ledger->txtt->setText(QStringLiteral("0,01"));
    ledger->applyClosingColour();
    QCOMPARE(ledger->totalColour(), kGreen);
    ledger->txtt->setText(QStringLiteral("abc"));
    ledger->applyClosingColour();
    QCOMPARE(ledger->totalColour(), kBlack); // not a number: unchanged
}

void TestLedgerWindow::entriesKeepTheirCents() {
    entrylist::append(ledger->lst, QStringLiteral("a"), 1250);
    entrylist::append(ledger->lst, QStringLiteral("b"), -2147483647 - 1);
    QCOMPARE(ledger->lst->count(), 2);
    QCOMPARE(entrylist::cents(ledger->lst, 0), 1250);
    QCOMPARE(entrylist::cents(ledger->lst, 1), qint32(-2147483647 - 1));
    QCOMPARE(entrylist::cents(ledger->lst, 5), 0);
    QCOMPARE(ledger->lst->item(1)->text(), QStringLiteral("b"));
}

void TestLedgerWindow::appendAllKeepsOrderAndCents() {
    entrylist::append(ledger->lst, QStringLiteral("first"), 7);
    QStringList texts;
    QList<qint32> shown;
    for (int i = 0; i < 500; ++i) {
        const bool income = i % 2;
        texts << QStringLiteral("0%1/01/2026\t\t%2%3,%4\u20AC\t\tline %5")
                     .arg(i % 9 + 1)
                     .arg(income ? QLatin1Char('+') : QLatin1Char('-'))
                     .arg(i)
                     .arg(i % 100, 2, 10, QLatin1Char('0'))
                     .arg(i);
        shown << (income ? 1 : -1) * (i * 100 + i % 100);
    }
    texts << QStringLiteral("no amount here");
    shown << 0;
    entrylist::appendAll(ledger->lst, texts);
    entrylist::appendAll(ledger->lst, {});

    QCOMPARE(ledger->lst->count(), 502);
    QCOMPARE(ledger->lst->item(0)->text(), QStringLiteral("first"));
    // A line added with an amount keeps it; appended lines have the amount
    // their text shows.
    QCOMPARE(entrylist::cents(ledger->lst, 0), 7);
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(ledger->lst->item(i + 1)->text(), texts.at(i));
        QCOMPARE(entrylist::cents(ledger->lst, i + 1), shown.at(i));
    }

    // The view knows of every line: the last one can be scrolled to and
    // has a place below the first.
    ledger->lst->scrollToItem(ledger->lst->item(501));
    QCoreApplication::processEvents();
    const QRect last = ledger->lst->visualItemRect(ledger->lst->item(501));
    QVERIFY(last.isValid());
    QVERIFY(ledger->lst->viewport()->rect().intersects(last));
    QVERIFY(ledger->lst->verticalScrollBar()->maximum() > 0);
}

void TestLedgerWindow::tabsDrawnAsColumns() {
    // Two lines whose first columns differ in width start their second
    // column at the same tab stop.
    entrylist::append(ledger->lst, QStringLiteral("1/1/26\t\t+5,00\u20AC\t\tA"), 500);
    entrylist::append(ledger->lst, QStringLiteral("11/11/2026\t\t+5,00\u20AC\t\tA"), 500);
    ledger->lst->doItemsLayout();
    QCoreApplication::processEvents();
    const QImage image = ledger->lst->viewport()->grab().toImage();
    if (qEnvironmentVariableIsSet("TESORILA_SAVE_GRABS"))
        image.save(QStringLiteral("/tmp/lst.png"));
    auto firstDarkAfter = [&](int row, int fromX) {
        const QRect r = ledger->lst->visualItemRect(ledger->lst->item(row));
        for (int x = fromX; x < r.right(); ++x) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                if (image.pixelColor(x, y).value() < 100)
                    return x;
            }
        }
        return -1;
    };
    // Skip past each date to the column that holds the amount.
    const int column = 2 * entrylist::tabStop(ledger->lst->font());
    const int a = firstDarkAfter(0, column - 4);
    const int b = firstDarkAfter(1, column - 4);
    QVERIFY(a > 0);
    QCOMPARE(a, b);
}

// Lines are laid out once and drawn again from that layout: a new font or a
// new text must not be drawn from a stale one.
void TestLedgerWindow::redrawnLinesFollowFontAndText() {
    entrylist::append(ledger->lst, QStringLiteral("11/11/2026\t\tAMOUNT"), 500);
    // How far right of the second tab stop the second column's ink starts,
    // or -1 when the line has no ink there. The column is blank just before
    // the stop.
    auto inkAfterSecondStop = [&]() {
        ledger->lst->doItemsLayout();
        ledger->lst->viewport()->repaint();
        const QImage image = ledger->lst->viewport()->grab().toImage();
        const QRect r = ledger->lst->visualItemRect(ledger->lst->item(0));
        const int stop = entrylist::tabStop(ledger->lst->font()) * 2;
        for (int x = stop - 4; x < r.right(); ++x) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                if (image.pixelColor(x, y).value() < 100)
                    return x - stop;
            }
        }
        return -1;
    };
    const int small = inkAfterSecondStop();
    QVERIFY2(small >= -2 && small <= 6, qPrintable(QString::number(small)));

    ledger->lst->setFont(fonts::tahoma(20, true));
    const int large = inkAfterSecondStop();
    QVERIFY2(large >= -2 && large <= 6, qPrintable(QString::number(large)));
    // Still whole lines, of the larger font.
    QTRY_COMPARE(
        ledger->lst->viewport()->height() % ledger->lst->visualItemRect(ledger->lst->item(0)).height(), 0);

    ledger->lst->item(0)->setText(QStringLiteral("11/11/2026"));
    QCOMPARE(inkAfterSecondStop(), -1);
}

void TestLedgerWindow::longestLineReadToItsEnd() {
    QListWidget *list = ledger->lst;
    const QString longLine = QStringLiteral("08/12/2026\t\t-17,07\u20AC\t\tTransferencia recibida de la "
                                            "cuenta de ahorro para las vacaciones de verano en la costa");
    for (int i = 0; i < 40; ++i)
        entrylist::append(
            list, i == 7 || i == 9 ? longLine : QStringLiteral("01/12/2026\t\t+1,00\u20AC\t\tPan"), 100);
    QScrollBar *bar = list->horizontalScrollBar();
    QTRY_VERIFY(bar->isVisible());

    // Whole lines only, the scroll bar shown, in the room the layout gives.
    const int line = list->visualItemRect(list->item(0)).height();
    QTRY_COMPARE(list->viewport()->height() % line, 0);
    QVERIFY(list->height() + line > 477);
    QCOMPARE(list->geometry().topLeft(), QPoint(32, 96));
    QCOMPARE(list->width(), 809);

    // Scrolled to the right, the long line ends just inside the view.
    bar->setValue(bar->maximum());
    const QImage image = list->viewport()->grab().toImage();
    const QRect r = list->visualItemRect(list->item(7));
    int lastInk = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            lastInk = image.pixelColor(x, y).value() < 100 ? qMax(lastInk, x) : lastInk;
    }
    QVERIFY2(lastInk < image.width() - 1 && lastInk > image.width() - 20,
             qPrintable(QString::number(lastInk)));

    // Without one of the two the other still reaches as far; without both
    // there is nothing to scroll to, and more lines show once the list has
    // been fitted again, a turn of the event loop after the scroll bar has
    // gone (on Windows a wait can end in between).
    const int end = bar->maximum();
    delete list->takeItem(9);
    list->doItemsLayout();
    QCOMPARE(bar->maximum(), end);
    delete list->takeItem(7);
    QTRY_VERIFY(!bar->isVisible());
    QTRY_COMPARE(list->viewport()->height() % line, 0);
    QVERIFY(list->height() + line > 477);
}

// The bar on screen follows a change of range that resizes its handle.
void TestLedgerWindow::scrollBarRedrawnWhenItsHandleMoves() {
    QScrollBar *bar = ledger->lst->verticalScrollBar();
    // The bar in a picture of the window on the screen, against the bar
    // drawn afresh.
    auto shownAsItIs = [&] {
        const QPoint at = bar->mapTo(ledger, QPoint());
        const QPixmap shown =
            ledger->screen()->grabWindow(ledger->winId(), at.x(), at.y(), bar->width(), bar->height());
        return shown.toImage().convertToFormat(QImage::Format_RGB32) ==
               bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    entrylist::appendAll(ledger->lst, QStringList(40, QStringLiteral("01/12/2026\t\t+1,00\u20AC\t\tPan")));
    for (int i = 0; i < 5; ++i) {
        ledger->lst->setCurrentRow(0);
        testsupport::click(ledger->Image2);
        QTRY_VERIFY(shownAsItIs());
    }
}

void TestLedgerWindow::noLineLooksCurrentUnlessSelected() {
    QListWidget *list = ledger->lst;
    for (const char *source : {"Pan", "Luz", "Agua"})
        entrylist::append(list, QStringLiteral("01/12/2026\t\t+1,00\u20AC\t\t") + QLatin1String(source), 100);
    ledger->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    const QImage unmarked = list->viewport()->grab().toImage();

    // As after a sign-in: the list takes the focus and makes its first line
    // current, selecting nothing.
    list->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(list->hasFocus());
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(ledger->selectedIndex(), -1);
    QCOMPARE(list->viewport()->grab().toImage(), unmarked);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([this] { testsupport::click(ledger->Image2); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().title, QStringLiteral("Seleccione un registro"));
    QCOMPARE(list->count(), 3);

    list->setCurrentRow(0);
    QVERIFY(list->viewport()->grab().toImage() != unmarked);

    // The list's own keys and focus are not taken for an editor's.
    QSignalSpy closed(list->itemDelegate(), &QAbstractItemDelegate::closeEditor);
    QTest::keyClick(list, Qt::Key_Tab);
    QVERIFY(!list->hasFocus());
    QCOMPARE(closed.count(), 0);
}

// Every command from the keyboard, keys sent where the focus is.
void TestLedgerWindow::keyboardAlone() {
    WindowSet &set = WindowSet::instance();
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    auto type = [](QKeySequence keys) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(keys[0].key()), keys[0].keyboardModifiers());
    };
    // Typing straight after start-up does not reach the total.
    QCOMPARE(QApplication::focusWidget(), ledger->lst);
    QTest::keyClicks(ledger->lst, QStringLiteral("50"));
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0"));

    type(Qt::Key_Insert);
    QTRY_VERIFY(set.form2() && QApplication::activeWindow() == set.form2());
    for (const char *key : {"Tab", "1", "2", "Return"}) // from income to the units
        type(QKeySequence::fromString(QLatin1String(key)));
    QCOMPARE(ledger->lst->count(), 1);
    QVERIFY(ledger->lst->item(0)->text().contains(QStringLiteral("+12,00")));
    QVERIFY(!set.form2()->isVisible());

    // From another window, as from the ledger window; Escape closes.
    const QList<QPair<const char *, std::function<QWidget *()>>> keys = {
        {"Ctrl+Shift+S", [&set]() -> QWidget * { return set.guardarWindow(); }},
        {"F1", [&set]() -> QWidget * { return set.form3(); }},
    };
    for (const auto &[key, window] : keys) {
        type(QKeySequence(QStringLiteral("Ctrl+O")));
        QTRY_COMPARE(QApplication::activeWindow(), set.abrirWindow());
        type(QKeySequence(QLatin1String(key)));
        QTRY_VERIFY(window() && QApplication::activeWindow() == window());
        type(Qt::Key_Escape);
        QTRY_VERIFY2(!window() || !window()->isVisible(), key);
        ledger->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ledger));
    }
    // Enter in the save dialog is its Guardar.
    type(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QTRY_COMPARE(QApplication::activeWindow(), set.guardarWindow());
    QCOMPARE(testsupport::answerMessages([&] { type(Qt::Key_Enter); }).size(), 1);

    // Delete takes the selected line away.
    ledger->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ledger));
    ledger->lst->setFocus();
    ledger->lst->setCurrentRow(0);
    type(Qt::Key_Delete);
    QCOMPARE(ledger->lst->count(), 0);
}

TESORILA_TEST_MAIN(TestLedgerWindow)
#include "tst_ledger_window.moc"

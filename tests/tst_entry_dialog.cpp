// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "app/window_set.h"
#include "model/clock.h"
#include "ui/entry_list.h"
#include "ui/form2.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace {
const QColor kGreen(0, 128, 0);
const QColor kDarkRed(192, 0, 0);
const QString kEuro = QString(QChar(0x20AC));

} // namespace

class TestEntryDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void loadStep();
    void accept_data();
    void accept();
    void colourSequence();
    void englishLocale();
    void neitherOptionIsAnExpense();
    void stateAfterAcceptAndCancel();
    void missingUnits();
    void refusals_data();
    void refusals();
    void fullList();
    void unitsKeyFilter();
    void separatorGoesToCents_data();
    void separatorGoesToCents();
    void centsBoxHasNoFilter();
    void centsBoxSelectsOnFocus();
    void focusOrder();
    void closeBoxLeavesLedger();
    void modelessLedgerStaysUsable();

private:
    Form2 *open();
    void fill(bool income, const QString &units, const QString &cents, const QString &source,
              const QString &date = QStringLiteral("08/12/2026"));
    Form1 *ledger = nullptr;
};

void TestEntryDialog::init() {
    WindowSet::instance().destroyAll();
    ledger = WindowSet::instance().showForm1();
}

void TestEntryDialog::cleanup() {
    WindowSet::instance().destroyAll();
}

Form2 *TestEntryDialog::open() {
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    Q_ASSERT(dialog && dialog->isVisible());
    return dialog;
}

void TestEntryDialog::fill(bool income, const QString &units, const QString &cents, const QString &source,
                           const QString &date) {
    Form2 *dialog = open();
    (income ? dialog->opt1 : dialog->opt2)->setChecked(true);
    dialog->txt1->setText(units);
    dialog->cd->setText(cents);
    dialog->txt2->setText(source);
    dialog->txt3->setText(date);
}

void TestEntryDialog::loadStep() {
    Form2 *dialog = open();
    QCOMPARE(dialog->txt1->text(), QString());
    QCOMPARE(dialog->txt2->text(), QString());
    QCOMPARE(dialog->cd->text(), QStringLiteral("00"));
    QCOMPARE(dialog->cd->maxLength(), 2);
    QCOMPARE(dialog->txt3->text(), clocktext::today());
    // A new dialog starts with income chosen.
    QVERIFY(dialog->opt1->isChecked());
    QVERIFY(!dialog->opt2->isChecked());
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget *>(dialog->opt1));
}

void TestEntryDialog::accept_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("income");
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("cents");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("newTotal");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<QString>("centsAfter");

    const QString d = QStringLiteral("08/12/2026\t\t");
    QTest::newRow("lone cent digit is tenths")
        << "0" << true << "12"
        << "5"
        << "Nómina" << d + "+12,50" + kEuro + "\t\tNómina" << 1250 << "12,5" << kGreen << "50";
    QTest::newRow("05 is five cents")
        << "0" << true << "1"
        << "05"
        << "x" << d + "+1,05" + kEuro + "\t\tx" << 105 << "1,05" << kGreen << "05";
    QTest::newRow("lone zero") << "0" << true << "3"
                               << "0"
                               << "x" << d + "+3,00" + kEuro + "\t\tx" << 300 << "3" << kGreen << "00";
    QTest::newRow("empty cents") << "0" << true << "3"
                                 << ""
                                 << "x" << d + "+3,00" + kEuro + "\t\tx" << 300 << "3" << kGreen << "00";
    QTest::newRow("99 kept") << "0" << true << "0"
                             << "99"
                             << "x" << d + "+0,99" + kEuro + "\t\tx" << 99 << "0,99" << kGreen << "99";
    QTest::newRow("expense") << "10" << false << "12"
                             << "50"
                             << "Luz" << d + "-12,50" + kEuro + "\t\tLuz" << -1250 << "-2,5" << kDarkRed
                             << "50";
    QTest::newRow("zero amount keeps total")
        << "7" << true << "0"
        << "00"
        << "x" << d + "+0,00" + kEuro + "\t\tx" << 0 << "7" << kGreen << "00";
    QTest::newRow("small expense") << "0" << false << "0"
                                   << "45"
                                   << "x" << d + "-0,45" + kEuro + "\t\tx" << -45 << "-0,45" << kDarkRed
                                   << "45";
    QTest::newRow("leading zeros as typed")
        << "0" << true << "007"
        << "45"
        << "x" << d + "+007,45" + kEuro + "\t\tx" << 745 << "7,45" << kGreen << "45";
    QTest::newRow("empty source ends with two tabs")
        << "0" << true << "1"
        << "00"
        << "" << d + "+1,00" + kEuro + "\t\t" << 100 << "1" << kGreen << "00";
    QTest::newRow("typed total") << "100,25" << true << "0"
                                 << "75"
                                 << "x" << d + "+0,75" + kEuro + "\t\tx" << 75 << "101" << kGreen << "75";
    QTest::newRow("largest amount") << "0" << true << "21474836"
                                    << "47"
                                    << "x" << d + "+21474836,47" + kEuro + "\t\tx" << 2147483647
                                    << "21474836,47" << kGreen << "47";
    QTest::newRow("result exactly zero is dark red")
        << "10" << false << "10"
        << "00"
        << "x" << d + "-10,00" + kEuro + "\t\tx" << -1000 << "0" << kDarkRed << "00";
}

void TestEntryDialog::accept() {
    QFETCH(QString, total);
    QFETCH(bool, income);
    QFETCH(QString, units);
    QFETCH(QString, cents);
    QFETCH(QString, source);
    QFETCH(QString, line);
    QFETCH(int, stored);
    QFETCH(QString, newTotal);
    QFETCH(QColor, colour);
    QFETCH(QString, centsAfter);

    ledger->txtt->setText(total);
    entrylist::append(ledger->lst, QStringLiteral("earlier"), 1);
    fill(income, units, cents, source);
    Form2 *dialog = WindowSet::instance().form2();
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });
    QVERIFY(seen.isEmpty());
    QCOMPARE(ledger->lst->count(), 2);
    QCOMPARE(ledger->lst->item(1)->text(), line);
    QCOMPARE(entrylist::cents(ledger->lst, 1), stored);
    QCOMPARE(ledger->txtt->text(), newTotal);
    QCOMPARE(ledger->totalColour(), colour);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->cd->text(), centsAfter);
}

void TestEntryDialog::colourSequence() {
    // Income 10 on a total of "0" gives 10 in green; an expense of 10 then
    // gives 0 in dark red: the closing rule runs after the change rule.
    fill(true, QStringLiteral("10"), QStringLiteral("00"), QStringLiteral("a"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("10"));
    QCOMPARE(ledger->totalColour(), kGreen);
    fill(false, QStringLiteral("10"), QStringLiteral("00"), QStringLiteral("b"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0"));
    QCOMPARE(ledger->totalColour(), kDarkRed);
    // Adding a zero amount to a zero total: the change rule alone would
    // leave it green.
    ledger->txtt->setText(QStringLiteral("1"));
    ledger->txtt->setText(QStringLiteral("0"));
    QCOMPARE(ledger->totalColour(), kGreen);
    fill(true, QStringLiteral("0"), QStringLiteral("00"), QStringLiteral("c"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->totalColour(), kDarkRed);
}

void TestEntryDialog::englishLocale() {
    // The total follows the locale's number text; the line keeps its comma.
    testsupport::LocaleScope english(QStringLiteral("en_US"));
    ledger->txtt->setText(QStringLiteral("1.25"));
    fill(true, QStringLiteral("12"), QStringLiteral("5"), QStringLiteral("Pan"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("13.75"));
    QCOMPARE(ledger->totalColour(), kGreen);
    QCOMPARE(ledger->lst->item(0)->text(),
             QStringLiteral("08/12/2026\t\t+12,50") + kEuro + QStringLiteral("\t\tPan"));
    fill(false, QStringLiteral("0"), QStringLiteral("75"), QStringLiteral("Sal"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("13"));
    // Deleting the income takes off exactly what it added.
    ledger->lst->setCurrentRow(0);
    testsupport::click(ledger->Image2);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0.5"));
    QCOMPARE(ledger->totalColour(), kGreen);
    // A total in the Spanish form is no number here: the add is refused.
    ledger->txtt->setText(QStringLiteral("0,5"));
    fill(true, QStringLiteral("1"), QStringLiteral("00"), QStringLiteral("x"));
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([] { testsupport::click(WindowSet::instance().form2()->Image3); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(ledger->lst->count(), 1);
}

void TestEntryDialog::neitherOptionIsAnExpense() {
    Form2 *dialog = open();
    dialog->opt1->setAutoExclusive(false);
    dialog->opt1->setChecked(false);
    dialog->opt1->setAutoExclusive(true);
    QVERIFY(!dialog->opt1->isChecked() && !dialog->opt2->isChecked());
    dialog->txt1->setText(QStringLiteral("2"));
    testsupport::click(dialog->Image3);
    QCOMPARE(entrylist::cents(ledger->lst, 0), -200);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("-2"));
}

void TestEntryDialog::stateAfterAcceptAndCancel() {
    Form2 *dialog = open();
    dialog->opt2->setChecked(true);
    dialog->txt1->setText(QStringLiteral("4"));
    dialog->cd->setText(QStringLiteral("3"));
    dialog->txt2->setText(QStringLiteral("Pan"));
    dialog->txt3->setText(QStringLiteral("ayer"));
    testsupport::click(dialog->Image3);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ledger->lst->item(0)->text(),
             QStringLiteral("ayer\t\t-4,30") + kEuro + QStringLiteral("\t\tPan"));

    QCOMPARE(open(), dialog); // the same dialog, shown again
    QCOMPARE(dialog->txt1->text(), QString());
    QCOMPARE(dialog->txt2->text(), QString());
    QCOMPARE(dialog->txt3->text(), clocktext::today());
    QCOMPARE(dialog->cd->text(), QStringLiteral("30"));
    QVERIFY(dialog->opt2->isChecked());

    dialog->txt1->setText(QStringLiteral("9"));
    dialog->txt2->setText(QStringLiteral("x"));
    dialog->txt3->setText(QStringLiteral("y"));
    const QStringList before = testsupport::ledgerState(ledger);
    testsupport::click(dialog->Image4);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(testsupport::ledgerState(ledger), before);
    open();
    QCOMPARE(dialog->txt1->text(), QString());
    QCOMPARE(dialog->txt2->text(), QString());
    QCOMPARE(dialog->txt3->text(), clocktext::today());
    QCOMPARE(dialog->cd->text(), QStringLiteral("00"));
    QVERIFY(dialog->opt2->isChecked());
}

void TestEntryDialog::missingUnits() {
    fill(true, QString(), QStringLiteral("7"), QStringLiteral("x"));
    Form2 *dialog = WindowSet::instance().form2();
    const QStringList before = testsupport::ledgerState(ledger);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].text, QStringLiteral("Debe introducir una cantidad de dinero"));
    QCOMPARE(seen[0].title, QStringLiteral("Introduzca la cantidad"));
    QCOMPARE(seen[0].icon, 0);
    QVERIFY(seen[0].okButton);
    QVERIFY(seen[0].modal);
    QCOMPARE(dialog->cd->text(), QStringLiteral("70"));
    QCOMPARE(dialog->txt2->text(), QStringLiteral("x"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(testsupport::ledgerState(ledger), before);
}

void TestEntryDialog::refusals_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("cents");
    QTest::addColumn<QString>("title");

    QTest::newRow("pasted letters in units") << "5"
                                             << "12a"
                                             << "00"
                                             << "Cantidad incorrecta";
    QTest::newRow("pasted sign in units") << "5"
                                          << "-3"
                                          << "00"
                                          << "Cantidad incorrecta";
    QTest::newRow("pasted blanks in units") << "5"
                                            << " 3"
                                            << "00"
                                            << "Cantidad incorrecta";
    QTest::newRow("letters in cents") << "5"
                                      << "3"
                                      << "ab"
                                      << "Cantidad incorrecta";
    QTest::newRow("one letter in cents") << "5"
                                         << "3"
                                         << "a"
                                         << "Cantidad incorrecta";
    QTest::newRow("sign in cents") << "5"
                                   << "3"
                                   << "-1"
                                   << "Cantidad incorrecta";
    QTest::newRow("past 32 bits") << "5"
                                  << "21474836"
                                  << "48"
                                  << "Cantidad demasiado grande";
    QTest::newRow("far past 32 bits") << "5"
                                      << "99999999999999999999"
                                      << "00"
                                      << "Cantidad demasiado grande";
    QTest::newRow("total of letters") << "abc"
                                      << "3"
                                      << "00"
                                      << "Total incorrecto";
    QTest::newRow("total of a lone blank") << " "
                                           << "3"
                                           << "00"
                                           << "Total incorrecto";
    QTest::newRow("total past a double") << "1e999"
                                         << "3"
                                         << "00"
                                         << "Total incorrecto";
}

void TestEntryDialog::refusals() {
    QFETCH(QString, total);
    QFETCH(QString, units);
    QFETCH(QString, cents);
    QFETCH(QString, title);
    entrylist::append(ledger->lst, QStringLiteral("earlier"), 500);
    ledger->txtt->setText(total);
    fill(true, units, cents, QStringLiteral("x"));
    Form2 *dialog = WindowSet::instance().form2();
    const QStringList before = testsupport::ledgerState(ledger);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, title);
    QVERIFY(!seen[0].text.isEmpty());
    QCOMPARE(seen[0].icon, 0);
    QVERIFY(seen[0].okButton);
    QCOMPARE(testsupport::ledgerState(ledger), before);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->txt1->text(), units);
}

void TestEntryDialog::fullList() {
    ledger->lst->setUpdatesEnabled(false);
    for (int i = 0; i < entrylist::kMaxLines; ++i)
        entrylist::append(ledger->lst, QStringLiteral("l"), 1);
    ledger->lst->setUpdatesEnabled(true);
    ledger->txtt->setText(QStringLiteral("327,67"));
    fill(true, QStringLiteral("1"), QStringLiteral("00"), QStringLiteral("x"));
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(WindowSet::instance().form2()->Image3); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, QStringLiteral("Lista completa"));
    QCOMPARE(ledger->lst->count(), entrylist::kMaxLines);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("327,67"));

    // One line fewer and the entry goes in.
    delete ledger->lst->takeItem(0);
    testsupport::click(WindowSet::instance().form2()->Image3);
    QCOMPARE(ledger->lst->count(), entrylist::kMaxLines);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("328,67"));
}

void TestEntryDialog::unitsKeyFilter() {
    Form2 *dialog = open();
    dialog->txt1->setFocus();
    QTest::keyClicks(dialog->txt1, QStringLiteral("a1-23 4x"));
    // Digits of other scripts are refused too.
    QTest::sendKeyEvent(QTest::Click, dialog->txt1, Qt::Key_unknown, QString(QChar(0x0661)), Qt::NoModifier);
    QTest::keyClick(dialog->txt1, Qt::Key_Return);
    QTest::keyClick(dialog->txt1, Qt::Key_Enter);
    QTest::keyClick(dialog->txt1, Qt::Key_Escape);
    QCOMPARE(dialog->txt1->text(), QStringLiteral("1234"));
    QTest::keyClick(dialog->txt1, Qt::Key_Backspace);
    QCOMPARE(dialog->txt1->text(), QStringLiteral("123"));
    // Keys that type nothing still work: moving and deleting.
    QTest::keyClick(dialog->txt1, Qt::Key_Home);
    QTest::keyClick(dialog->txt1, Qt::Key_Delete);
    QCOMPARE(dialog->txt1->text(), QStringLiteral("23"));
    QTest::keyClicks(dialog->txt1, QStringLiteral("9"));
    QCOMPARE(dialog->txt1->text(), QStringLiteral("923"));
}

void TestEntryDialog::separatorGoesToCents_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("amount");
    QTest::newRow("es") << "es_ES"
                        << "1.234,56"
                        << "+1234,56";
    QTest::newRow("en") << "en_US"
                        << "1,234.56"
                        << "+1234,56";
    QTest::newRow("en, the comma drawn") << "en_US"
                                         << "12,50"
                                         << "+12,50";
}

// Typed as a user types: each key to the field that has the focus.
void TestEntryDialog::separatorGoesToCents() {
    QFETCH(QString, locale);
    QFETCH(QString, typed);
    QFETCH(QString, amount);
    testsupport::LocaleScope scope(locale);
    Form2 *dialog = open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->txt1->setFocus();
    for (const QChar c : typed)
        QTest::keyClicks(QApplication::focusWidget(), QString(c));
    // The editing keys act in the units box.
    const QString units = dialog->txt1->text();
    dialog->txt1->setFocus();
    QTest::keyClick(dialog->txt1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(dialog->txt1, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(dialog->txt1->text(), QString());
    QTest::keyClick(dialog->txt1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(dialog->txt1->text(), units);
    QTest::keyClick(dialog->txt1, Qt::Key_Return);
    QCOMPARE(ledger->lst->item(0)->text().section(QLatin1Char('\t'), 2, 2), amount + kEuro);
}

void TestEntryDialog::centsBoxHasNoFilter() {
    Form2 *dialog = open();
    dialog->cd->setFocus();
    dialog->cd->selectAll();
    QTest::keyClicks(dialog->cd, QStringLiteral("abc"));
    QCOMPARE(dialog->cd->text(), QStringLiteral("ab"));
    dialog->cd->setText(QStringLiteral("12345"));
    QCOMPARE(dialog->cd->text(), QStringLiteral("12"));
}

void TestEntryDialog::centsBoxSelectsOnFocus() {
    // However the cents box gets the focus, typing replaces what it holds,
    // the last entry's cents included.
    fill(false, QStringLiteral("7"), QStringLiteral("30"), QStringLiteral("x"));
    testsupport::click(WindowSet::instance().form2()->Image3);
    Form2 *dialog = open();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(dialog->cd->text(), QStringLiteral("30"));
    dialog->txt1->setFocus();
    QTest::keyClicks(dialog->txt1, QStringLiteral("7"));
    testsupport::click(dialog->cd);
    QTest::keyClicks(dialog->cd, QStringLiteral("80"));
    QCOMPARE(dialog->cd->text(), QStringLiteral("80"));
    dialog->txt3->setFocus();
    QTest::keyClick(dialog->txt3, Qt::Key_Tab);
    QTest::keyClicks(dialog->cd, QStringLiteral("5"));
    QCOMPARE(dialog->cd->text(), QStringLiteral("5"));
}

void TestEntryDialog::focusOrder() {
    Form2 *dialog = open();
    QList<QWidget *> order;
    QWidget *w = dialog->opt1;
    for (int i = 0; i < 6; ++i) {
        order << w;
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus || !w->isVisible())
            w = w->nextInFocusChain();
    }
    const QList<QWidget *> expected{dialog->opt1, dialog->opt2, dialog->txt1,
                                    dialog->txt2, dialog->txt3, dialog->cd};
    QCOMPARE(order, expected);
    // An option button that receives the focus becomes selected.
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->opt1->setChecked(true);
    dialog->opt2->setFocus(Qt::TabFocusReason);
    QVERIFY(dialog->opt2->isChecked());
    QVERIFY(!dialog->opt1->isChecked());

    // Real Tab presses visit the option group once, at its selected button
    // (moving between the two options is the arrow keys' job), so tabbing
    // past the group never changes the kind of the entry.
    const auto tabs = [&](QWidget *from) {
        QList<QWidget *> visited;
        from->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        return visited;
    };
    QCOMPARE(tabs(dialog->opt2),
             (QList<QWidget *>{dialog->txt1, dialog->txt2, dialog->txt3, dialog->cd, dialog->opt2}));
    QVERIFY(dialog->opt2->isChecked());
    QTest::keyClick(dialog->opt2, Qt::Key_Up);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog->opt1));
    QVERIFY(dialog->opt1->isChecked());
    QCOMPARE(tabs(dialog->opt1),
             (QList<QWidget *>{dialog->txt1, dialog->txt2, dialog->txt3, dialog->cd, dialog->opt1}));
    QVERIFY(dialog->opt1->isChecked());
}

void TestEntryDialog::closeBoxLeavesLedger() {
    ledger->txtt->setText(QStringLiteral("3"));
    Form2 *dialog = open();
    dialog->txt1->setText(QStringLiteral("5"));
    dialog->opt2->setChecked(true);
    const QStringList before = testsupport::ledgerState(ledger);
    QPointer<Form2> old = dialog;
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(old.isNull());
    QCOMPARE(testsupport::ledgerState(ledger), before);
    // Shown again, it is a new dialog that has run its load step.
    Form2 *fresh = open();
    QCOMPARE(fresh->txt1->text(), QString());
    QCOMPARE(fresh->cd->text(), QStringLiteral("00"));
    QVERIFY(fresh->opt1->isChecked());
}

void TestEntryDialog::modelessLedgerStaysUsable() {
    entrylist::append(ledger->lst, QStringLiteral("a"), 100);
    ledger->txtt->setText(QStringLiteral("1"));
    Form2 *dialog = open();
    QVERIFY(!dialog->isModal());
    // While the dialog is open the user deletes a line in the ledger window;
    // the dialog reads the list and the total only when it accepts.
    ledger->lst->setCurrentRow(0);
    testsupport::click(ledger->Image2);
    QCOMPARE(ledger->lst->count(), 0);
    dialog->txt1->setText(QStringLiteral("2"));
    testsupport::click(dialog->Image3);
    QCOMPARE(ledger->lst->count(), 1);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("2"));
}

TESORILA_TEST_MAIN(TestEntryDialog)
#include "tst_entry_dialog.moc"

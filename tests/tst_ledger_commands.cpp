// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "app/window_set.h"
#include "model/account_session.h"
#include "model/clock.h"
#include "model/entry_text.h"
#include "ui/account_dialog.h"
#include "ui/entry_list.h"
#include "ui/find_window.h"
#include "ui/form2.h"
#include "ui/import_window.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QColor kGreen(0, 128, 0);
const QColor kDarkRed(192, 0, 0);

// An entry line as the add-entry dialog makes it, with its amount.
void addLine(Form1 *ledger, qint32 cents) {
    const qint32 magnitude = cents < 0 ? -cents : cents;
    const QString units = QString::number(magnitude / 100);
    const QString centsText = QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
    entrylist::append(
        ledger->lst,
        entrytext::displayText(QStringLiteral("1/1/26"), cents >= 0, units, centsText, QStringLiteral("x")),
        cents);
}

// Adds an entry through the entry dialog.
void addTyped(Form1 *ledger, bool income, const QString &units, const QString &cents, const QString &source) {
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    QVERIFY(dialog && dialog->isVisible());
    (income ? dialog->opt1 : dialog->opt2)->setChecked(true);
    dialog->txt1->setText(units);
    dialog->cd->setText(cents);
    dialog->txt2->setText(source);
    dialog->txt3->setText(QStringLiteral("1/1/26"));
    testsupport::click(dialog->Image3);
}

// The ledger as the user sees it, and the selected line.
QStringList seenState(const Form1 *ledger) {
    return testsupport::ledgerState(ledger) << QStringLiteral("selected: %1").arg(ledger->selectedIndex());
}

QString menuText(Form1 *ledger, const QString &start) {
    QMenu menu;
    ledger->fillListMenu(menu);
    for (const QAction *action : menu.actions()) {
        if (action->text().startsWith(start))
            return action->isEnabled() ? action->text() : QStringLiteral("(off) ") + action->text();
    }
    return {};
}

// The ledger window active, the list with the focus, for its keys.
void activate(Form1 *ledger) {
    ledger->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    ledger->lst->setFocus();
}

void selectRow(Form1 *ledger, int row) {
    ledger->lst->doItemsLayout();
    const QRect rect = ledger->lst->visualItemRect(ledger->lst->item(row));
    QTest::mouseClick(ledger->lst->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}
} // namespace

class TestLedgerCommands : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deleteSequences_data();
    void deleteSequences();
    void deleteWithNothingSelected_data();
    void deleteWithNothingSelected();
    void deleteTakesOffTheLinesAmount();
    void deleteFromTypedTotal();
    void deleteWithTotalNotANumber();
    void addThenDeleteRestoresTotal();
    void newLedger();
    void correctAnEntry();
    void undoSteps_data();
    void undoSteps();
    void exitEndsApplication();
    void unsavedChangesAsked_data();
    void unsavedChangesAsked();
    void findThroughItsWindow();
    void exportThroughTheDialog_data();
    void exportThroughTheDialog();
    void importMovements();

private:
    Form1 *ledger = nullptr;
};

void TestLedgerCommands::init() {
    WindowSet::instance().destroyAll();
    ledger = WindowSet::instance().showForm1();
}

void TestLedgerCommands::cleanup() {
    WindowSet::instance().destroyAll();
}

void TestLedgerCommands::deleteSequences_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QList<int>>("deleteRows");
    QTest::addColumn<QStringList>("totals");
    QTest::addColumn<QList<QColor>>("colours");

    QTest::newRow("only line leaves dark red zero")
        << "12,5" << QList<int>{1250} << QList<int>{0} << QStringList{"0"} << QList<QColor>{kDarkRed};
    QTest::newRow("two lines") << "30" << QList<int>{1000, 2000} << QList<int>{0, 0} << QStringList{"20", "0"}
                               << QList<QColor>{kGreen, kDarkRed};
    QTest::newRow("expense first") << "0" << QList<int>{500, -500} << QList<int>{1} << QStringList{"5"}
                                   << QList<QColor>{kGreen};
    QTest::newRow("income first") << "0" << QList<int>{500, -500} << QList<int>{0} << QStringList{"-5"}
                                  << QList<QColor>{kDarkRed};
    QTest::newRow("zero remains red after a zero amount")
        << "0" << QList<int>{0, 0} << QList<int>{0} << QStringList{"0"} << QList<QColor>{kDarkRed};
    // The last line always leaves "0", whatever the total said.
    QTest::newRow("last line overrides the sum")
        << "99" << QList<int>{100} << QList<int>{0} << QStringList{"0"} << QList<QColor>{kDarkRed};
}

void TestLedgerCommands::deleteSequences() {
    QFETCH(QString, total);
    QFETCH(QList<int>, lines);
    QFETCH(QList<int>, deleteRows);
    QFETCH(QStringList, totals);
    QFETCH(QList<QColor>, colours);

    for (int cents : lines)
        addLine(ledger, cents);
    ledger->txtt->setText(total);
    QStringList remaining;
    for (int i = 0; i < ledger->lst->count(); ++i)
        remaining << ledger->lst->item(i)->text();

    for (int step = 0; step < deleteRows.size(); ++step) {
        selectRow(ledger, deleteRows[step]);
        QCOMPARE(ledger->selectedIndex(), deleteRows[step]);
        const QList<testsupport::SeenMessage> seen =
            testsupport::answerMessages([&] { testsupport::click(ledger->Image2); });
        QVERIFY(seen.isEmpty());
        remaining.removeAt(deleteRows[step]);
        QCOMPARE(ledger->txtt->text(), totals[step]);
        QCOMPARE(ledger->totalColour(), colours[step]);
        QCOMPARE(ledger->selectedIndex(), -1);
        QStringList now;
        for (int i = 0; i < ledger->lst->count(); ++i)
            now << ledger->lst->item(i)->text();
        QCOMPARE(now, remaining);
    }
}

void TestLedgerCommands::deleteWithNothingSelected_data() {
    QTest::addColumn<QString>("total");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("green zero turns dark red") << "0" << kDarkRed;
    QTest::newRow("positive stays green") << "4" << kGreen;
    QTest::newRow("negative stays dark red") << "-4" << kDarkRed;
}

void TestLedgerCommands::deleteWithNothingSelected() {
    QFETCH(QString, total);
    QFETCH(QColor, colour);
    addLine(ledger, 100);
    ledger->txtt->setText(QStringLiteral("1"));
    ledger->txtt->setText(total);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(ledger->Image2); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].text, QStringLiteral("Debe de seleccionar primero el registro que desea eliminar"));
    QCOMPARE(seen[0].title, QStringLiteral("Seleccione un registro"));
    QCOMPARE(seen[0].icon, 0);
    QVERIFY(seen[0].okButton);
    QCOMPARE(ledger->lst->count(), 1);
    QCOMPARE(ledger->txtt->text(), total);
    QCOMPARE(ledger->totalColour(), colour);
}

void TestLedgerCommands::deleteTakesOffTheLinesAmount() {
    addLine(ledger, -1250);
    addLine(ledger, 300);
    ledger->txtt->setText(QStringLiteral("-9,5"));
    selectRow(ledger, 0);
    testsupport::click(ledger->Image2);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("3"));
    QCOMPARE(ledger->totalColour(), kGreen);
    QCOMPARE(ledger->lst->count(), 1);
    QCOMPARE(ledger->lst->item(0)->text(), QStringLiteral("1/1/26\t\t+3,00\u20AC\t\tx"));
}

void TestLedgerCommands::deleteFromTypedTotal() {
    addLine(ledger, 1000);
    addLine(ledger, 250);
    ledger->txtt->setFocus();
    ledger->txtt->selectAll();
    QTest::keyClicks(ledger->txtt, QStringLiteral("100"));
    selectRow(ledger, 1);
    testsupport::click(ledger->Image2);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("97,5"));
    QCOMPARE(ledger->totalColour(), kGreen);
}

void TestLedgerCommands::deleteWithTotalNotANumber() {
    addLine(ledger, 1000);
    addLine(ledger, 250);
    ledger->txtt->setText(QStringLiteral("12"));
    ledger->txtt->setText(QStringLiteral("doce"));
    selectRow(ledger, 0);
    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(ledger->Image2); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0].title, QStringLiteral("Total incorrecto"));
    QCOMPARE(ledger->lst->count(), 2);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("doce"));
    QCOMPARE(ledger->totalColour(), QColor(Qt::black));
}

void TestLedgerCommands::addThenDeleteRestoresTotal() {
    // Deleting takes off exactly the amount that adding put on, however the
    // binary fractions fall.
    const QList<int> amounts{10, 20, 1, 99, 745, -45, 2147483647, -1250, 7, 333333};
    for (const char *start : {"0", "0,1", "-3,3", "1000000,01"}) {
        ledger->lst->clear();
        ledger->txtt->setText(QLatin1String(start));
        for (int cents : amounts) {
            const QString before = ledger->txtt->text();
            addLine(ledger, 1); // so that the line deleted is never the only one
            // Add through the real dialog, then delete the line it made.
            testsupport::click(ledger->Image1);
            auto *dialog = WindowSet::instance().form2();
            QVERIFY(dialog);
            dialog->findChild<QWidget *>(cents >= 0 ? QStringLiteral("opt1") : QStringLiteral("opt2"))
                ->setProperty("checked", true);
            const int magnitude = cents < 0 ? -cents : cents;
            dialog->findChild<QLineEdit *>(QStringLiteral("txt1"))->setText(QString::number(magnitude / 100));
            dialog->findChild<QLineEdit *>(QStringLiteral("cd"))
                ->setText(QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0')));
            testsupport::click(dialog->findChild<QWidget *>(QStringLiteral("Image3")));
            QCOMPARE(entrylist::cents(ledger->lst, ledger->lst->count() - 1), cents);
            selectRow(ledger, ledger->lst->count() - 1);
            testsupport::click(ledger->Image2);
            QCOMPARE(ledger->txtt->text(), before);
        }
    }
}

void TestLedgerCommands::newLedger() {
    ledger->setWindowTitle(Form1::accountCaption(QStringLiteral("ana")));
    ledger->user1->setText(QStringLiteral("ana"));
    ledger->pass1->setText(QStringLiteral("1234"));
    addLine(ledger, 100);
    addLine(ledger, -300);
    ledger->txtt->setText(QStringLiteral("-2"));
    QCOMPARE(testsupport::answerMessages([this] { testsupport::click(ledger->Image7); }, "Descartar").size(),
             1);
    QCOMPARE(ledger->windowTitle(), Form1::noUserCaption());
    QCOMPARE(ledger->lst->count(), 0);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0"));
    QCOMPARE(ledger->totalColour(), kGreen);
    QCOMPARE(ledger->user1->text(), QStringLiteral("ana"));
    QCOMPARE(ledger->pass1->text(), QStringLiteral("1234"));

    // A dark red "0" left by a delete turns green as well.
    addLine(ledger, 100);
    ledger->txtt->setText(QStringLiteral("1"));
    selectRow(ledger, 0);
    testsupport::click(ledger->Image2);
    QCOMPARE(ledger->totalColour(), kDarkRed);
    testsupport::answerMessages([this] { testsupport::click(ledger->Image7); }, "Descartar");
    QCOMPARE(ledger->totalColour(), kGreen);
}

// F2, Enter or a double click open the entry dialog on the line; accepting
// puts the corrected line in its place and moves the total by the
// difference. A line of another layout is refused.
void TestLedgerCommands::correctAnEntry() {
    activate(ledger);
    addTyped(ledger, true, "1500", "00", "Nómina");
    addTyped(ledger, false, "45", "30", "Luz");
    entrylist::appendAll(ledger->lst, {QStringLiteral("escrito a mano")});
    Form2 *dialog = WindowSet::instance().form2();
    const QString euro(QChar(0x20AC));
    for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
        activate(ledger);
        selectRow(ledger, 1);
        QTest::keyClick(ledger->lst, key);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Modificar Dato"));
        QCOMPARE(QStringList({dialog->opt2->isChecked() ? "gasto" : "ingreso", dialog->txt1->text(),
                              dialog->cd->text(), dialog->txt2->text(), dialog->txt3->text()}),
                 QStringList({"gasto", "45", "30", "Luz", "1/1/26"}));
        if (key == Qt::Key_F2) { // Cancelar changes nothing
            const QStringList before = seenState(ledger);
            QTest::keyClick(dialog->txt1, Qt::Key_Escape);
            QCOMPARE(seenState(ledger), before);
        }
    }
    dialog->opt1->setChecked(true);
    dialog->txt1->setText(QStringLiteral("4500"));
    QVERIFY(testsupport::answerMessages([&] { testsupport::click(dialog->Image3); }).isEmpty());
    QCOMPARE(seenState(ledger),
             QStringList({QStringLiteral("line 0: 1/1/26\t\t+1500,00%1\t\tNómina (150000 cents)").arg(euro),
                          QStringLiteral("line 1: 1/1/26\t\t+4500,30%1\t\tLuz (450030 cents)").arg(euro),
                          QStringLiteral("line 2: escrito a mano (0 cents)"),
                          QStringLiteral("total: 6000,3 in %1").arg(kGreen.name()),
                          QStringLiteral("caption: ") + Form1::noUserCaption(),
                          QStringLiteral("account: Text2 Text2"), QStringLiteral("selected: 1")}));
    // Adding afterwards starts from what the boxes held for adding.
    activate(ledger);
    QTest::keyClick(ledger->lst, Qt::Key_Insert);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Agregar Dato"));
    QCOMPARE(dialog->txt1->text(), QString());
    testsupport::click(dialog->Image4);

    const QStringList before = seenState(ledger);
    selectRow(ledger, 2);
    const QList<testsupport::SeenMessage> seen = testsupport::answerMessages([&] {
        QTest::mouseDClick(ledger->lst->viewport(), Qt::LeftButton, Qt::NoModifier,
                           ledger->lst->visualItemRect(ledger->lst->item(2)).center());
    });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().title, QStringLiteral("Registro no modificable"));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(testsupport::ledgerState(ledger), before.mid(0, before.size() - 1));
}

void TestLedgerCommands::undoSteps_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");
    QTest::newRow("add") << "add"
                         << "añadir «Pan»";
    QTest::newRow("delete") << "delete"
                            << "eliminar «Luz»";
    QTest::newRow("correct") << "correct"
                             << "modificar «Luz»";
    QTest::newRow("new ledger") << "new"
                                << "libro nuevo";
    QTest::newRow("typed total") << "type"
                                 << "cambiar el total";
}

// Each step undone gives back the lines, their amounts, the total and its
// colour, the selection and the account; done again, what it made. Undone
// back to what was saved, nothing is unsaved.
void TestLedgerCommands::undoSteps() {
    QFETCH(QString, command);
    QFETCH(QString, name);
    addTyped(ledger, true, "1500", "00", "Nómina");
    addTyped(ledger, false, "45", "3", "Luz");
    ledger->useAccount(account::Session(QStringLiteral("ana"), QStringLiteral("1234")));
    ledger->markSaved();
    activate(ledger);
    selectRow(ledger, 1);
    const QStringList before = seenState(ledger);
    QCOMPARE(menuText(ledger, "Rehacer"), QStringLiteral("(off) Rehacer"));
    if (command == "add") {
        addTyped(ledger, false, "12", "50", "Pan");
    } else if (command == "delete") {
        QTest::keyClick(ledger->lst, Qt::Key_Delete);
    } else if (command == "correct") {
        QTest::keyClick(ledger->lst, Qt::Key_F2);
        WindowSet::instance().form2()->txt1->setText(QStringLiteral("145"));
        testsupport::click(WindowSet::instance().form2()->Image3);
    } else if (command == "new") {
        QVERIFY(testsupport::answerMessages([&] {
                    QTest::keyClick(ledger, Qt::Key_N, Qt::ControlModifier);
                }).isEmpty());
    } else {
        QTest::keyClicks(ledger->txtt, QStringLiteral("77"));
    }
    activate(ledger);
    const QStringList after = seenState(ledger);
    QVERIFY(after != before);
    QCOMPARE(menuText(ledger, "Deshacer"), QStringLiteral("Deshacer: ") + name);
    QTest::keyClick(ledger->lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(seenState(ledger), before);
    QVERIFY(!ledger->hasUnsavedChanges());
    QCOMPARE(menuText(ledger, "Rehacer"), QStringLiteral("Rehacer: ") + name);
    QTest::keyClick(ledger->lst, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(seenState(ledger), after);
    QTest::keyClick(ledger->lst, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(ledger->lst, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(seenState(ledger), after);
    QCOMPARE(ledger->hasUnsavedChanges(), command != "new"); // a new ledger holds nothing to lose
}

void TestLedgerCommands::exitEndsApplication() {
    WindowSet &set = WindowSet::instance();
    set.showForm3();
    addLine(ledger, 100);
    ledger->txtt->setText(QStringLiteral("1"));
    ledger->setWindowTitle(Form1::accountCaption(QStringLiteral("ana")));
    QPointer<Form1> window = ledger;
    // The list and the total are emptied before the window goes.
    int linesWhenHidden = -1;
    QString totalWhenHidden;
    class HideWatcher : public QObject {
    public:
        std::function<void()> onHide;
        bool eventFilter(QObject *, QEvent *event) override {
            if (event->type() == QEvent::Hide && onHide)
                onHide();
            return false;
        }
    } watcher;
    watcher.onHide = [&] {
        if (linesWhenHidden < 0 && window) {
            linesWhenHidden = window->lst->count();
            totalWhenHidden = window->txtt->text();
        }
    };
    ledger->installEventFilter(&watcher);
    QVERIFY(testsupport::endsApplication([this] {
        testsupport::answerMessages([this] { testsupport::click(ledger->Image8); }, "Descartar");
    }));
    QCOMPARE(linesWhenHidden, 0);
    QCOMPARE(totalWhenHidden, QStringLiteral("0"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
    QVERIFY(!set.form3());
    ledger = nullptr;
}

void TestLedgerCommands::unsavedChangesAsked_data() {
    QTest::addColumn<bool>("account"); // two lines saved under an account first
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("emptied"); // the command went on
    QTest::newRow("just saved") << true << ""
                                << "exit"
                                << "" << true;
    QTest::newRow("added, Escape") << false << "add"
                                   << "exit"
                                   << "Escape" << false;
    QTest::newRow("typed, Descartar") << true << "type"
                                      << "close"
                                      << "Descartar" << true;
    QTest::newRow("added, no account, Guardar") << false << "add"
                                                << "new"
                                                << "Guardar" << false;
    QTest::newRow("added and undone") << true << "undone"
                                      << "exit"
                                      << "" << true;
    QTest::newRow("deleted, Guardar") << true << "delete"
                                      << "new"
                                      << "Guardar" << true;
}

void TestLedgerCommands::unsavedChangesAsked() {
    QFETCH(bool, account);
    QFETCH(QString, change);
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(bool, emptied);
    WindowSet &set = WindowSet::instance();
    const QString user = QStringLiteral("ana%1").arg(qHash(QString::fromLatin1(QTest::currentDataTag())));
    auto signIn = [&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("user"))->setText(user);
        dialog->findChild<QLineEdit *>(QStringLiteral("pass"))->setText(QStringLiteral("4321"));
        testsupport::answerMessages(
            [dialog] { testsupport::click(dialog->findChild<QWidget *>(QStringLiteral("Image1"))); });
        ledger->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(ledger));
    };
    ledger->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    if (account) {
        addLine(ledger, 250);
        addLine(ledger, -100);
        signIn(set.showGuardar());
    }
    if (change == QLatin1String("add"))
        addLine(ledger, 100);
    if (change == QLatin1String("delete")) {
        selectRow(ledger, 0);
        QTest::keyClick(ledger->lst, Qt::Key_Delete);
    }
    if (change == QLatin1String("type"))
        QTest::keyClicks(ledger->txtt, QStringLiteral("7"));
    if (change == QLatin1String("undone")) {
        addTyped(ledger, true, "3", "00", "y");
        QTest::keyClick(ledger->lst, Qt::Key_Z, Qt::ControlModifier);
    }
    const int lines = ledger->lst->count();
    QPointer<Form1> window = ledger;
    const QList<testsupport::SeenMessage> seen = testsupport::answerMessages(
        [&] {
            if (command == QLatin1String("new"))
                QTest::keyClick(ledger, Qt::Key_N, Qt::ControlModifier);
            else if (command == QLatin1String("exit"))
                testsupport::click(ledger->Image8);
            else
                ledger->close();
        },
        answer);
    // A quick save confirms itself after the question.
    QCOMPARE(seen.size(), change.isEmpty() || change == "undone"          ? 0
                          : account && answer == QLatin1String("Guardar") ? 2
                                                                          : 1);
    if (!seen.isEmpty()) {
        QCOMPARE(seen.first().text,
                 QStringLiteral("Hay cambios sin guardar en este registro. ¿Desea guardarlos?"));
        QCOMPARE(seen.first().buttons.size(), 3);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(window.isNull() || window->lst->count() == 0, emptied);
    // Guardar without an account offers the save dialog and stops there.
    QCOMPARE(set.guardarWindow() && set.guardarWindow()->isVisible(), !account && answer == "Guardar");
    ledger = set.form1() ? set.form1() : set.showForm1();
    if (account && answer == QLatin1String("Guardar")) { // saved before the lines went
        signIn(set.showAbrir());
        QCOMPARE(ledger->lst->count(), lines);
    }
}

void TestLedgerCommands::findThroughItsWindow() {
    const QStringList sources = {"Nómina de enero", "Luz", "NOMINA febrero", "Agua", "nómina marzo"};
    for (const QString &source : sources)
        entrylist::append(ledger->lst, entrytext::displayText("1/1/26", true, "1", "00", source), 100);
    const QStringList lines = testsupport::ledgerState(ledger);
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    QTest::keyClick(ledger, Qt::Key_F, Qt::ControlModifier);
    buscar *find = WindowSet::instance().buscarWindow();
    QVERIFY(find && find->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(find));
    QTest::keyClicks(find->txt, "nomina");

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row;
        QString said;
    };
    for (const Step &step : {Step{Qt::Key_Return, {}, 0, "1 de 3"}, Step{Qt::Key_F3, {}, 2, "2 de 3"},
                             Step{Qt::Key_F3, {}, 4, "3 de 3"}, Step{Qt::Key_F3, {}, 0, "1 de 3"},
                             Step{Qt::Key_F3, Qt::ShiftModifier, 4, "3 de 3"},
                             Step{Qt::Key_F3, Qt::ShiftModifier, 2, "2 de 3"}}) {
        QTest::keyClick(find->txt, step.key, step.modifiers);
        QCOMPARE(ledger->selectedIndex(), step.row);
        QCOMPARE(find->Label2->text(), step.said);
    }
    find->txt->setText("gas");
    QTest::keyClick(find->txt, Qt::Key_F3);
    QCOMPARE(find->Label2->text(), QStringLiteral("No se ha encontrado «gas»"));
    QCOMPARE(ledger->selectedIndex(), 2);
    QCOMPARE(testsupport::ledgerState(ledger), lines);
    // Lines that come and go while the window is open are found where they are.
    entrylist::append(ledger->lst, entrytext::displayText("2/1/26", true, "1", "00", "Nomína abril"), 100);
    ledger->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger));
    selectRow(ledger, 0);
    QTest::keyClick(ledger->lst, Qt::Key_Delete);
    selectRow(ledger, 0);
    find->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(find));
    find->txt->setText("nomina");
    for (const Step &step : {Step{Qt::Key_F3, {}, 1, "1 de 3"}, Step{Qt::Key_F3, {}, 3, "2 de 3"},
                             Step{Qt::Key_F3, {}, 4, "3 de 3"}}) {
        QTest::keyClick(find->txt, step.key, step.modifiers);
        QCOMPARE(ledger->selectedIndex(), step.row);
        QCOMPARE(find->Label2->text(), step.said);
    }
}

void TestLedgerCommands::exportThroughTheDialog_data() {
    QTest::addColumn<bool>("folderInTheWay");
    QTest::newRow("written") << false;
    QTest::newRow("a folder at the chosen name") << true;
}

void TestLedgerCommands::exportThroughTheDialog() {
    QFETCH(bool, folderInTheWay);
    addLine(ledger, 1250);
    addLine(ledger, -45);
    QTemporaryDir folder;
    const QString path = folder.filePath("mi registro.csv");
    QString proposed;
    QMenu menu;
    ledger->fillListMenu(menu);
    QAction *command = nullptr;
    for (QAction *action : menu.actions())
        command = action->text() == QStringLiteral("Exportar…") ? action : command;
    QVERIFY(command);
    // In the second row a folder takes the name between the answer and the
    // writing.
    const QList<testsupport::SeenMessage> seen = testsupport::answerMessages([&] {
        testsupport::chooseFile([&] { command->trigger(); }, path,
                                [&](const QString &offered) {
                                    proposed = offered;
                                    if (folderInTheWay)
                                        QDir().mkdir(path);
                                });
    });

    QCOMPARE(QFileInfo(proposed).fileName(), "Sin Usuario " + clocktext::today().replace('/', '-') + ".csv");
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"mi registro.csv"});
    if (folderInTheWay) {
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().title, QStringLiteral("Exportar"));
        QCOMPARE(seen.first().text, "No se ha podido exportar el registro a " +
                                        QDir::toNativeSeparators(path) +
                                        ": hay una carpeta llamada mi registro.csv donde debería haber un "
                                        "archivo. No se ha escrito nada.");
        QVERIFY(QDir(path).isEmpty());
        return;
    }
    QVERIFY(seen.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                        "Fecha;Tipo;Importe;Procedencia;Saldo\r\n"
                                        "1/1/26;Ingreso;12,50;x;12,50\r\n1/1/26;Gasto;-0,45;x;12,05\r\n"));
}

// Ctrl+Shift+O: a bank statement chosen in the file dialog, its lines shown,
// added all at once by Añadir and not at all by Cancelar.
void TestLedgerCommands::importMovements() {
    addLine(ledger, -5000);
    ledger->setTotalText(QStringLiteral("-50"));
    const QString path = testsupport::dataHome() + QStringLiteral("/extracto.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Fecha;Concepto;Importe;Saldo\r\n02/01/2026;N\xf3mina;1.850,00;1.800,00\r\n"
               "03/01/2026;Luz;-45,30;1.754,70\r\n");
    file.close();
    const auto preview = [&] {
        ledger->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ledger));
        const QList<testsupport::SeenMessage> seen = testsupport::answerMessages([&] {
            testsupport::chooseFile(
                [&] { QTest::keyClick(ledger->lst, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier); },
                path);
        });
        QVERIFY(seen.isEmpty());
        ImportWindow *window = WindowSet::instance().importWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->tblAnadir->model()->rowCount(), 2);
        QCOMPARE(window->Label2->text(),
                 QStringLiteral("Movimientos encontrados: 2. Se añadirán: 2. No se añadirán: 0."));
    };
    const QStringList before = testsupport::ledgerState(ledger);
    preview();
    testsupport::click(WindowSet::instance().importWindow()->Image3);
    QVERIFY(!WindowSet::instance().importWindow()->isVisible());
    QCOMPARE(testsupport::ledgerState(ledger), before);

    preview();
    QVERIFY(testsupport::answerMessages([&] {
                testsupport::click(WindowSet::instance().importWindow()->Image2);
            }).isEmpty());
    QVERIFY(!WindowSet::instance().importWindow()->isVisible());
    const QString euro(QChar(0x20AC));
    QCOMPARE(
        testsupport::ledgerState(ledger),
        QStringList() << before.first()
                      << QStringLiteral("line 1: 02/01/2026\t\t+1850,00%1\t\tNómina (185000 cents)").arg(euro)
                      << QStringLiteral("line 2: 03/01/2026\t\t-45,30%1\t\tLuz (-4530 cents)").arg(euro)
                      << QStringLiteral("total: 1754,7 in %1").arg(kGreen.name()) << before.mid(2));
    // One step: undone, the ledger is as before.
    QCOMPARE(menuText(ledger, "Deshacer"), QStringLiteral("Deshacer: importar 2 movimientos"));
    activate(ledger);
    QTest::keyClick(ledger->lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(testsupport::ledgerState(ledger), before);
}

TESORILA_TEST_MAIN(TestLedgerCommands)
#include "tst_ledger_commands.moc"

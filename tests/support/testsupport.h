// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model_support.h"

#include <QList>
#include <QString>

#include <chrono>
#include <functional>

class Form1;
class QWidget;

namespace testsupport {

// One message box as the user saw it.
struct SeenMessage {
    QString title;
    QString text;
    int icon = -1;         // QMessageBox::Icon
    int buttonCount = 0;   // buttons offered
    bool okButton = false; // the one button is OK
    QString buttonText;    // the first button's text, without its "&"
    QStringList buttons;   // every button's text
    QString defaultButton; // the text of the button Enter presses
    bool modal = false;
    std::chrono::steady_clock::time_point shownAt; // when it appeared
    int width = 0;
};

// Runs the action, answering every modal message box it opens by pressing
// the button of that text (its first button when there is none or no text
// is given, Escape when the text is "Escape"), and returns the boxes in the
// order they appeared.
QList<SeenMessage> answerMessages(const std::function<void()> &action, const QString &press = {});

// Runs the action, choosing the file at the path in the file dialog it
// opens (cancelling the dialog when the path is empty) by typing it in the
// dialog's name box, whether or not that box has the keyboard yet. Once
// the dialog has taken the answer, and before it closes, answered is told
// the file the dialog proposed.
void chooseFile(const std::function<void()> &action, const QString &path,
                const std::function<void(const QString &proposed)> &answered = {});

// What the ledger window holds, one line each (its lines with their cents,
// the total with its colour, the caption and the account in use), for a
// QCOMPARE that prints what differs.
QStringList ledgerState(const Form1 *ledger);

// Runs the action inside the application's event loop; true when it ends the
// application (QCoreApplication::quit()), as the program's own loop would end.
bool endsApplication(const std::function<void()> &action);

// Clicks a picture button (or any widget) with the left mouse button.
void click(QWidget *widget);

// Sets up the application as the program does (after prepareEnvironment()
// and the QApplication).
void prepareApplication();

} // namespace testsupport

// A QTEST_MAIN that first gives the test a data root of its own.
#define TESORILA_TEST_MAIN(TestClass)                                                                        \
    int main(int argc, char *argv[]) {                                                                       \
        testsupport::prepareEnvironment();                                                                   \
        QApplication app(argc, argv);                                                                        \
        testsupport::prepareApplication();                                                                   \
        QTEST_DISABLE_KEYPAD_NAVIGATION                                                                      \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

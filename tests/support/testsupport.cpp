// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "app/application.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>

namespace testsupport {

namespace {
// Notes when each message box appears; it is answered a little later.
class ShowTimes : public QObject {
public:
    ShowTimes() { qApp->installEventFilter(this); }
    ~ShowTimes() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox *>(watched))
            times.insert(watched, std::chrono::steady_clock::now());
        return false;
    }
    QHash<QObject *, std::chrono::steady_clock::time_point> times;
};
} // namespace

QList<SeenMessage> answerMessages(const std::function<void()> &action, const QString &press) {
    QList<SeenMessage> seen;
    ShowTimes shown;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&seen, &shown, &press]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("tesorilaAnswered").toBool())
            return;
        box->setProperty("tesorilaAnswered", true);
        SeenMessage message;
        message.title = box->windowTitle();
        message.text = box->text();
        message.icon = int(box->icon());
        const QList<QAbstractButton *> buttons = box->buttons();
        message.buttonCount = int(buttons.size());
        message.okButton = buttons.size() == 1 && box->standardButton(buttons.first()) == QMessageBox::Ok;
        if (!buttons.isEmpty())
            message.buttonText = buttons.first()->text().remove(QLatin1Char('&'));
        QAbstractButton *chosen = buttons.isEmpty() ? nullptr : buttons.first();
        for (QAbstractButton *button : buttons) {
            message.buttons << button->text().remove(QLatin1Char('&'));
            if (message.buttons.last() == press)
                chosen = button;
        }
        if (box->defaultButton())
            message.defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
        message.modal = box->isModal();
        message.shownAt = shown.times.value(box, std::chrono::steady_clock::now());
        message.width = box->width();
        seen.append(message);
        if (press == QLatin1String("Escape"))
            QTest::keyClick(box, Qt::Key_Escape);
        else if (chosen)
            chosen->click();
        else
            box->reject();
    });
    timer.start();
    action();
    timer.stop();
    return seen;
}

void chooseFile(const std::function<void()> &action, const QString &path,
                const std::function<void(const QString &proposed)> &answered) {
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog->property("tesorilaAnswered").toBool())
            return;
        dialog->setProperty("tesorilaAnswered", true);
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        const QString proposed = dialog->selectedFiles().value(0);
        // selectFile() goes to the file's folder but leaves the name box as
        // it is once the box has the keyboard, which it gets when the
        // dialog's window comes forward: the name is typed there as well.
        dialog->selectFile(path);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QDir::toNativeSeparators(path));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept(), which checks the file
        if (answered)
            answered(proposed);
    });
    timer.start();
    action();
    timer.stop();
}

QStringList ledgerState(const Form1 *ledger) {
    QStringList state;
    for (int i = 0; i < ledger->lst->count(); ++i)
        state << QStringLiteral("line %1: %2 (%3 cents)")
                     .arg(i)
                     .arg(ledger->lst->item(i)->text())
                     .arg(entrylist::cents(ledger->lst, i));
    return state << QStringLiteral("total: %1 in %2").arg(ledger->txtt->text(), ledger->totalColour().name())
                 << QStringLiteral("caption: ") + ledger->windowTitle()
                 << QStringLiteral("account: %1 %2").arg(ledger->user1->text(), ledger->pass1->text());
}

bool endsApplication(const std::function<void()> &action) {
    class QuitWatch : public QObject {
    public:
        bool asked = false;
        bool eventFilter(QObject *watched, QEvent *event) override {
            asked = asked || (watched == qApp && event->type() == QEvent::Quit);
            return false;
        }
    } quit;
    qApp->installEventFilter(&quit);
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        action();
        if (!quit.asked)
            QCoreApplication::exit(1);
    });
    QTimer guard; // should a quit not end the loop
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    start.start(0);
    guard.start(10000);
    return QCoreApplication::exec() == 0 && quit.asked;
}

void click(QWidget *widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void prepareApplication() {
#ifdef Q_OS_WIN
    QDir::setCurrent(qEnvironmentVariable("TESORILA_TEST_CWD"));
    // The screens file is named from the folder just left: a program this
    // test starts would not find it (Qt ends such a program at once), and
    // gets the offscreen platform's own screen instead.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    application::setUp(*qApp);
    QLocale::setDefault(QLocale(QStringLiteral("es_ES")));
}

} // namespace testsupport

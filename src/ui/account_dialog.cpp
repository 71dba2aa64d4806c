// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/account_dialog.h"

#include "model/clock.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

AccountDialog::AccountDialog(const QString &name, const QString &caption, const char *icon,
                             const char *commandPicture, const QRect &text3Geometry, QWidget *parent)
    : QWidget(parent) {
    ui::setUpWindow(this, name, caption, QSize(405, 171), ui::MinimiseMaximiseClose, false);
    setWindowIcon(QIcon(ui::artwork(icon)));

    Image3 =
        new ui::Picture(this, QStringLiteral("Image3"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Nombre"), QRect(64, 32, 129, 17));
    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Contraseña"), QRect(64, 72, 129, 17));
    Image1 = new ui::PictureButton(this, QStringLiteral("Image1"), ui::artwork(commandPicture),
                                   QRect(56, 120, 128, 42));
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_cancelar"),
                                   QRect(216, 120, 128, 42));
    user = ui::textBox(this, QStringLiteral("user"), QString(), QRect(136, 32, 161, 19));
    Text3 = ui::hiddenTextBox(this, QStringLiteral("Text3"), QStringLiteral("Text3"), text3Geometry);
    pass = ui::textBox(this, QStringLiteral("pass"), QString(), QRect(136, 72, 161, 19));
    pass->setEchoMode(QLineEdit::Password);
    pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    ui::keepLabelsApart(this);
    ui::dialogKeys(this, Image1, Image2);
    connect(Image2, &ui::PictureButton::clicked, this, &QWidget::hide);
}

Form1 *AccountDialog::ledgerForCommand() {
    if (user->text().isEmpty() || pass->text().isEmpty()) {
        messagebox::show(this, messages::missingFields());
        return nullptr;
    }
    return ui::windows().form1();
}

guardar::guardar(QWidget *parent)
    : AccountDialog(QStringLiteral("guardar"), QStringLiteral("Guardar "), "icon_save", "btn_guardar",
                    QRect(176, 280, 177, 25), parent) {
    setTabOrder(user, pass);
    pass->installEventFilter(this);
    connect(Image1, &ui::PictureButton::clicked, this, &guardar::Image1_Click);
}

void guardar::pass_Keypress(int &KeyAscii) {
    if ((KeyAscii < 48 || KeyAscii > 57) && KeyAscii != 8)
        KeyAscii = 0;
}

bool guardar::eventFilter(QObject *watched, QEvent *event) {
    if (watched == pass && event->type() == QEvent::KeyPress) {
        // Every character the key would type goes through the filter; keys
        // that type nothing are not characters, and neither are Tab, which
        // moves the focus, nor Delete, which some keyboards report as the
        // character 127.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Delete)
            return AccountDialog::eventFilter(watched, event);
        const QString typed = key->text();
        for (const QChar c : typed) {
            int code = c.unicode();
            pass_Keypress(code);
            if (code == 0)
                return true;
        }
    }
    return AccountDialog::eventFilter(watched, event);
}

void guardar::Form_Load() {
    Text3->setText(clocktext::today());
    user->clear();
    pass->clear();
    user->setFocus();
    if (const storage::Status made = account::makeMarker(Text3->text()); !made)
        messagebox::show(this, messages::dataRootFailed(made.error()));
}

void guardar::Image1_Click() {
    Form1 *ledger = ledgerForCommand();
    if (!ledger)
        return;
    // Whatever the account holds is replaced: that is what this dialog is for.
    account::Session session(user->text(), pass->text());
    if (const storage::Status saved = session.save(ledger->shownLedger(), Text3->text()); !saved) {
        messagebox::show(this, messages::saveFailed(saved.error(), session.directory()));
        return;
    }
    ledger->useAccount(std::move(session));
    ledger->markSaved();
    user->clear();
    pass->clear();
    messagebox::show(this, messages::saved());
    hide();
}

abrir::abrir(QWidget *parent)
    : AccountDialog(QStringLiteral("abrir"), QStringLiteral("Abrir"), "icon_open", "btn_abrir",
                    QRect(336, 40, 33, 25), parent) {
    setTabOrder(pass, user);
    connect(Image1, &ui::PictureButton::clicked, this, &abrir::Image1_Click);
}

void abrir::Form_Load() {
    pass->setFocus();
}

void abrir::Image1_Click() {
    Form1 *ledger = ledgerForCommand();
    if (!ledger)
        return;
    account::Session session(user->text(), pass->text());
    const storage::Result<account::Loaded> loaded =
        session.open({ledger->lst->count(), entrylist::kMaxLines, ledger->txtt->maxLength()});
    if (!loaded) {
        messagebox::show(this, messages::openFailed(loaded.error()));
        return;
    }
    // Each line has the amount its text shows.
    entrylist::appendAll(ledger->lst, loaded->entries);
    // The last stored total line is the total; an empty total file leaves it.
    if (loaded->total)
        ledger->txtt->setText(*loaded->total);
    ledger->useAccount(std::move(session));
    ledger->markOpened(int(loaded->entries.size()));
    hide();
}

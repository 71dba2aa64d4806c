// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/account_dialog.h"

#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>

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
    ui::dialogKeys(this, Image1, Image2);
    connect(Image2, &ui::PictureButton::clicked, this, &QWidget::hide);
}

void AccountDialog::usePasswordMask() {
    pass->setEchoMode(QLineEdit::Password);
    pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
}

Form1 *AccountDialog::ledgerForCommand() {
    if (user->text().isEmpty() || pass->text().isEmpty()) {
        messagebox::show(this, messages::missingFields());
        return nullptr;
    }
    return ui::windows().form1();
}

void AccountDialog::useAccount(Form1 *ledger, account::Session session) {
    ledger->session = std::move(session);
    ledger->setWindowTitle(Form1::accountCaption(user->text()));
    ledger->user1->setText(user->text());
    ledger->pass1->setText(pass->text());
}

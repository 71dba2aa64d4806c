// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class Form1;
class QLabel;
namespace account {
class Session;
} // namespace account
class QLineEdit;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The common layout of the save-account and open-account dialogs: a user
// name, a masked password, a command picture and Cancelar.
class AccountDialog : public QWidget {
    Q_OBJECT
public:
    QLineEdit *user;
    QLineEdit *pass;
    QLineEdit *Text3;          // hidden scratch field
    ui::PictureButton *Image1; // the dialog's command
    ui::PictureButton *Image2; // Cancelar: hides the dialog
    ui::Picture *Image3;       // background
    QLabel *Label1;
    QLabel *Label2;

protected:
    // Shows every character of the password as "*".
    void usePasswordMask();

    // The ledger window the command works on, once both fields are filled
    // in. Null when a field is empty, which the user has then been told, or
    // when there is no ledger window.
    Form1 *ledgerForCommand();

    // Makes the session's account, as the two fields name it, the one the
    // ledger window uses.
    void useAccount(Form1 *ledger, account::Session session);

    AccountDialog(const QString &name, const QString &caption, const char *icon, const char *commandPicture,
                  const QRect &text3Geometry, QWidget *parent);
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/account_session.h"

#include <QWidget>

class Form1;
class QLabel;
class QLineEdit;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The save-account and open-account dialogs.

// The common layout of the save-account and open-account dialogs: a user
// name, a password shown as "*", a command picture and Cancelar.
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
    // The ledger window the command works on, once both fields are filled
    // in. Null when a field is empty, which the user has then been told, or
    // when there is no ledger window.
    Form1 *ledgerForCommand();

    AccountDialog(const QString &name, const QString &caption, const char *icon, const char *commandPicture,
                  const QRect &text3Geometry, QWidget *parent);
};

// The save-account dialog: saves the ledger under a user name and a numeric
// password and makes that account the one in use.
class guardar : public AccountDialog {
    Q_OBJECT
public:
    explicit guardar(QWidget *parent = nullptr);

    // The key filter of the password field: sets the character code to 0,
    // which drops the character, unless it is a digit or Backspace (8).
    static void pass_Keypress(int &KeyAscii);

public slots:
    void Form_Load();
    void Image1_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Asks whether the account's ledger, which this window has not read or
    // written as it now stands, is to be replaced by the one shown; No is
    // the default.
    bool mayReplace(const account::Held &held, const Form1 *ledger);
};

// The open-account dialog: signs in to a saved ledger and loads it into the
// ledger window.
class abrir : public AccountDialog {
    Q_OBJECT
public:
    explicit abrir(QWidget *parent = nullptr);

public slots:
    void Form_Load();
    void Image1_Click();
};

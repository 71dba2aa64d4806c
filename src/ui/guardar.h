// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/account_dialog.h"

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
    void Image2_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

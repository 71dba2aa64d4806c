// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/account_session.h"
#include "ui/account_dialog.h"

class Form1;

// Saving: the save-account dialog and the ledger window's quick save.

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
};

namespace quicksave {

// The ledger the window shows: the text of each line of its list and the
// text of its total.
account::Ledger shownLedger(const Form1 &ledger);

// The ledger window's save command: asks for an account while none is in
// use, otherwise saves the ledger back to the account in use, unless
// another save has replaced the files the window last read or saved there.
// When that save fails or is refused, the save-account dialog follows the
// message, so that the ledger can still be saved under another account.
void run(Form1 *ledger);

} // namespace quicksave

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/account_session.h"

class Form1;

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

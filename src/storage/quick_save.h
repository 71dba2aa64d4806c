// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Form1;

namespace quicksave {

// The ledger window's save command: asks for an account while none is in
// use, otherwise saves the ledger back to the account in use.
void run(Form1 *ledger);

} // namespace quicksave

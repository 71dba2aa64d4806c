#pragma once

class Form1;

namespace report {

// The ledger window's print command: prints the report of the ledger on the
// system's default printer.
void printLedger(Form1 *ledger);

} // namespace report

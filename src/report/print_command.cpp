#include "report/print_command.h"

#include "ledger/ledger_window.h"

namespace report {

void printLedger(Form1 *) {}

} // namespace report

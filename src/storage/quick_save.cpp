#include "storage/quick_save.h"

#include "ledger/ledger_window.h"

namespace quicksave {

void run(Form1 *) {}

} // namespace quicksave

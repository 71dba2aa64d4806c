// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/quick_save.h"

#include "ledger/ledger_window.h"
#include "ledger/window_set.h"
#include "storage/account_store.h"

#include <QLineEdit>

namespace quicksave {

void run(Form1 *ledger) {
    if (!ledger)
        return;
    if (ledger->windowTitle() == Form1::noUserCaption()) {
        WindowSet::instance().showGuardar();
        return;
    }
    // The confirmation comes only once both files are written.
    const std::optional<accountstore::Message> problem = accountstore::saveLedger(
        *ledger, ledger->user1->text(), ledger->pass1->text(), accountstore::Directory::MustExist);
    accountstore::show(ledger, problem ? *problem : accountstore::saved());
}

} // namespace quicksave

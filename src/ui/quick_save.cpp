// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/quick_save.h"

#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/windows.h"

#include <QLineEdit>
#include <QListWidget>

namespace quicksave {

accountstore::Ledger shownLedger(const Form1 &ledger) {
    accountstore::Ledger shown;
    const int count = ledger.lst->count();
    shown.lines.reserve(count);
    for (int i = 0; i < count; ++i)
        shown.lines.append(ledger.lst->item(i)->text());
    shown.total = ledger.txtt->text();
    return shown;
}

void run(Form1 *ledger) {
    if (!ledger)
        return;
    if (ledger->windowTitle() == Form1::noUserCaption()) {
        ui::windows().showGuardar();
        return;
    }
    // The confirmation comes only once both files are written, and only
    // over the files this window last read or saved: a save made meanwhile
    // by another running copy is never overwritten unseen.
    const std::optional<accountstore::Message> problem = accountstore::saveLedger(
        shownLedger(*ledger), ledger->user1->text(), ledger->pass1->text(),
        accountstore::Directory::MustExist, ledger->accountStamp, ledger->accountStamp);
    if (!problem)
        ledger->markSaved();
    messagebox::show(ledger, problem ? *problem : accountstore::saved());
    if (problem)
        ui::windows().showGuardar();
}

} // namespace quicksave

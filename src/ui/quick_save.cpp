// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/quick_save.h"

#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/window_registry.h"

#include <QLineEdit>
#include <QListWidget>

namespace quicksave {

account::Ledger shownLedger(const Form1 &ledger) {
    account::Ledger shown;
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
    const storage::Status saved = ledger->session.save(shownLedger(*ledger));
    if (saved)
        ledger->markSaved();
    messagebox::show(ledger, saved ? messages::saved()
                                   : messages::saveFailed(saved.error(), ledger->session.directory()));
    if (!saved)
        ui::windows().showGuardar();
}

} // namespace quicksave

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/abrir.h"

#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"

#include <QLineEdit>
#include <QListWidget>

abrir::abrir(QWidget *parent)
    : AccountDialog(QStringLiteral("abrir"), QStringLiteral("Abrir"), "icon_open", "btn_abrir",
                    QRect(336, 40, 33, 25), parent) {
    setTabOrder(pass, user);
    connect(Image1, &ui::PictureButton::clicked, this, &abrir::Image1_Click);
}

void abrir::Form_Load() {
    usePasswordMask();
    pass->setFocus();
}

void abrir::Image1_Click() {
    Form1 *ledger = ledgerForCommand();
    if (!ledger)
        return;
    account::Session session(user->text(), pass->text());
    const storage::Result<account::Loaded> loaded =
        session.open({ledger->lst->count(), entrylist::kMaxLines, ledger->txtt->maxLength()});
    if (!loaded) {
        messagebox::show(this, messages::openFailed(loaded.error()));
        return;
    }
    // Each line has the amount its text shows.
    entrylist::appendAll(ledger->lst, loaded->entries);
    // The last stored total line is the total; an empty total file leaves it.
    if (loaded->total)
        ledger->txtt->setText(*loaded->total);
    useAccount(ledger, std::move(session));
    ledger->markOpened(int(loaded->entries.size()));
    hide();
}

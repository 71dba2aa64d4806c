// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/guardar.h"

#include "model/clock.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

guardar::guardar(QWidget *parent)
    : AccountDialog(QStringLiteral("guardar"), QStringLiteral("Guardar "), "icon_save", "btn_guardar",
                    QRect(176, 280, 177, 25), parent) {
    setTabOrder(user, pass);
    pass->installEventFilter(this);
    connect(Image1, &ui::PictureButton::clicked, this, &guardar::Image1_Click);
}

void guardar::pass_Keypress(int &KeyAscii) {
    if ((KeyAscii < 48 || KeyAscii > 57) && KeyAscii != 8)
        KeyAscii = 0;
}

bool guardar::eventFilter(QObject *watched, QEvent *event) {
    if (watched == pass && event->type() == QEvent::KeyPress) {
        // Every character the key would type goes through the filter; keys
        // that type nothing are not characters, and neither are Tab, which
        // moves the focus, nor Delete, which some keyboards report as the
        // character 127.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Delete)
            return AccountDialog::eventFilter(watched, event);
        const QString typed = key->text();
        for (const QChar c : typed) {
            int code = c.unicode();
            pass_Keypress(code);
            if (code == 0)
                return true;
        }
    }
    return AccountDialog::eventFilter(watched, event);
}

void guardar::Form_Load() {
    usePasswordMask();
    Text3->setText(clocktext::today());
    user->clear();
    pass->clear();
    user->setFocus();
    if (const storage::Status made = account::makeMarker(Text3->text()); !made)
        messagebox::show(this, messages::dataRootFailed(made.error()));
}

void guardar::Image1_Click() {
    Form1 *ledger = ledgerForCommand();
    if (!ledger)
        return;
    // Whatever the account holds is replaced: that is what this dialog is for.
    account::Session session(user->text(), pass->text());
    if (const storage::Status saved = session.save(quicksave::shownLedger(*ledger), Text3->text()); !saved) {
        messagebox::show(this, messages::saveFailed(saved.error(), session.directory()));
        return;
    }
    useAccount(ledger, std::move(session));
    ledger->markSaved();
    user->clear();
    pass->clear();
    messagebox::show(this, messages::saved());
    hide();
}

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

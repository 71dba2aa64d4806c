// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/account_dialog.h"

#include "model/clock.h"
#include "model/numbertext.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <cmath>

AccountDialog::AccountDialog(const QString &name, const QString &caption, const char *icon,
                             const char *commandPicture, const QRect &text3Geometry, QWidget *parent)
    : QWidget(parent) {
    ui::setUpWindow(this, name, caption, QSize(405, 171), ui::MinimiseMaximiseClose, false);
    setWindowIcon(QIcon(ui::artwork(icon)));

    Image3 =
        new ui::Picture(this, QStringLiteral("Image3"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Nombre"), QRect(64, 32, 129, 17));
    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Contraseña"), QRect(64, 72, 129, 17));
    Image1 = new ui::PictureButton(this, QStringLiteral("Image1"), ui::artwork(commandPicture),
                                   QRect(56, 120, 128, 42));
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_cancelar"),
                                   QRect(216, 120, 128, 42));
    user = ui::textBox(this, QStringLiteral("user"), QString(), QRect(136, 32, 161, 19));
    Text3 = ui::hiddenTextBox(this, QStringLiteral("Text3"), QStringLiteral("Text3"), text3Geometry);
    pass = ui::textBox(this, QStringLiteral("pass"), QString(), QRect(136, 72, 161, 19));
    pass->setEchoMode(QLineEdit::Password);
    pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    ui::keepLabelsApart(this);
    ui::dialogKeys(this, Image1, Image2);
    connect(Image2, &ui::PictureButton::clicked, this, &QWidget::hide);
}

Form1 *AccountDialog::ledgerForCommand() {
    if (user->text().isEmpty() || pass->text().isEmpty()) {
        messagebox::show(this, messages::missingFields());
        return nullptr;
    }
    return ui::windows().form1();
}

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
    // What the account holds is replaced, once the user agrees to it when it
    // is not what this window last read or wrote there.
    account::Session session = ledger->sessionFor(user->text(), pass->text());
    if (const storage::Result<std::optional<account::Held>> held = session.held();
        held && *held && !(*held)->seen && !mayReplace(**held, ledger))
        return;
    if (const storage::Status saved = session.save(ledger->shownLedger(), Text3->text()); !saved) {
        messagebox::show(this, messages::saveFailed(saved.error(), session.directory()));
        return;
    }
    ledger->useAccount(std::move(session));
    ledger->markSaved();
    user->clear();
    pass->clear();
    messagebox::show(this, messages::saved());
    hide();
}

bool guardar::mayReplace(const account::Held &held, const Form1 *ledger) {
    const QString stored =
        held.entries == 1 ? QStringLiteral("1 apunte") : QStringLiteral("%1 apuntes").arg(held.entries);
    const QString text = ledger->isAccountInUse(user->text(), pass->text())
                             ? QStringLiteral("La cuenta %1 tiene un registro de %2 guardado desde otra "
                                              "ventana. ¿Desea sustituirlo por este de %3?")
                             : QStringLiteral("La cuenta %1 ya tiene un registro de %2 guardado. ¿Desea "
                                              "sustituirlo por este de %3?");
    return messagebox::ask(this, QStringLiteral("Sustituir registro"),
                           text.arg(user->text(), stored, QString::number(ledger->lst->count())),
                           {QStringLiteral("Sí"), QStringLiteral("No")}, 1) == 0;
}

abrir::abrir(QWidget *parent)
    : AccountDialog(QStringLiteral("abrir"), QStringLiteral("Abrir"), "icon_open", "btn_abrir",
                    QRect(336, 40, 33, 25), parent) {
    setTabOrder(pass, user);
    connect(Image1, &ui::PictureButton::clicked, this, &abrir::Image1_Click);
}

void abrir::Form_Load() {
    pass->setFocus();
}

void abrir::Image1_Click() {
    Form1 *ledger = ledgerForCommand();
    if (!ledger)
        return;
    account::Session session(user->text(), pass->text());
    const account::Room room{0, entrylist::kMaxLines, ledger->txtt->maxLength()};
    storage::Result<account::Loaded> loaded = session.open(room);
    // The account's entries replace those the list shows, unless the user
    // chooses to add them; the ledger is read again after the question, as
    // its answer may have saved to it.
    bool adding = false;
    if (loaded && ledger->lst->count() > 0) {
        const int answer = messagebox::ask(
            this, QStringLiteral("Abrir cuenta"),
            QStringLiteral("¿Desea añadir los apuntes de esta cuenta a los que se muestran, o sustituirlos?"),
            {QStringLiteral("Sustituir"), QStringLiteral("Añadir"), QStringLiteral("Cancelar")});
        if (answer == 2 || (answer == 0 && !ledger->mayEmptyLedger()))
            return;
        adding = answer == 1;
        loaded = session.open({adding ? ledger->lst->count() : 0, room.maxLines, room.totalLength});
    }
    if (!loaded) {
        messagebox::show(this, messages::openFailed(loaded.error()));
        return;
    }
    // Added, the stored total adds to the shown one, so that the total is
    // that of the lines shown; an empty total file adds nothing, and leaves
    // the total of an empty list as it was.
    const bool replacing = !adding && ledger->lst->count() > 0;
    QString total = loaded->total.value_or(replacing ? QStringLiteral("0") : ledger->txtt->text());
    if (adding && loaded->total) {
        const std::optional<double> shown = ledger->totalValue();
        const std::optional<double> stored = numbertext::parse(*loaded->total);
        const double sum = shown && stored
                               ? numbertext::sumRounded(*shown, *stored,
                                                        qMax(numbertext::decimalPlaces(ledger->txtt->text()),
                                                             numbertext::decimalPlaces(*loaded->total)))
                               : qInf();
        if (!std::isfinite(sum)) {
            messagebox::show(this,
                             QStringLiteral("El total que se muestra o el de la cuenta no es un número "
                                            "válido, y no se pueden sumar. Corríjalo antes de añadir los "
                                            "apuntes de esta cuenta."),
                             QStringLiteral("Total incorrecto"));
            return;
        }
        total = numbertext::format(sum);
    }
    if (adding) {
        // One step: undone, the entries go and the account in use before
        // comes back.
        const int shown = ledger->lst->count();
        ledger->changeLedger(
            QStringLiteral("añadir los apuntes de la cuenta «%1»").arg(session.userName()), shown, 0,
            int(loaded->entries.size()),
            [&] {
                entrylist::appendAll(ledger->lst, loaded->entries);
                ledger->setTotalText(total);
                ledger->useAccount(std::move(session));
                ledger->markSaved({loaded->entries, loaded->total.value_or(QString())});
            },
            true);
        hide();
        return;
    }
    if (replacing)
        ledger->lst->clear();
    // Each line has the amount its text shows.
    entrylist::appendAll(ledger->lst, loaded->entries);
    ledger->setTotalText(total);
    ledger->useAccount(std::move(session));
    // Another account's ledger: the steps of the one before are not its own.
    ledger->forgetSteps();
    ledger->markSaved();
    hide();
}

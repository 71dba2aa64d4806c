// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ledger_window.h"

#include "model/entry_text.h"
#include "model/numbertext.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/ledger_undo.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QShortcut>
#include <QUndoStack>

#include <optional>
#include <utility>

Form1::Form1(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("Form1"), QStringLiteral("Tesorila"), QSize(877, 621),
                    ui::MinimiseClose, true);
    // The window shows the application's icon, set once for all windows:
    // an icon of its own would be drawn at every size a second time when
    // the window is first shown.

    // Built from back to front, so that later controls lie in front.
    Image11 =
        new ui::Picture(this, QStringLiteral("Image11"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Image1 = new ui::PictureButton(this, QStringLiteral("Image1"), ui::artwork("tile_plus"),
                                   QRect(608, 40, 33, 30));
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("tile_minus"),
                                   QRect(648, 40, 33, 30));
    Image3 = new ui::PictureButton(this, QStringLiteral("Image3"), ui::artwork("tile_open"),
                                   QRect(192, 40, 33, 30));
    Image4 = new ui::PictureButton(this, QStringLiteral("Image4"), ui::artwork("tile_save"),
                                   QRect(152, 40, 33, 30));
    Image5 = new ui::PictureButton(this, QStringLiteral("Image5"), ui::artwork("tile_print"),
                                   QRect(232, 40, 33, 30));
    Image6 = new ui::PictureButton(this, QStringLiteral("Image6"), ui::artwork("tile_about"),
                                   QRect(272, 40, 33, 30));
    Image7 = new ui::PictureButton(this, QStringLiteral("Image7"), ui::artwork("tile_new"),
                                   QRect(112, 40, 33, 30));
    Image8 = new ui::PictureButton(this, QStringLiteral("Image8"), ui::artwork("tile_exit"),
                                   QRect(312, 40, 33, 30));
    Image10 = new ui::Picture(this, QStringLiteral("Image10"), ui::artwork("logo"), QRect(16, 16, 84, 65));
    Image12 =
        new ui::Picture(this, QStringLiteral("Image12"), ui::artwork("total_panel"), QRect(392, 32, 184, 43));
    Image14 = new ui::Picture(this, QStringLiteral("Image14"), ui::artwork("total_heading"),
                              QRect(432, 16, 97, 18));

    txtt = ui::textBox(this, QStringLiteral("txtt"), QStringLiteral("0"), QRect(416, 40, 137, 19));
    txtt->setAlignment(Qt::AlignCenter);
    txtt->setFont(fonts::tahoma(14.25));
    txtt->setFrame(false);

    lst = new QListWidget(this);
    lst->setObjectName(QStringLiteral("lst"));
    lst->setFont(fonts::tahoma(12, true));
    lst->setSelectionMode(QAbstractItemView::SingleSelection);
    lst->setSortingEnabled(false);
    lst->setUniformItemSizes(true);
    lst->setTextElideMode(Qt::ElideNone);
    lst->setItemDelegate(new entrylist::TabStopDelegate(lst));
    QPalette listPalette = lst->palette();
    listPalette.setColor(QPalette::Text, Qt::black);
    lst->setPalette(listPalette);
    // The layout gives the list 477 pixels; it takes as many whole lines
    // of its font as fit.
    lst->setGeometry(32, 96, 809, 477);
    entrylist::keepScrollBarSteady(lst);
    entrylist::keepWholeLines(lst, 477);
    lst->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lst, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu(this);
        fillListMenu(menu);
        menu.exec(lst->viewport()->mapToGlobal(at));
    });

    Text1 =
        ui::hiddenTextBox(this, QStringLiteral("Text1"), QStringLiteral("Text1"), QRect(640, 576, 33, 13));
    user1 = ui::hiddenTextBox(this, QStringLiteral("user1"), QStringLiteral("Text2"), QRect(80, 568, 89, 19));
    pass1 = ui::hiddenTextBox(this, QStringLiteral("pass1"), QStringLiteral("Text2"), QRect(80, 592, 89, 19));

    setTabOrder(lst, txtt);
    // Typing straight after start-up goes to the list, not into the total.
    lst->setFocus(Qt::OtherFocusReason);

    m_undo = new QUndoStack(this);
    m_undo->setUndoLimit(100);
    // textEdited comes just before textChanged, and only for the user's
    // own edits.
    connect(txtt, &QLineEdit::textEdited, this, [this] {
        m_totalTyped = true;
        m_typedFrom.reset();
        const std::pair<QString, QColor> from{m_lastTotal, totalColour()};
        if (!refuseUnusableTotal())
            m_typedFrom = from;
    });
    connect(lst, &QListWidget::itemDoubleClicked, this, &Form1::modifySelected);
    addKeys();
    m_lastTotal = txtt->text();
    connect(txtt, &QLineEdit::textChanged, this, &Form1::txtt_Change);
    connect(txtt, &QLineEdit::textChanged, this, &Form1::noteTypedTotal);
    connect(Image1, &ui::PictureButton::clicked, this, &Form1::Image1_Click);
    connect(Image2, &ui::PictureButton::clicked, this, &Form1::Image2_Click);
    connect(Image3, &ui::PictureButton::clicked, this, &Form1::Image3_Click);
    connect(Image4, &ui::PictureButton::clicked, this, &Form1::Image4_Click);
    connect(Image5, &ui::PictureButton::clicked, this, &Form1::Image5_Click);
    connect(Image6, &ui::PictureButton::clicked, this, &Form1::Image6_Click);
    connect(Image7, &ui::PictureButton::clicked, this, &Form1::Image7_Click);
    connect(Image8, &ui::PictureButton::clicked, this, &Form1::Image8_Click);

    ui::placeAt(this, QPoint(82, 87));
}

// The list and its model go with the window's QWidget part, after this
// part: the rows they drop then must not reach it.
Form1::~Form1() {
    lst->model()->disconnect(this);
}

void Form1::addKeys() {
    struct Key {
        QKeySequence keys;
        std::function<void(Form1 *)> command;
    };
    const Key keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), &Form1::Image7_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_S), &Form1::Image4_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_O), &Form1::Image3_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_P), &Form1::Image5_Click},
        {QKeySequence(Qt::Key_Insert), &Form1::Image1_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_I), &Form1::Image1_Click},
        {QKeySequence(Qt::Key_F1), &Form1::Image6_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &Form1::Image8_Click},
        {QKeySequence(Qt::CTRL | Qt::Key_E), &Form1::exportList},
        {QKeySequence(Qt::CTRL | Qt::Key_F), &Form1::findInList},
        {QKeySequence(Qt::CTRL | Qt::Key_G), &Form1::showChart},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), &Form1::importMovements},
        {QKeySequence(Qt::CTRL | Qt::Key_H), &Form1::showVersions},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), [](Form1 *ledger) { ledger->m_undo->undo(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), [](Form1 *ledger) { ledger->m_undo->redo(); }},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [](Form1 *ledger) { ledger->m_undo->redo(); }},
    };
    // Application shortcuts reach every window that no message box blocks;
    // a text box with the focus keeps the keys it edits with.
    for (const Key &key : keys) {
        auto *shortcut = new QShortcut(key.keys, this);
        shortcut->setContext(Qt::ApplicationShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, command = key.command] { command(this); });
    }
    auto *saveAs = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    saveAs->setContext(Qt::ApplicationShortcut);
    connect(saveAs, &QShortcut::activated, this, [] { ui::windows().showGuardar(); });
    auto *remove = new QShortcut(QKeySequence(Qt::Key_Delete), lst);
    remove->setContext(Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &Form1::Image2_Click);
    // Enter and F2 on a line correct it, as a double click does.
    for (const QKeySequence &sequence :
         {QKeySequence(Qt::Key_F2), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto *modify = new QShortcut(sequence, lst);
        modify->setContext(Qt::WidgetShortcut);
        connect(modify, &QShortcut::activated, this, &Form1::modifySelected);
    }
}

bool Form1::hasUnsavedChanges() const {
    const account::Ledger shown = shownLedger();
    return shown.total != m_saved.total || shown.lines != m_saved.lines;
}

ledgerundo::Side Form1::side(int at, int count, bool account) const {
    ledgerundo::Side side{entrylist::lines(lst, at, count), txtt->text(), totalColour(), selectedIndex(),
                          std::nullopt};
    if (account)
        side.account = ledgerundo::AccountInUse{windowTitle() != noUserCaption(), m_session, m_saved,
                                                user1->text(), pass1->text()};
    return side;
}

void Form1::changeLedger(const QString &name, int at, int count, int newCount,
                         const std::function<void()> &change, bool account) {
    ledgerundo::Side before = side(at, count, account);
    change();
    ledgerundo::Side after = side(at, newCount, account);
    const auto sameAccount = [](const std::optional<ledgerundo::AccountInUse> &a,
                                const std::optional<ledgerundo::AccountInUse> &b) {
        return !a || (a->inUse == b->inUse && a->session.userName() == b->session.userName() &&
                      a->session.password() == b->session.password() && a->saved.lines == b->saved.lines &&
                      a->saved.total == b->saved.total && a->user == b->user && a->password == b->password);
    };
    if (before.lines == after.lines && before.total == after.total && before.colour == after.colour &&
        before.selected == after.selected && sameAccount(before.account, after.account))
        return;
    m_typedFrom.reset();
    pushStep(name, at, std::move(before), std::move(after), false);
}

void Form1::pushStep(const QString &name, int at, ledgerundo::Side before, ledgerundo::Side after,
                     bool typing) {
    auto *step = new ledgerundo::Step(
        name, at, std::move(before), std::move(after),
        [this](int at, int count, const ledgerundo::Side &side) { showSide(at, count, side); });
    if (typing)
        step->setTyping();
    m_undo->push(step);
}

void Form1::forgetSteps() {
    m_undo->clear();
}

void Form1::showSide(int at, int count, const ledgerundo::Side &side) {
    entrylist::replace(lst, at, count, side.lines);
    setTotalText(side.total);
    setTotalColour(side.colour);
    select(side.selected);
    if (side.account) {
        if (side.account->inUse) {
            useAccount(side.account->session);
        } else {
            setWindowTitle(noUserCaption());
            m_session = {};
        }
        user1->setText(side.account->user);
        pass1->setText(side.account->password);
        m_saved = side.account->saved;
    }
}

void Form1::select(int row) {
    if (row < 0 || row >= lst->count()) {
        lst->clearSelection();
        lst->selectionModel()->clearCurrentIndex();
        return;
    }
    lst->setCurrentRow(row);
    lst->scrollToItem(lst->item(row));
}

void Form1::noteTypedTotal() {
    if (!m_typedFrom || txtt->text() == m_typedFrom->first)
        return;
    const auto [total, colour] = *std::exchange(m_typedFrom, std::nullopt);
    ledgerundo::Side after = side(0, 0, false);
    ledgerundo::Side before = after;
    before.total = total;
    before.colour = colour;
    pushStep(QStringLiteral("cambiar el total"), 0, std::move(before), std::move(after), true);
}

bool Form1::mayEmptyLedger() {
    if (!hasUnsavedChanges())
        return true;
    switch (messagebox::askToSaveChanges(this)) {
    case messagebox::Answer::Discard:
        return true;
    case messagebox::Answer::Cancel:
        return false;
    case messagebox::Answer::Save:
        break;
    }
    // With no account in use this opens the save dialog and saves nothing.
    quickSave();
    return !hasUnsavedChanges();
}

QString Form1::accountCaption(const QString &userName) {
    return QStringLiteral("Tesorila") + QStringLiteral("       ") + QStringLiteral("Cuenta en uso: ") +
           userName;
}

QString Form1::noUserCaption() {
    return accountCaption(QStringLiteral("Sin Usuario"));
}

void Form1::Form_Load() {
    setWindowTitle(noUserCaption());
}

std::optional<double> Form1::totalValue() const {
    return numbertext::parse(txtt->text());
}

QColor Form1::totalColour() const {
    return txtt->palette().color(QPalette::Text);
}

void Form1::setTotalColour(const QColor &colour) {
    QPalette palette = txtt->palette();
    palette.setColor(QPalette::Text, colour);
    txtt->setPalette(palette);
}

void Form1::txtt_Change() {
    // A total set by the program shows the start of its text, sign first,
    // and the cursor stays where the user's typing left it.
    if (!std::exchange(m_totalTyped, false))
        txtt->setCursorPosition(0);
    const QString text = txtt->text();
    m_lastTotal = text;
    if (text.isEmpty() || text == QLatin1String("-")) {
        txtt->setText(QStringLiteral("0")); // runs this rule again and colours the "0"
        return;
    }
    // Read as the commands read it: a text they refuse ("1.500" under
    // Spanish settings) is neither green nor red.
    const std::optional<double> value = totalValue();
    if (!value) {
        setTotalColour(QApplication::palette().color(QPalette::Text));
        return;
    }
    setTotalColour(*value >= 0 ? ui::totalGreen() : ui::totalDarkRed());
}

bool Form1::refuseUnusableTotal() {
    const QString characters = entrytext::unusableCharacters(txtt->text());
    if (characters.isEmpty())
        return false;
    const QString before = m_lastTotal;
    txtt->setText(before);
    messagebox::show(this, unusableCharactersText(characters), QStringLiteral("Caracteres no válidos"));
    return true;
}

QString Form1::unusableCharactersText(const QString &characters) {
    QStringList names;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QChar c = characters.at(i);
        if (c == QLatin1Char('\n'))
            names << QStringLiteral("el salto de línea");
        else if (c == QLatin1Char('\r'))
            names << QStringLiteral("el retorno de carro");
        else if (c == QLatin1Char('\t'))
            names << QStringLiteral("el tabulador");
        else if (c.category() == QChar::Other_Control)
            names << QStringLiteral("el carácter de control U+%1")
                         .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
        else if (c.isHighSurrogate() && i + 1 < characters.size())
            names << QStringLiteral("«%1»").arg(characters.mid(i++, 2));
        else
            names << QStringLiteral("«%1»").arg(c);
    }
    return QStringLiteral("El texto contiene caracteres que el registro no puede guardar: %1. "
                          "Quítelos y vuelva a intentarlo.")
        .arg(names.join(QStringLiteral(", ")));
}

void Form1::applyClosingColour() {
    const std::optional<double> value = totalValue();
    if (!value)
        return;
    setTotalColour(*value > 0 ? ui::totalGreen() : ui::totalDarkRed());
}

void Form1::setTotalText(const QString &text) {
    if (txtt->text() == text)
        txtt_Change();
    else
        txtt->setText(text); // runs txtt_Change inside
}

int Form1::selectedIndex() const {
    const QModelIndexList rows = lst->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Form1::Image2_Click() {
    const int index = selectedIndex();
    if (index < 0) {
        messagebox::show(this, QStringLiteral("Debe de seleccionar primero el registro que desea eliminar"),
                         QStringLiteral("Seleccione un registro"));
        applyClosingColour();
        return;
    }
    const std::optional<double> total = totalValue();
    if (!total) {
        messagebox::show(
            this, QStringLiteral("El total no es un número válido. Corríjalo antes de eliminar un registro."),
            QStringLiteral("Total incorrecto"));
        return;
    }

    const QString name = QStringLiteral("eliminar «%1»").arg(ledgerundo::lineName(lst->item(index)->text()));
    changeLedger(name, index, 1, 0, [&] {
        Text1->setText(QString::number(entrylist::cents(lst, index)));
        const qint64 cents = Text1->text().toLongLong();
        setTotalText(numbertext::format(
            numbertext::moveByCents(*total, numbertext::decimalPlaces(txtt->text()), -cents)));
        if (lst->count() == 1)
            setTotalText(QStringLiteral("0"));
        delete lst->takeItem(index);
        select(-1);
        applyClosingColour();
    });
}

void Form1::Image3_Click() {
    ui::windows().showAbrir();
}

void Form1::Image4_Click() {
    quickSave();
}

account::Ledger Form1::shownLedger() const {
    account::Ledger shown;
    const int count = lst->count();
    shown.lines.reserve(count);
    for (int i = 0; i < count; ++i)
        shown.lines.append(lst->item(i)->text());
    shown.total = txtt->text();
    return shown;
}

bool Form1::isAccountInUse(const QString &userName, const QString &password) const {
    return windowTitle() != noUserCaption() && userName == user1->text() && password == pass1->text();
}

account::Session Form1::sessionFor(const QString &userName, const QString &password) const {
    if (isAccountInUse(userName, password) && m_session.userName() == userName &&
        m_session.password() == password)
        return m_session;
    return account::Session(userName, password);
}

void Form1::useAccount(account::Session session) {
    setWindowTitle(accountCaption(session.userName()));
    user1->setText(session.userName());
    pass1->setText(session.password());
    m_session = std::move(session);
}

account::Session &Form1::accountInUse() {
    if (m_session.userName() != user1->text() || m_session.password() != pass1->text())
        m_session = account::Session(user1->text(), pass1->text());
    return m_session;
}

void Form1::quickSave() {
    if (windowTitle() == noUserCaption()) {
        ui::windows().showGuardar();
        return;
    }
    // The confirmation comes only once both files are written, and only
    // over the files this window last read or saved: a save made meanwhile
    // by another running copy is never overwritten unseen.
    account::Session &session = accountInUse();
    const storage::Status saved = session.save(shownLedger());
    if (saved)
        markSaved();
    messagebox::show(this,
                     saved ? messages::saved() : messages::saveFailed(saved.error(), session.directory()));
    if (!saved)
        ui::windows().showGuardar();
}

void Form1::Image6_Click() {
    ui::windows().showForm3();
}

void Form1::Image7_Click() {
    if (!mayEmptyLedger())
        return;
    // Undone, the ledger comes back with its account in use.
    changeLedger(
        QStringLiteral("libro nuevo"), 0, lst->count(), 0,
        [this] {
            setWindowTitle(noUserCaption());
            m_session = {};
            lst->clear();
            setTotalText(QStringLiteral("0"));
            m_saved = shownLedger();
        },
        true);
}

void Form1::Image8_Click() {
    if (!mayEmptyLedger())
        return;
    lst->clear();
    setTotalText(QStringLiteral("0"));
    hide();
    // Nothing shows the ledger window again: the application ends here.
    ui::windows().endApplication();
}

void Form1::closeEvent(QCloseEvent *event) {
    if (!mayEmptyLedger()) {
        event->ignore();
        return;
    }
    event->accept();
    // Closing the ledger window ends the application, other windows and all.
    ui::windows().endApplication();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/account_session.h"

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QLineEdit;
class QMenu;
class QListWidget;
class QUndoStack;

namespace ledgerundo {
struct Side;
}

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The ledger window: the start-up window and the owner of all ledger state.
// The list holds the entries, txtt the running total as text, the caption
// whether an account is in use, and the hidden user1 and pass1 which one:
// its user name and password. The other windows read and write these
// controls. The account's session (its lock, and the ledger this window
// last read or wrote there) belongs to the account user1 and pass1 name.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // "Tesorila", seven blanks, "Cuenta en uso: " and the user name.
    static QString accountCaption(const QString &userName);
    // The account caption with "Sin Usuario": no account in use.
    static QString noUserCaption();

    // Sets the total's text; the change rule runs inside, also when the
    // text is the one already there.
    void setTotalText(const QString &text);

    // The index of the selected line, or -1 when no line is selected.
    int selectedIndex() const;

    // The closing colour rule of the add and delete commands: only a total
    // above zero is green. A total that is not a number keeps its colour,
    // which the change rule has made the plain text colour.
    void applyClosingColour();
    // The text colour of the total as it is now.
    QColor totalColour() const;
    // The total read as a number, or nothing when its text is not one.
    std::optional<double> totalValue() const;

    // Whether the ledger differs from what was last opened or saved, lines
    // and total, whatever was done and undone since.
    bool hasUnsavedChanges() const;
    // The ledger is what was just saved or opened: the one shown, or the
    // one given (an account's ledger whose entries were added to those shown).
    void markSaved() { m_saved = shownLedger(); }
    void markSaved(account::Ledger saved) { m_saved = std::move(saved); }

    // Runs the change to the ledger as one step that the undo keys undo and
    // do again: the count lines from at become the newCount lines from at,
    // and the total, its colour and the selection may change. With account
    // set, the step also takes the account in use back and forth.
    void changeLedger(const QString &name, int at, int count, int newCount,
                      const std::function<void()> &change, bool account = false);
    // Forgets every step: the ledger shown is another one.
    void forgetSteps();
    QUndoStack *undoStack() const { return m_undo; }

    // The ledger the window shows: the text of each line of its list and the
    // text of its total.
    account::Ledger shownLedger() const;
    // Makes the session's account the one in use: the caption, user1 and
    // pass1 name it, and the session is the one the quick save goes on with.
    void useAccount(account::Session session);
    // The session the save dialog saves with for that account: the one in
    // use, which has seen what it last read or wrote there, when it is
    // that account; a new one otherwise.
    account::Session sessionFor(const QString &userName, const QString &password) const;
    // Whether that account is the one in use.
    bool isAccountInUse(const QString &userName, const QString &password) const;

    // Before the ledger is emptied: true when nothing unsaved is lost, that
    // is, there is nothing to lose, the user discards it, or it has been
    // saved to the account in use. Asking for an account to save it to
    // stops the command: the ledger stays until the user saves it.
    bool mayEmptyLedger();

    // The refusal of a typed text that holds characters no entry or total
    // can hold, naming them.
    static QString unusableCharactersText(const QString &characters);

    QListWidget *lst;
    QLineEdit *txtt;
    QLineEdit *Text1;
    QLineEdit *user1;
    QLineEdit *pass1;

    ui::PictureButton *Image1; // plus: add an entry
    ui::PictureButton *Image2; // minus: delete the selected entry
    ui::PictureButton *Image3; // open folder: sign in
    ui::PictureButton *Image4; // diskette: quick save
    ui::PictureButton *Image5; // printer: print the report
    ui::PictureButton *Image6; // question mark: About
    ui::PictureButton *Image7; // blank sheet: new ledger
    ui::PictureButton *Image8; // door: exit
    ui::Picture *Image10;      // logo
    ui::Picture *Image11;      // background
    ui::Picture *Image12;      // panel behind the total
    ui::Picture *Image14;      // "Dinero Total" heading

public slots:
    void Form_Load();
    void txtt_Change();
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    void Image5_Click();
    void Image6_Click();
    void Image7_Click();
    void Image8_Click();
    // Opens the entry dialog on the selected line, to correct it.
    void modifySelected();
    // Asks for a bank statement and shows what it would add to the ledger.
    void importMovements();

    // The list's context menu: correct, undo and redo, export, import,
    // find, the chart and the versions.
    void fillListMenu(QMenu &menu);
    // Shows the versions of the account in use (Ctrl+H).
    void showVersions();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setTotalColour(const QColor &colour);
    // The keys of the window's commands; they work from every window of
    // the application where no text box needs them.
    void addKeys();
    // A typed total holding characters it cannot hold is put back as it
    // was; true when it was.
    bool refuseUnusableTotal();
    // The part of the ledger a step changes, as it stands now.
    ledgerundo::Side side(int at, int count, bool account) const;
    // Shows a step's side in the place of the count lines from at.
    void showSide(int at, int count, const ledgerundo::Side &side);
    // Puts a step done on the undo stack; a typing step merges with the
    // typing that follows.
    void pushStep(const QString &name, int at, ledgerundo::Side before, ledgerundo::Side after, bool typing);
    // Selects the row and shows it, or selects nothing for -1.
    void select(int row);
    // After a change typed into the total: one step, merged with the
    // typing that follows.
    void noteTypedTotal();
    void exportList();
    void findInList();
    void showChart();
    // The save command: asks for an account while none is in use, otherwise
    // saves the ledger back to the account in use, unless another save has
    // replaced the files the window last read or saved there. When that
    // save fails or is refused, the save-account dialog follows the
    // message, so that the ledger can still be saved under another account.
    void quickSave();
    // The session of the account user1 and pass1 name: the one last used
    // while they still name its account, a new one otherwise.
    account::Session &accountInUse();

    // Set while the change the user has just typed into the total runs the
    // change rule.
    bool m_totalTyped = false;
    // The total's text as the change rule last saw it.
    QString m_lastTotal;
    // The total's text and colour before the user's typing that is being
    // handled.
    std::optional<std::pair<QString, QColor>> m_typedFrom;
    account::Session m_session;
    // What was last saved or opened.
    account::Ledger m_saved{{}, QStringLiteral("0")};
    QUndoStack *m_undo;
};

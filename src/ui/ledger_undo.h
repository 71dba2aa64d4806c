// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/account_session.h"
#include "ui/entry_list.h"

#include <QColor>
#include <QUndoCommand>

#include <functional>
#include <optional>

// The ledger window's steps that can be undone and done again.
namespace ledgerundo {

// The account in use alongside a ledger, and what was last saved or opened
// there, for the steps that change it (a new ledger, a sign-in).
struct AccountInUse {
    bool inUse = false;
    account::Session session;
    account::Ledger saved;
    QString user, password; // what user1 and pass1 hold
};

// One side of a step: the lines of the part of the list the step changes,
// the total's text and colour, the selected line (-1 for none) and, for the
// steps that change it, the account in use.
struct Side {
    entrylist::Lines lines;
    QString total;
    QColor colour;
    int selected = -1;
    std::optional<AccountInUse> account;
};

// Shows a side: its lines in the place of count lines from at, and the rest.
using Show = std::function<void(int at, int count, const Side &side)>;

// A change of the ledger from one side to the other, the lines of both
// starting at the same row. It is made once the change has been done: the
// first redo does nothing.
class Step : public QUndoCommand {
public:
    Step(const QString &name, int at, Side before, Side after, Show show);
    void undo() override;
    void redo() override;
    // Typing into the total is one step until another step comes.
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;
    // A typing step, which merges with the next one.
    void setTyping() { m_typing = true; }

private:
    int m_at;
    Side m_before;
    Side m_after;
    Show m_show;
    bool m_done = true;
    bool m_typing = false;
};

// How a step names a line: its source, or its date when it has none, or
// the line itself; at most 40 characters.
QString lineName(const QString &line);

} // namespace ledgerundo

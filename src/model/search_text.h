// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Finding text in the ledger's lines the way a person reads them: without
// regard to case or accents, so that "nomina" finds "Nómina".
namespace searchtext {

// The text in lower case, each letter without its accents (the marks of
// its canonical decomposition dropped), each tab a blank.
QString fold(const QString &text);

// A list's lines folded and the rows that hold one needle, kept in step
// with what changes in the list: a line is folded once, when first looked
// through after it came or changed, so that finding again after a few
// lines came, went or changed costs those lines, not the whole list.
class Finder {
public:
    using LineAt = std::function<QString(int row)>;

    // The list holds count lines, none of them folded yet.
    void reset(int count);
    // count lines came in at first, went from first on, or changed there.
    void inserted(int first, int count);
    void removed(int first, int count);
    void changed(int first, int count);
    // The rows whose lines hold the folded needle, in order (none for an
    // empty one); the lines not folded yet are read through lineAt.
    const QList<int> &rows(const QString &needle, const LineAt &lineAt);

private:
    struct Line {
        QString text;
        bool folded = false;
    };
    QList<Line> m_lines;
    qsizetype m_unfolded = 0;
    QString m_needle; // folded
    QList<int> m_rows;
};

// The match to go to from the row that is current (-1 for none): the first
// one after it, or the last one before it going backwards, round the end;
// an index into rows, or -1 when there are none.
int nextMatch(const QList<int> &rows, int current, bool forward);

} // namespace searchtext

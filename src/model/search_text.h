// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Finding text in the ledger's lines the way a person reads them: without
// regard to case or accents, so that "nomina" finds "Nómina".
namespace searchtext {

// The text in lower case, each letter without its accents (the marks of
// its canonical decomposition dropped), each tab a blank.
QString fold(const QString &text);

// The rows of the folded lines that hold the folded needle, in order; none
// for an empty needle.
QList<int> matchingRows(const QStringList &foldedLines, const QString &needle);

// The match to go to from the row that is current (-1 for none): the first
// one after it, or the last one before it going backwards, round the end;
// an index into rows, or -1 when there are none.
int nextMatch(const QList<int> &rows, int current, bool forward);

} // namespace searchtext

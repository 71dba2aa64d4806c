// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/search_text.h"

#include <algorithm>

namespace searchtext {

QString fold(const QString &text) {
    // Plain ASCII, most lines, only needs its case lowered.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    QString folded = ascii ? text.toLower() : text.normalized(QString::NormalizationForm_D).toCaseFolded();
    if (!ascii) {
        folded.removeIf([](QChar c) {
            const QChar::Category category = c.category();
            return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
                   category == QChar::Mark_Enclosing;
        });
    }
    folded.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return folded;
}

QList<int> matchingRows(const QStringList &foldedLines, const QString &needle) {
    QList<int> rows;
    const QString folded = fold(needle);
    if (folded.isEmpty())
        return rows;
    for (int row = 0; row < int(foldedLines.size()); ++row) {
        if (foldedLines.at(row).contains(folded))
            rows.append(row);
    }
    return rows;
}

int nextMatch(const QList<int> &rows, int current, bool forward) {
    if (rows.isEmpty())
        return -1;
    if (forward) {
        const auto after = std::upper_bound(rows.cbegin(), rows.cend(), current);
        return after == rows.cend() ? 0 : int(after - rows.cbegin());
    }
    const auto at = std::lower_bound(rows.cbegin(), rows.cend(), current);
    return at == rows.cbegin() ? int(rows.size()) - 1 : int(at - rows.cbegin()) - 1;
}

} // namespace searchtext

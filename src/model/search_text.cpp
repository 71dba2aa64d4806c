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

void Finder::reset(int count) {
    m_lines = QList<Line>(count);
    m_unfolded = count;
    m_rows.clear();
}

void Finder::inserted(int first, int count) {
    m_lines.insert(first, count, Line());
    m_unfolded += count;
    for (auto row = std::lower_bound(m_rows.begin(), m_rows.end(), first); row != m_rows.end(); ++row)
        *row += count;
}

void Finder::removed(int first, int count) {
    for (int row = first; row < first + count; ++row)
        m_unfolded -= m_lines.at(row).folded ? 0 : 1;
    m_lines.remove(first, count);
    const auto from = std::lower_bound(m_rows.begin(), m_rows.end(), first);
    const auto to = std::lower_bound(from, m_rows.end(), first + count);
    for (auto row = to; row != m_rows.end(); ++row)
        *row -= count;
    m_rows.erase(from, to);
}

void Finder::changed(int first, int count) {
    for (int row = first; row < first + count; ++row) {
        Line &line = m_lines[row];
        m_unfolded += line.folded ? 1 : 0;
        line = Line();
    }
    // Those that hold the needle still are found again when folded.
    m_rows.erase(std::lower_bound(m_rows.begin(), m_rows.end(), first),
                 std::lower_bound(m_rows.begin(), m_rows.end(), first + count));
}

const QList<int> &Finder::rows(const QString &needle, const LineAt &lineAt) {
    const QString folded = fold(needle);
    const bool anew = folded != m_needle;
    m_needle = folded;
    if (anew)
        m_rows.clear();
    // The lines folded now that hold the needle, when it is the one the
    // rows were found for.
    const qsizetype known = m_rows.size();
    for (int row = 0; m_unfolded > 0 && row < int(m_lines.size()); ++row) {
        Line &line = m_lines[row];
        if (line.folded)
            continue;
        line = {searchtext::fold(lineAt(row)), true};
        --m_unfolded;
        if (!anew && !m_needle.isEmpty() && line.text.contains(m_needle))
            m_rows.append(row);
    }
    std::inplace_merge(m_rows.begin(), m_rows.begin() + known, m_rows.end());
    if (anew && !m_needle.isEmpty()) {
        for (int row = 0; row < int(m_lines.size()); ++row) {
            if (m_lines.at(row).text.contains(m_needle))
                m_rows.append(row);
        }
    }
    return m_rows;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ledger_undo.h"

#include "model/entry_text.h"

#include <utility>

namespace ledgerundo {

Step::Step(const QString &name, int at, Side before, Side after, Show show)
    : QUndoCommand(name), m_at(at), m_before(std::move(before)), m_after(std::move(after)),
      m_show(std::move(show)) {}

void Step::undo() {
    m_show(m_at, int(m_after.lines.size()), m_before);
}

void Step::redo() {
    if (std::exchange(m_done, false))
        return;
    m_show(m_at, int(m_before.lines.size()), m_after);
}

int Step::id() const {
    return m_typing ? 1 : -1;
}

bool Step::mergeWith(const QUndoCommand *other) {
    const auto *next = static_cast<const Step *>(other);
    if (!next->m_typing)
        return false;
    m_after = next->m_after;
    setObsolete(m_after.total == m_before.total && m_after.colour == m_before.colour);
    return true;
}

QString lineName(const QString &line) {
    QString name = line;
    if (const std::optional<entrytext::Fields> fields = entrytext::fields(line))
        name = !fields->source.trimmed().isEmpty() ? fields->source : fields->date;
    name = name.simplified();
    if (name.size() > 40)
        name = name.left(39) + QChar(0x2026);
    return name;
}

} // namespace ledgerundo

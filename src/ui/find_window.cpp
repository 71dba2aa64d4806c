// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/find_window.h"

#include "model/search_text.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QKeySequence>
#include <QListWidget>
#include <QShortcut>

buscar::buscar(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("buscar"), QStringLiteral("Buscar"), QSize(329, 89), ui::CloseOnly,
                    true);
    Image1 =
        new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Texto que buscar:"),
                       QRect(16, 12, 297, 17));
    txt = ui::textBox(this, QStringLiteral("txt"), QString(), QRect(16, 32, 297, 21));
    Label2 =
        ui::label(this, QStringLiteral("Label2"),
                  QStringLiteral("Intro o F3: el siguiente; Mayús+F3: el anterior"), QRect(16, 60, 297, 17));

    if (Form1 *ledger = ui::windows().form1()) {
        m_list = ledger->lst;
        entrylist::whenChanged(m_list, this, [this] { m_stale = true; });
    }

    ui::dialogKeys(this, nullptr, nullptr);
    struct Key {
        QKeySequence keys;
        bool forward;
    };
    for (const Key &key :
         {Key{QKeySequence(Qt::Key_Return), true}, Key{QKeySequence(Qt::Key_Enter), true},
          Key{QKeySequence(Qt::Key_F3), true}, Key{QKeySequence(Qt::SHIFT | Qt::Key_F3), false}})
        connect(new QShortcut(key.keys, this), &QShortcut::activated, this,
                [this, forward = key.forward] { findNext(forward); });
    txt->setFocus(Qt::OtherFocusReason);
    ui::placeAt(this, QPoint(314, 200));
}

void buscar::focusBox() {
    txt->setFocus(Qt::OtherFocusReason);
    txt->selectAll();
}

void buscar::findNext(bool forward) {
    const QString needle = txt->text();
    if (!m_list || needle.isEmpty())
        return;
    if (m_stale) {
        const int count = m_list->count();
        m_folded.clear();
        m_folded.reserve(count);
        for (int i = 0; i < count; ++i)
            m_folded.append(searchtext::fold(m_list->item(i)->text()));
        m_stale = false;
        m_needle.clear();
    }
    if (needle != m_needle || m_rows.isEmpty()) {
        m_rows = searchtext::matchingRows(m_folded, needle);
        m_needle = needle;
    }
    const bool selected = !m_list->selectionModel()->selectedRows().isEmpty();
    const int match = searchtext::nextMatch(m_rows, selected ? m_list->currentRow() : -1, forward);
    if (match < 0) {
        Label2->setText(QStringLiteral("No se ha encontrado «%1»").arg(needle));
        return;
    }
    QListWidgetItem *item = m_list->item(m_rows.at(match));
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    Label2->setText(QStringLiteral("%1 de %2").arg(match + 1).arg(m_rows.size()));
}

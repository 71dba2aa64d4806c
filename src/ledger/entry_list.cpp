// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledger/entry_list.h"

#include "entry/entry_text.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

namespace entrylist {

void append(QListWidget *list, const QString &text, qint32 amount) {
    auto *item = new QListWidgetItem(text);
    item->setData(kCentsRole, amount);
    list->addItem(item);
}

void appendAll(QListWidget *list, const QStringList &texts) {
    list->addItems(texts);
}

qint32 cents(const QListWidget *list, int index) {
    const QListWidgetItem *item = list->item(index);
    if (!item)
        return 0;
    const QVariant kept = item->data(kCentsRole);
    return kept.isValid() ? qint32(kept.toInt()) : entrytext::centsFromDisplayText(item->text());
}

void setCents(QListWidget *list, int index, qint32 amount) {
    if (QListWidgetItem *item = list->item(index))
        item->setData(kCentsRole, amount);
}

int tabStop(const QFont &font) {
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(QStringLiteral("00/00/0000")) + metrics.averageCharWidth() * 2;
}

void TabStopDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();

    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const QStaticText line = laidOut(text, opt.font);

    painter->save();
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(
        opt.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect);
    // Left-aligned and centred vertically on the line's height.
    const qreal height = QFontMetricsF(opt.font).height();
    painter->drawStaticText(QPointF(textRect.left(), textRect.top() + (textRect.height() - height) / 2),
                            line);
    painter->restore();
}

QStaticText TabStopDelegate::laidOut(const QString &text, const QFont &font) const {
    if (font != m_font) {
        m_font = font;
        m_tabStop = tabStop(font);
        m_laidOut.clear();
    }
    if (const QStaticText *known = m_laidOut.object(text))
        return *known;
    QStaticText line(text);
    line.setTextFormat(Qt::PlainText);
    QTextOption textOption(Qt::AlignLeft);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(m_tabStop);
    line.setTextOption(textOption);
    // Copies share one layout, so the cached one is laid out by the first
    // drawing of the returned one.
    m_laidOut.insert(text, new QStaticText(line));
    return line;
}

} // namespace entrylist

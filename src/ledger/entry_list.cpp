#include "ledger/entry_list.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QSignalBlocker>
#include <QTextOption>

namespace entrylist {

void append(QListWidget *list, const QString &text, qint32 amount) {
    auto *item = new QListWidgetItem(text);
    item->setData(kCentsRole, amount);
    list->addItem(item);
}

void appendAll(QListWidget *list, const QStringList &texts, const QList<qint32> &amounts) {
    Q_ASSERT(texts.size() == amounts.size());
    const int first = list->count();
    list->addItems(texts);
    // The amounts are not shown, so the view need not hear of them; each
    // change it heard of would have it lay out every line again.
    const QSignalBlocker quiet(list->model());
    for (int i = 0; i < amounts.size(); ++i)
        list->item(first + i)->setData(kCentsRole, amounts.at(i));
}

qint32 cents(const QListWidget *list, int index) {
    const QListWidgetItem *item = list->item(index);
    return item ? qint32(item->data(kCentsRole).toInt()) : 0;
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
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(tabStop(opt.font));

    painter->save();
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(
        opt.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect);
    painter->drawText(QRectF(textRect), text, textOption);
    painter->restore();
}

} // namespace entrylist

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/entry_list.h"

#include "model/entry_text.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>
#include <QTimer>

#include <cmath>

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

int lineHeight(const QListWidget *list) {
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("0");
    return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list).height();
}

int wholeLinesHeight(const QListWidget *list, int room) {
    int around = 2 * list->frameWidth();
    const QScrollBar *bar = list->horizontalScrollBar();
    if (bar->isVisibleTo(list))
        around += bar->sizeHint().height();
    const int line = qMax(1, lineHeight(list));
    return around + qMax(1, (room - around) / line) * line;
}

namespace {

// Fits the list to whole lines again once its horizontal scroll bar has
// come or gone, or its font or style has changed, after the list has laid
// itself out.
class WholeLines : public QObject {
public:
    WholeLines(QListWidget *list, int room) : QObject(list), m_list(list), m_room(room) {
        m_later.setSingleShot(true);
        m_later.setInterval(0);
        connect(&m_later, &QTimer::timeout, this, &WholeLines::fit);
        // The scroll bar lies in a frame of its own that is shown and hidden.
        QWidget *bar = list->horizontalScrollBar();
        (bar->parentWidget() && bar->parentWidget() != list ? bar->parentWidget() : bar)
            ->installEventFilter(this);
        list->installEventFilter(this);
        fit();
    }

    bool eventFilter(QObject *watched, QEvent *event) override {
        const bool bar =
            watched != m_list && (event->type() == QEvent::Show || event->type() == QEvent::Hide);
        if (bar || event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_later.start();
        return false;
    }

private:
    void fit() { m_list->resize(m_list->width(), wholeLinesHeight(m_list, m_room)); }

    QListWidget *m_list;
    int m_room;
    QTimer m_later;
};

} // namespace

void keepWholeLines(QListWidget *list, int room) {
    new WholeLines(list, room);
}

TabStopDelegate::TabStopDelegate(QListWidget *list) : QStyledItemDelegate(list), m_list(list) {
    const QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { countWidths(first, last, 1); });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { countWidths(first, last, -1); });
    // The list's model empties itself while the list is being destroyed:
    // an empty model needs no measuring, and the list is not asked.
    connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
        if (model->rowCount() == 0)
            m_widths.clear();
        else
            recountWidths();
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole))
                    recountWidths();
            });
    recountWidths();
}

void TabStopDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    // The current line is marked only when it is the selected one: a mark
    // on a line nobody chose looks like a selection that is not there.
    const bool selected = opt.state & QStyle::State_Selected;
    if (!selected)
        opt.state &= ~QStyle::State_HasFocus;

    const QWidget *widget = opt.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    const QStaticText line = laidOut(text, opt.font);

    painter->save();
    painter->setFont(opt.font);
    painter->setPen(
        opt.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect);
    // Left-aligned and centred vertically on the line's height.
    const qreal height = QFontMetricsF(opt.font).height();
    painter->drawStaticText(QPointF(textRect.left(), textRect.top() + (textRect.height() - height) / 2),
                            line);
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const {
    if (m_list->font() != m_measuredFont)
        recountWidths();
    const int widest = m_widths.empty() ? 0 : m_widths.rbegin()->first;
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The text is drawn from the line's left edge; a margin follows it.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 1;
    return QSize(widest + margin, lineHeight(m_list));
}

qreal TabStopDelegate::textWidth(const QString &text) const {
    if (m_list->font() != m_measuredFont)
        recountWidths();
    qreal x = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = text.indexOf(QLatin1Char('\t'), start);
        x += pieceWidth(QStringView(text).mid(start, (tab < 0 ? text.size() : tab) - start));
        if (tab < 0)
            return x;
        // As the text layout does: on to the next stop right of x.
        x = (std::floor(x / m_measuredTabStop) + 1) * m_measuredTabStop;
        start = tab + 1;
    }
}

qreal TabStopDelegate::pieceWidth(QStringView piece) const {
    qreal width = 0;
    for (const QChar c : piece) {
        const char16_t code = c.unicode();
        qreal *advance = nullptr;
        if ((code >= 0x20 && code < 0x7F) || (code >= 0xA0 && code <= 0xFF))
            advance = &m_advances[code];
        else if (code == 0x20AC)
            advance = &m_advances[0]; // the euro sign, kept in a slot no text character uses
        else                          // other scripts and marks are shaped: measure the whole piece
            return m_metrics->horizontalAdvance(piece.toString());
        if (*advance < 0)
            *advance = m_metrics->horizontalAdvance(c);
        width += *advance;
    }
    return width;
}

void TabStopDelegate::countWidths(int first, int last, int step) const {
    if (m_list->font() != m_measuredFont) {
        recountWidths();
        if (step > 0)
            return;
    }
    for (int row = first; row <= last; ++row) {
        const QListWidgetItem *item = m_list->item(row);
        if (!item)
            continue;
        const int width = int(std::ceil(textWidth(item->text())));
        const auto counted = m_widths.find(width);
        if (step > 0)
            ++m_widths[width];
        else if (counted != m_widths.end() && --counted->second == 0)
            m_widths.erase(counted);
    }
}

void TabStopDelegate::recountWidths() const {
    m_measuredFont = m_list->font();
    m_metrics.emplace(m_measuredFont);
    m_measuredTabStop = qMax(1, tabStop(m_measuredFont));
    m_advances.fill(-1);
    m_widths.clear();
    countWidths(0, m_list->count() - 1, 1);
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/entry_list.h"

#include "model/entry_text.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextOption>
#include <QTimer>

#include <array>
#include <cmath>
#include <optional>

namespace entrylist {

void append(QListWidget *list, const QString &text, qint32 amount) {
    auto *item = new QListWidgetItem(text);
    item->setData(kCentsRole, amount);
    list->addItem(item);
}

void appendAll(QListWidget *list, const QStringList &texts) {
    if (auto *delegate = qobject_cast<TabStopDelegate *>(list->itemDelegate()))
        delegate->append(texts);
    else
        list->addItems(texts);
}

qint32 cents(const QListWidget *list, int index) {
    const QListWidgetItem *item = list->item(index);
    if (!item)
        return 0;
    const QVariant kept = item->data(kCentsRole);
    return kept.isValid() ? qint32(kept.toInt()) : entrytext::centsFromDisplayText(item->text());
}

Lines lines(const QListWidget *list, int at, int count) {
    Lines taken;
    taken.reserve(count);
    for (int row = at; row < at + count; ++row) {
        const QListWidgetItem *item = list->item(row);
        const QVariant kept = item->data(kCentsRole);
        taken.append({item->text(), kept.isValid() ? std::optional(qint32(kept.toInt())) : std::nullopt});
    }
    return taken;
}

void replace(QListWidget *list, int at, int count, const Lines &lines) {
    auto *delegate = qobject_cast<TabStopDelegate *>(list->itemDelegate());
    const auto keep = [](QListWidgetItem *item, const Line &line) {
        const QVariant wanted = line.kept ? QVariant(*line.kept) : QVariant();
        if (item->data(kCentsRole) != wanted)
            item->setData(kCentsRole, wanted);
    };
    const int same = int(qMin(qsizetype(count), lines.size()));
    for (int i = 0; i < same; ++i) {
        QListWidgetItem *item = list->item(at + i);
        if (delegate)
            delegate->changeText(at + i, lines.at(i).text);
        else
            item->setText(lines.at(i).text);
        keep(item, lines.at(i));
    }
    if (count > same) {
        if (at + same == 0 && count == list->count()) {
            list->clear();
        } else {
            QAbstractItemModel *model = list->model();
            model->removeRows(at + same, count - same);
        }
    }
    if (lines.size() > same) {
        QStringList texts;
        texts.reserve(lines.size() - same);
        for (qsizetype i = same; i < lines.size(); ++i)
            texts.append(lines.at(i).text);
        const int row = at + same;
        if (delegate)
            delegate->insert(row, texts);
        else
            list->insertItems(row, texts);
        // The amounts kept beside the texts change no text: nobody is told.
        const QSignalBlocker quiet(list->model());
        for (qsizetype i = same; i < lines.size(); ++i) {
            if (lines.at(i).kept)
                keep(list->item(int(at + i)), lines.at(i));
        }
    }
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

namespace {

class SteadyScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderRangeChange && m_drawn && *m_drawn == look())
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent *event) override {
        m_drawn = look();
        QScrollBar::paintEvent(event);
    }

private:
    // What the style draws from besides the bar's size, palette and style,
    // whose changes draw it again anyway.
    struct Look {
        QStyle::State state;
        QStyle::SubControls active;
        QRect handle;
        bool atStart, atEnd;
        bool operator==(const Look &other) const {
            return state == other.state && active == other.active && handle == other.handle &&
                   atStart == other.atStart && atEnd == other.atEnd;
        }
    };

    Look look() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {option.state, option.activeSubControls,
                style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                option.sliderPosition <= option.minimum, option.sliderPosition >= option.maximum};
    }

    std::optional<Look> m_drawn;
};

} // namespace

void keepScrollBarSteady(QListWidget *list) {
    list->setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, list));
}

namespace {

// Measures lines in one font as drawn, tabs included, in whole pixels.
// Widths are summed from each character's advance, which for Latin text is
// the width drawn (kerning takes a little off at most), in 1/64 pixels, so
// that every line the list can hold is measured in a few milliseconds.
class LineMeasure {
public:
    explicit LineMeasure(const QFont &font) : m_metrics(font), m_tabStop(qMax(1, tabStop(font)) * kUnit) {
        // Latin-1's printable characters are measured when first met;
        // the others take the slow way below.
        m_advances.fill(kOther);
        for (char16_t code = 0x20; code <= 0xFF; ++code) {
            if (code < 0x7F || code >= 0xA0)
                m_advances[code] = kUnmeasured;
        }
        m_advances[u'\t'] = kTab;
    }

    int width(const QString &text) {
        int x = 0;
        int pieceStart = 0; // where the piece after the last tab begins
        const QChar *codes = text.constData();
        const qsizetype size = text.size();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t code = codes[i].unicode();
            // Most characters take one look-up, read into a local.
            const int known = code < 0x100 ? m_advances[code] : kOther;
            if (known >= 0) {
                x += known;
                continue;
            }
            int *advance = advanceOf(code);
            if (advance && *advance == kTab) {
                // As the text layout does: on to the next stop right of x.
                x = pieceStart = (x / m_tabStop + 1) * m_tabStop;
                continue;
            }
            if (!advance || *advance == kOther) {
                // Other scripts and marks are shaped: the whole piece is measured.
                qsizetype end = text.indexOf(QLatin1Char('\t'), i);
                end = end < 0 ? size : end;
                const qsizetype start = text.lastIndexOf(QLatin1Char('\t'), i) + 1;
                x = pieceStart + units(m_metrics.horizontalAdvance(text.mid(start, end - start)));
                i = end - 1;
                continue;
            }
            x += measured(advance, code);
        }
        return pixels(x);
    }

    // Whole pixels from the units of a width.
    static int pixels(qint64 units) { return int((units + kUnit - 1) / kUnit); }

private:
    // Where a character's advance is kept: none for the characters outside
    // Latin-1 but the euro sign.
    int *advanceOf(char16_t code) {
        return code < 0x100 ? &m_advances[code] : code == 0x20AC ? &m_euro : nullptr;
    }

    int measured(int *advance, char16_t code) {
        if (*advance == kUnmeasured)
            *advance = units(m_metrics.horizontalAdvance(QChar(code)));
        return *advance;
    }

    static constexpr int kUnit = 64;
    // Marks in the table of advances, which are never negative.
    static constexpr int kUnmeasured = -1, kTab = -2, kOther = -3;
    static int units(qreal pixels) { return qRound(pixels * kUnit); }

    QFontMetricsF m_metrics;
    int m_tabStop;
    std::array<int, 256> m_advances;
    int m_euro = kUnmeasured;
};

} // namespace

TabStopDelegate::TabStopDelegate(QListWidget *list) : QStyledItemDelegate(list), m_list(list) {
    const QAbstractItemModel *model = list->model();
    // New lines can only widen the widest; the last line as wide as it
    // going away or a text changing makes it dirty. Nothing is measured
    // while dirty: the next size asked for counts every line once. An
    // empty list is never dirty, so that lines filling it are measured as
    // they come.
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        if (m_dirty && m_list->count() == 0) {
            m_widest = m_widestLines = 0;
            m_dirty = false;
        }
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        if (m_dirty)
            return;
        // The texts being appended are measured as given, rather than
        // read back from each new item (or copied).
        LineMeasure measure(m_list->font());
        if (m_appending && m_appending->size() == last - first + 1) {
            for (const QString &text : *m_appending)
                count(measure.width(text));
            return;
        }
        for (int row = first; row <= last; ++row)
            count(measure.width(m_list->item(row)->text()));
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                if (m_dirty)
                    return;
                LineMeasure measure(m_list->font());
                for (int row = first; row <= last && !m_dirty; ++row) {
                    const int width = measure.width(m_list->item(row)->text());
                    if (width == m_widest)
                        m_dirty = --m_widestLines == 0;
                    else
                        m_dirty = width > m_widest;
                }
            });
    // The list's model empties itself while the list is being destroyed:
    // the list is not asked then.
    connect(model, &QAbstractItemModel::modelReset, this, [this] { m_dirty = true; });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (!m_changing && (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
                    m_dirty = true;
            });
    list->installEventFilter(this);
}

void TabStopDelegate::append(const QStringList &texts) {
    insert(m_list->count(), texts);
}

void TabStopDelegate::insert(int row, const QStringList &texts) {
    m_appending = &texts;
    m_list->insertItems(row, texts);
    m_appending = nullptr;
}

void TabStopDelegate::changeText(int row, const QString &text) {
    QListWidgetItem *item = m_list->item(row);
    if (item->text() == text)
        return;
    if (!m_dirty) {
        LineMeasure measure(m_list->font());
        const int width = measure.width(item->text());
        if (width == m_widest)
            m_dirty = --m_widestLines == 0;
        else
            m_dirty = width > m_widest;
        if (!m_dirty)
            count(measure.width(text));
    }
    m_changing = true;
    item->setText(text);
    m_changing = false;
}

bool TabStopDelegate::eventFilter(QObject *watched, QEvent *event) {
    // The base class takes whatever it watches for an editor: the list's
    // own keys and focus would close or commit an editor that is not there.
    if (watched != m_list)
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::FontChange) {
        m_laidOut.clear();
        m_dirty = true;
    }
    return false;
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
    const QWidget *widget = option.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The text is drawn from the line's left edge; a margin follows it.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 1;
    return QSize(widest() + margin, lineHeight(m_list));
}

int TabStopDelegate::widest() const {
    if (m_dirty) {
        LineMeasure measure(m_list->font());
        m_widest = m_widestLines = 0;
        for (int row = 0; row < m_list->count(); ++row)
            count(measure.width(m_list->item(row)->text()));
        m_dirty = false;
    }
    return m_widest;
}

void TabStopDelegate::count(int width) const {
    if (width > m_widest) {
        m_widest = width;
        m_widestLines = 0;
    }
    if (width == m_widest)
        ++m_widestLines;
}

QStaticText TabStopDelegate::laidOut(const QString &text, const QFont &font) const {
    if (const QStaticText *known = m_laidOut.object(text))
        return *known;
    QStaticText line(text);
    line.setTextFormat(Qt::PlainText);
    QTextOption textOption(Qt::AlignLeft);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(tabStop(font));
    line.setTextOption(textOption);
    // Copies share one layout, so the cached one is laid out by the first
    // drawing of the returned one.
    m_laidOut.insert(text, new QStaticText(line));
    return line;
}

void whenChanged(const QListWidget *list, const QObject *receiver, const std::function<void()> &action) {
    const QAbstractItemModel *model = list->model();
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(model, signal, receiver, action);
    QObject::connect(model, &QAbstractItemModel::modelReset, receiver, action);
    QObject::connect(model, &QAbstractItemModel::dataChanged, receiver, action);
}

} // namespace entrylist

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QListWidget>
#include <QStaticText>
#include <QStyledItemDelegate>

// The ledger list: each line is an entry's display text and its amount in
// cents as a signed 32-bit integer. A line added with an amount keeps it
// beside its text; a line appended from a file has the amount its text
// shows.
namespace entrylist {

// Lines are addressed by 16-bit signed indexes, so a ledger holds at most
// this many lines.
constexpr int kMaxLines = 32767;

// The role under which a line keeps its amount in cents.
constexpr int kCentsRole = Qt::UserRole;

// Distance between the list's tab stops for a font: wide enough for a
// full date and a gap, so that the columns line up.
int tabStop(const QFont &font);

void append(QListWidget *list, const QString &text, qint32 cents);
// Appends many lines at once, each with the amount its text shows
// (entrytext::centsFromDisplayText). Much faster than appending them one by
// one: the view hears of one insertion instead of one per line, and no
// amount is worked out or stored until it is asked for.
void appendAll(QListWidget *list, const QStringList &texts);
qint32 cents(const QListWidget *list, int index);
void setCents(QListWidget *list, int index, qint32 cents);

// Draws a line's tab characters as columns at the list's tab stops.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    // The lines drawn lately, laid out once for the list's font: every
    // change to a long list redraws all the visible lines, and laying a
    // line out again costs as much as drawing it.
    QStaticText laidOut(const QString &text, const QFont &font) const;

    mutable QFont m_font;
    mutable int m_tabStop = 0;
    mutable QCache<QString, QStaticText> m_laidOut{256};
};

} // namespace entrylist

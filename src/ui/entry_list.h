// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QListWidget>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

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

// Lines of the list as they stand: each text, and the amount kept beside it
// where a command added it with one.
struct Line {
    QString text;
    std::optional<qint32> kept;
    bool operator==(const Line &other) const { return text == other.text && kept == other.kept; }
};
using Lines = QList<Line>;
Lines lines(const QListWidget *list, int at, int count);
// Puts the lines in the place of the count lines from at: a line of the
// same place changes in place, so that the rest of the list stays as it is.
void replace(QListWidget *list, int at, int count, const Lines &lines);

// Runs the action, in the receiver's lifetime, after each change to the
// list's lines: lines added, removed, cleared or changed.
void whenChanged(const QListWidget *list, const QObject *receiver, const std::function<void()> &action);

// The height of one line of the list in its font.
int lineHeight(const QListWidget *list);
// The list's height for as many whole lines as fit in the room, borders
// and a horizontal scroll bar that is shown included: a list shows no part
// of a line below its last whole one.
int wholeLinesHeight(const QListWidget *list, int room);
// Gives the list that height now and whenever its horizontal scroll bar
// comes or goes or its font changes; its top, left and width stay.
void keepWholeLines(QListWidget *list, int room);

// Gives the list a vertical scroll bar that is drawn again on a change of
// its range only when that moves or resizes its handle or reaches an end: a
// line added to or taken from a long list changes the range but not what
// the bar shows, and drawing the bar's shaded groove costs more than
// drawing the lines that changed.
void keepScrollBarSteady(QListWidget *list);

// Draws a line's tab characters as columns at the list's tab stops, and
// gives every line the width of the widest one as drawn, so that the list
// scrolls to the end of its longest line. No line is drawn as current
// unless it is selected.
class TabStopDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TabStopDelegate(QListWidget *list);
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Appends the lines to the list at once, measuring them as given.
    void append(const QStringList &texts);
    // Inserts the lines before the row at once, measuring them as given.
    void insert(int row, const QStringList &texts);
    // Gives the row a new text, counting its width out and the new one in.
    void changeText(int row, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The lines drawn lately, laid out once in the list's font: every
    // change to a long list redraws all the visible lines, and laying a
    // line out again costs as much as drawing it.
    QStaticText laidOut(const QString &text, const QFont &font) const;
    // The widest line's width as drawn, counted again first when dirty.
    int widest() const;
    // Counts a line of that width into the widest and its number of lines.
    void count(int width) const;

    QListWidget *m_list;
    mutable QCache<QString, QStaticText> m_laidOut{256};
    mutable int m_widest = 0;
    // How many lines are as wide as the widest: only the last of them going
    // away makes every line be measured again.
    mutable int m_widestLines = 0;
    mutable bool m_dirty = true;
    // The texts append() is adding, while it adds them.
    const QStringList *m_appending = nullptr;
    // Set while changeText() changes a line it has measured itself.
    bool m_changing = false;
};

} // namespace entrylist

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart_window.h"

#include "model/colours.h"
#include "model/entry_text.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QTableWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

QString euros(qint64 cents) {
    return entrytext::centsText(cents) + QStringLiteral(" €");
}

// An axis label: whole euros when the step between labels is whole euros.
QString axisLabel(qint64 cents, qint64 step) {
    QString text = entrytext::centsText(cents);
    if (step % 100 == 0)
        text.chop(3);
    return text;
}

// The step between an axis' labels for values up to span: 1, 2 or 5 times a
// power of ten, in cents, giving at most about that many labels.
qint64 niceStep(qint64 span, int most) {
    qint64 step = 1;
    while (true) {
        for (const qint64 factor : {1, 2, 5}) {
            if (span / (step * factor) <= most)
                return step * factor;
        }
        step *= 10;
    }
}

// The month index (months since year 0) of a date, and of a year and month.
int monthIndex(int year, int month) {
    return year * 12 + month - 1;
}

struct Scale {
    qint64 low = 0;
    qint64 high = 1;
    qint64 step = 1;
    QRectF area;
    qreal y(qint64 cents) const {
        return area.bottom() - qreal(cents - low) * area.height() / qreal(high - low);
    }
};

// The scale of values from low to high (and zero) over the area's height,
// with up to five labels, as many as stand two label heights apart.
Scale scaleFor(qint64 low, qint64 high, const QRectF &area, qreal labelHeight) {
    Scale scale;
    low = std::min<qint64>(low, 0);
    high = std::max<qint64>(high, 0);
    if (high == low)
        high = low + 100;
    scale.step = niceStep(high - low, std::clamp(int(area.height() / (2 * labelHeight)), 1, 5));
    scale.low = (low / scale.step - (low % scale.step < 0 ? 1 : 0)) * scale.step;
    scale.high = (high / scale.step + (high % scale.step > 0 ? 1 : 0)) * scale.step;
    scale.area = area;
    return scale;
}

// The value axis on the left: a label and a faint line at each step, the
// zero line darker.
void drawValueAxis(QPainter &painter, const Scale &scale) {
    const QFontMetricsF metrics(painter.font());
    for (qint64 value = scale.low; value <= scale.high; value += scale.step) {
        const qreal y = scale.y(value);
        painter.setPen(value == 0 ? QColor(96, 96, 96) : QColor(220, 220, 220));
        painter.drawLine(QPointF(scale.area.left(), y), QPointF(scale.area.right(), y));
        painter.setPen(Qt::black);
        const QRectF label(0, y - metrics.height() / 2, scale.area.left() - 6, metrics.height());
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter, axisLabel(value, scale.step));
    }
}

// Month names along the bottom of an area, every few months when they do
// not all fit; the year under each January and under the first month.
void drawMonthAxis(QPainter &painter, const QRectF &area, int firstMonth, int months,
                   const std::function<qreal(int)> &centreOf) {
    const QFontMetricsF metrics(painter.font());
    const qreal room = area.width() / std::max(months, 1);
    const int every = std::max(1, int(std::ceil(metrics.horizontalAdvance(QStringLiteral("sep ")) / room)));
    painter.setPen(Qt::black);
    for (int i = 0; i < months; ++i) {
        const int index = firstMonth + i;
        const int month = index % 12 + 1;
        if (i % every != 0 && month != 1)
            continue;
        const qreal x = centreOf(i);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 3));
        const QRectF label(x - 30, area.bottom() + 3, 60, metrics.height());
        painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, summary::monthName(month).left(3));
        if (month == 1 || i == 0)
            painter.drawText(label.translated(0, metrics.height()), Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(index / 12));
    }
}

} // namespace

ChartView::ChartView(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chart"));
    setFont(fonts::tahoma(8));
}

void ChartView::setSummary(const summary::Summary &summary) {
    m_summary = summary;
    update();
}

void ChartView::paintEvent(QPaintEvent *) {
    // Without antialiasing: the lines and bars run along the pixels, and
    // stay sharp at every scale (text keeps its own smoothing).
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    const QFontMetricsF metrics(font());
    if (m_summary.running.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No hay ningún registro con fecha."));
        return;
    }
    const QColor green = ui::color(colours::kGreen);
    const QColor darkRed = ui::color(colours::kDarkRed);
    const qreal left = metrics.horizontalAdvance(QStringLiteral("-00000000")) + 12;
    const qreal half = height() / 2.0;
    // Room under each title for half the top label of the value axis.
    const qreal titleHeight = 1.5 * metrics.height() + 8;
    const qreal axisHeight = 2 * metrics.height() + 6;
    const QRectF lineArea(left, titleHeight, width() - left - 16, half - titleHeight - axisHeight);
    const QRectF barArea(left, half + titleHeight, width() - left - 16, half - titleHeight - axisHeight);

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(8, metrics.ascent() + 4), QStringLiteral("Dinero total de los registros (€)"));
    painter.drawText(QPointF(8, half + metrics.ascent() + 4),
                     QStringLiteral("Ingresos y gastos por mes (€)"));
    painter.setFont(font());

    // The months shown: from the first entry's to the last one's.
    const summary::Year &firstYear = m_summary.years.first();
    const summary::Year &lastYear = m_summary.years.last();
    const int firstMonth = monthIndex(firstYear.year, firstYear.months.first().month);
    const int months = monthIndex(lastYear.year, lastYear.months.last().month) - firstMonth + 1;

    // The running total, from the first day of the first month to the last
    // day of the last one.
    qint64 low = 0;
    qint64 high = 0;
    for (const summary::Point &point : m_summary.running) {
        low = std::min(low, point.total);
        high = std::max(high, point.total);
    }
    const Scale lines = scaleFor(low, high, lineArea, metrics.height());
    drawValueAxis(painter, lines);
    const QDate start(firstYear.year, firstYear.months.first().month, 1);
    const QDate end = QDate(lastYear.year, lastYear.months.last().month, 1).addMonths(1);
    const qreal days = qreal(start.daysTo(end));
    auto xOf = [&](const QDate &date) {
        return lineArea.left() + qreal(start.daysTo(date)) * lineArea.width() / days;
    };
    // Each month named under its middle, clear of the value axis' labels.
    drawMonthAxis(painter, lineArea, firstMonth, months,
                  [&](int i) { return (xOf(start.addMonths(i)) + xOf(start.addMonths(i + 1))) / 2; });
    // A step line: the total holds from one date to the next, where it
    // rises or falls at once, and runs on to the end of the last month.
    // Each piece takes the colour of its side of zero; a rise or fall that
    // crosses zero is split where it does.
    const qreal zero = lines.y(0);
    auto colourOf = [&](qint64 total) { return QPen(total >= 0 ? green : darkRed, 2); };
    const summary::Point &first = m_summary.running.first();
    qint64 total = first.total;
    QPointF previous(xOf(first.date), lines.y(total));
    painter.setPen(colourOf(total));
    for (const summary::Point &point : m_summary.running) {
        const qreal x = xOf(point.date);
        painter.setPen(colourOf(total));
        painter.drawLine(previous, QPointF(x, previous.y()));
        const qreal y = lines.y(point.total);
        if ((total >= 0) != (point.total >= 0)) {
            painter.drawLine(QPointF(x, previous.y()), QPointF(x, zero));
            painter.setPen(colourOf(point.total));
            painter.drawLine(QPointF(x, zero), QPointF(x, y));
        } else {
            painter.drawLine(QPointF(x, previous.y()), QPointF(x, y));
        }
        previous = QPointF(x, y);
        total = point.total;
    }
    painter.setPen(colourOf(total));
    painter.drawLine(previous, QPointF(lineArea.right(), previous.y()));

    // The bars: each month's income and expenses side by side.
    qint64 tallest = 0;
    for (const summary::Year &year : m_summary.years) {
        for (const summary::Month &month : year.months)
            tallest = std::max({tallest, month.totals.income, month.totals.expenses});
    }
    const Scale bars = scaleFor(0, tallest, barArea, metrics.height());
    drawValueAxis(painter, bars);
    const qreal slot = barArea.width() / months;
    drawMonthAxis(painter, barArea, firstMonth, months,
                  [&](int i) { return barArea.left() + (i + 0.5) * slot; });
    const qreal barWidth = std::max<qreal>(1, slot * 0.35);
    painter.setPen(Qt::NoPen);
    for (const summary::Year &year : m_summary.years) {
        for (const summary::Month &month : year.months) {
            const qreal centre =
                barArea.left() + (monthIndex(year.year, month.month) - firstMonth + 0.5) * slot;
            const qreal base = bars.y(0);
            painter.setBrush(green);
            painter.drawRect(
                QRectF(QPointF(centre - barWidth, bars.y(month.totals.income)), QPointF(centre, base)));
            painter.setBrush(darkRed);
            painter.drawRect(
                QRectF(QPointF(centre, bars.y(month.totals.expenses)), QPointF(centre + barWidth, base)));
        }
    }
    // The key, top right of the bars.
    qreal x = width() - 16;
    for (const auto &[text, colour] :
         {std::pair{QStringLiteral("Gastos"), darkRed}, std::pair{QStringLiteral("Ingresos"), green}}) {
        x -= metrics.horizontalAdvance(text);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, half + metrics.ascent() + 4), text);
        x -= 14;
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRect(QRectF(x, half + 4 + (metrics.ascent() - 10) / 2 + 1, 10, 10));
        x -= 12;
    }
}

grafico::grafico(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("grafico"), QStringLiteral("Gráfico"), QSize(761, 601),
                    ui::CloseOnly, false);
    // Small enough for a 1366 × 768 screen at twice the size.
    setMinimumSize(480, 320);
    Image1 =
        new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    chart = new ChartView(this);
    table = new QTableWidget(0, 4, this);
    table->setObjectName(QStringLiteral("tabla"));
    table->setHorizontalHeaderLabels({QStringLiteral("Mes"), QStringLiteral("Ingresos"),
                                      QStringLiteral("Gastos"), QStringLiteral("Saldo")});
    table->setFont(fonts::tahoma(8));
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_cerrar"),
                                   QRect(617, 547, 128, 42));
    connect(Image2, &ui::PictureButton::clicked, this, &QWidget::close);

    // Lines come and go one at a time when a ledger is opened or emptied:
    // the chart is made again once, when they have.
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, this, &grafico::refresh);
    if (Form1 *ledger = ui::windows().form1()) {
        entrylist::whenChanged(ledger->lst, this, [this] { m_refresh.start(); });
    }
    refresh();
    ui::dialogKeys(this, nullptr, Image2);
    ui::placeAt(this, QPoint(140, 60));
}

void grafico::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // Cerrar at the bottom right; above it the chart, and the table with a
    // third of the room and at least its heading and three months.
    const int w = width(), h = height();
    Image2->move(w - 16 - Image2->width(), h - 12 - Image2->height());
    const int room = Image2->y() - 8 - 8 - 16;
    const int least = table->horizontalHeader()->sizeHint().height() +
                      3 * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth();
    const int tableHeight = std::max(least, room / 3);
    chart->setGeometry(16, 16, w - 32, room - tableHeight);
    table->setGeometry(16, chart->geometry().bottom() + 9, w - 32, tableHeight);
}

void grafico::refresh() {
    const Form1 *ledger = ui::windows().form1();
    const summary::Summary months = summary::summarise(ledger ? ledger->shownLedger().lines : QStringList());
    chart->setSummary(months);

    table->setRowCount(0);
    auto addRow = [this](const QString &title, const summary::Totals &totals, bool bold) {
        const int row = table->rowCount();
        table->insertRow(row);
        const QStringList cells = {title, euros(totals.income), euros(totals.expenses),
                                   euros(totals.balance())};
        for (int column = 0; column < 4; ++column) {
            auto *item = new QTableWidgetItem(cells.at(column));
            item->setTextAlignment(Qt::AlignVCenter | (column == 0 ? Qt::AlignLeft : Qt::AlignRight));
            if (column == 3)
                item->setForeground(ui::color(totals.balance() >= 0 ? colours::kGreen : colours::kDarkRed));
            QFont font = table->font();
            font.setBold(bold);
            item->setFont(font);
            table->setItem(row, column, item);
        }
    };
    for (const summary::Year &year : months.years) {
        for (const summary::Month &month : year.months) {
            QString title = summary::monthTitle(month.month, year.year);
            title[0] = title.at(0).toUpper();
            addRow(title, month.totals, false);
        }
        addRow(QStringLiteral("Total de %1").arg(year.year), year.totals, true);
    }
    if (months.undatedCount > 0)
        addRow(QStringLiteral("Sin fecha (%1 %2)")
                   .arg(months.undatedCount)
                   .arg(months.undatedCount == 1 ? QStringLiteral("registro") : QStringLiteral("registros")),
               months.undated, false);
}

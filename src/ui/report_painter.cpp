// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_painter.h"

#include "ui/fonts.h"
#include "ui/widgets.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <cmath>
#include <map>

namespace report {

namespace {

// A piece of one line's text and where it goes: its row below the line's
// first row, and its left edge in device pixels.
struct Run {
    QString text;
    int row = 0;
    qreal x = 0;
};

// Tab stops in device pixels.
class TabStops {
public:
    explicit TabStops(qreal pixelsPerPoint) : m_step(kTabStepPoints * pixelsPerPoint) {
        for (qreal stop : tabStopPoints())
            m_stops.append(stop * pixelsPerPoint);
    }

    // The first stop to the right of x.
    qreal after(qreal x) const {
        for (qreal stop : m_stops) {
            if (stop > x)
                return stop;
        }
        return (std::floor(x / m_step) + 1) * m_step;
    }

private:
    QList<qreal> m_stops;
    qreal m_step;
};

// A font with its metrics on the device, and the widths of the pieces of
// text measured so far: a report repeats the same dates and sources many
// times, and measuring a text costs as much as drawing it.
class MeasuredFont {
public:
    MeasuredFont(const QFont &font, QPaintDevice *device) : m_font(font), m_metrics(font, device) {}

    const QFont &font() const { return m_font; }
    const QFontMetricsF &metrics() const { return m_metrics; }

    qreal advance(const QString &text) {
        const auto known = m_advances.constFind(text);
        if (known != m_advances.cend())
            return *known;
        if (m_advances.size() >= kRemembered)
            m_advances.clear();
        const qreal width = m_metrics.horizontalAdvance(text);
        m_advances.insert(text, width);
        return width;
    }

private:
    static constexpr qsizetype kRemembered = 4096;
    QFont m_font;
    QFontMetricsF m_metrics;
    QHash<QString, qreal> m_advances;
};

// Splits a line at its tabs and places the pieces: each tab moves to the
// next stop; text that does not fit in the width left on its row wraps onto
// further rows, which start where the text started. Text that would start
// too close to the right edge starts a new row at the left.
QList<Run> placeLine(const QString &text, MeasuredFont &measured, QPaintDevice *device, const TabStops &stops,
                     qreal width, qreal minimumWidth) {
    QList<Run> runs;
    int row = 0;
    qreal x = 0;
    const QStringList pieces = text.split(QLatin1Char('\t'));
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            x = stops.after(x);
        const QString &piece = pieces.at(i);
        if (piece.isEmpty())
            continue;
        if (width - x < minimumWidth && x > 0) {
            ++row;
            x = 0;
        }
        const qreal advance = measured.advance(piece);
        if (x + advance <= width) {
            runs.append(Run{piece, row, x});
            x += advance;
            continue;
        }
        QTextLayout layout(piece, measured.font(), device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        QString last;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width - x);
            if (!last.isNull())
                ++row;
            last = piece.mid(line.textStart(), line.textLength());
            runs.append(Run{last, row, x});
        }
        layout.endLayout();
        x += measured.metrics().horizontalAdvance(last);
    }
    return runs;
}

} // namespace

QList<qreal> tabStopPoints() {
    constexpr qreal kGap = 12; // between the two stops of a pair
    return {kTabStepPoints,
            2 * kTabStepPoints,
            3 * kTabStepPoints,
            kDateColumnPoints,
            kAmountColumnPoints - kGap,
            kAmountColumnPoints,
            kSourceColumnPoints - kGap,
            kSourceColumnPoints,
            kBalanceColumnPoints - kGap,
            kBalanceColumnPoints};
}

PaintResult paintReport(QPagedPaintDevice &device, const QList<ReportLine> &lines) {
    device.setPageMargins(
        QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
        QPageLayout::Millimeter);

    QPainter painter;
    if (!painter.begin(&device))
        return PaintResult::NotStarted;

    // The painter's coordinates are device pixels from the top-left corner
    // inside the margins.
    const qreal pageWidth = device.width();
    const qreal pageHeight = device.height();
    const qreal pixelsPerPoint = device.logicalDpiX() / 72.0;
    const TabStops stops(pixelsPerPoint);
    const qreal minimumWidth = 72 * pixelsPerPoint;

    // Fonts and their metrics are made once per size: making them afresh
    // for every line took a fifth of the time of a long report.
    std::map<int, MeasuredFont> fonts;
    const MeasuredFont *painterFont = nullptr;

    qreal y = 0; // top of the next row
    for (const ReportLine &line : lines) {
        auto found = fonts.find(line.pointSize);
        if (found == fonts.end())
            found = fonts.try_emplace(line.pointSize, fonts::tahoma(line.pointSize), &device).first;
        MeasuredFont &measured = found->second;
        const QFontMetricsF &metrics = measured.metrics();
        const QList<Run> runs = placeLine(line.text, measured, &device, stops, pageWidth, minimumWidth);
        const int rows = runs.isEmpty() ? 1 : runs.last().row + 1;

        if (painterFont != &measured) {
            painter.setFont(measured.font());
            painterFont = &measured;
        }
        if (painter.pen().color() != ui::color(line.colour))
            painter.setPen(ui::color(line.colour));
        auto run = runs.cbegin();
        for (int row = 0; row < rows; ++row) {
            if (y > 0 && y + metrics.lineSpacing() > pageHeight) {
                if (!device.newPage()) {
                    // A printer must not get the pages drawn so far as a
                    // job of their own.
                    if (auto *printer = dynamic_cast<QPrinter *>(&device))
                        printer->abort();
                    painter.end();
                    return PaintResult::PageRefused;
                }
                y = 0;
            }
            for (; run != runs.cend() && run->row == row; ++run)
                painter.drawText(QPointF(run->x, y + metrics.ascent()), run->text);
            y += metrics.lineSpacing();
        }
    }
    if (!painter.end())
        return PaintResult::NotFinished;
    return PaintResult::Done;
}

} // namespace report

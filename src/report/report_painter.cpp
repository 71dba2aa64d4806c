#include "report/report_painter.h"

#include "platform/fonts.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <cmath>

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

// Splits a line at its tabs and places the pieces: each tab moves to the
// next stop; text that does not fit in the width left on its row wraps onto
// further rows, which start where the text started. Text that would start
// too close to the right edge starts a new row at the left.
QList<Run> placeLine(const QString &text, const QFont &font, QPaintDevice *device, const TabStops &stops,
                     qreal width, qreal minimumWidth) {
    const QFontMetricsF metrics(font, device);
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
        const qreal advance = metrics.horizontalAdvance(piece);
        if (x + advance <= width) {
            runs.append(Run{piece, row, x});
            x += advance;
            continue;
        }
        QTextLayout layout(piece, font, device);
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
        x += metrics.horizontalAdvance(last);
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
            kSourceColumnPoints};
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

    const QFont textFont = fonts::tahoma(kTextPointSize);
    const QFont totalFont = fonts::tahoma(kTotalPointSize);
    auto fontOf = [&](int pointSize) {
        if (pointSize == kTextPointSize)
            return textFont;
        return pointSize == kTotalPointSize ? totalFont : fonts::tahoma(pointSize);
    };

    qreal y = 0; // top of the next row
    for (const ReportLine &line : lines) {
        const QFont font = fontOf(line.pointSize);
        const QFontMetricsF metrics(font, &device);
        const QList<Run> runs = placeLine(line.text, font, &device, stops, pageWidth, minimumWidth);
        const int rows = runs.isEmpty() ? 1 : runs.last().row + 1;

        painter.setFont(font);
        painter.setPen(line.colour);
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

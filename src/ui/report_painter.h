// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/report_lines.h"

#include <QList>

class QPagedPaintDevice;

// Lays the report's lines out on a printer or a PDF writer.
namespace report {

// The margin on every side of a page, in millimetres.
constexpr qreal kMarginMillimetres = 15;

// Tab stops, in points from the left margin. Four narrow stops make the
// indents; then an entry line (date, two tabs, amount, two tabs, source)
// finds a pair of stops after the date column and a pair after the amount
// column, so that entries read as columns on A4 as well as on Letter. Past
// the last listed stop they follow every kTabStepPoints.
constexpr qreal kTabStepPoints = 24;
constexpr qreal kDateColumnPoints = 4 * kTabStepPoints;
constexpr qreal kAmountColumnPoints = kDateColumnPoints + 78;
constexpr qreal kSourceColumnPoints = kAmountColumnPoints + 96;
// The month summary's balance column, after its income and expenses in the
// amount and source columns.
constexpr qreal kBalanceColumnPoints = kSourceColumnPoints + 96;
QList<qreal> tabStopPoints();

enum class PaintResult {
    Done,
    NotStarted,  // the device refused to start painting
    PageRefused, // the device could not start a further page
    NotFinished, // the device could not finish the document
};

// Draws the lines top to bottom in "tahoma", one below the other. A tab
// moves to the next tab stop; text wider than the room left on the page
// wraps onto further rows. A row that would pass the bottom margin goes on
// a new page. Sets the page
// margins, and ends the document, which for a printer hands the job over.
PaintResult paintReport(QPagedPaintDevice &device, const QList<ReportLine> &lines);

} // namespace report

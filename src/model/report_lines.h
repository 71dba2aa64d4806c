// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/colours.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// The printed report as a list of lines, independent of any printer.
namespace report {

// Sizes of the report's two fonts, in points.
constexpr int kTextPointSize = 10;
constexpr int kTotalPointSize = 15;

// The address the closing line advertises.
QString downloadAddress();

// One printed line. Its text may hold tab characters, which advance to the
// next tab stop, but never a line feed.
struct ReportLine {
    QString text;
    int pointSize = kTextPointSize;
    colours::Rgb colour;

    bool operator==(const ReportLine &other) const {
        return text == other.text && pointSize == other.pointSize && colour == other.colour;
    }
    bool operator!=(const ReportLine &other) const { return !(*this == other); }
};

// What a report shows, read from the ledger window at the moment of printing.
struct ReportInput {
    QString caption;   // the ledger window's caption, as it stands
    QString dateText;  // the date of printing, short date format
    QString timeText;  // the time of printing, short time format
    int count = 0;     // the number of entries, read once
    QString totalText; // the running total, printed character for character
    QStringList entries;
};

// The five statements of the report and the entry lines, split at their line
// feeds: a blank line, the caption, a blank line, the date line, the count
// line, two blank lines, the total line, a blank line, one line per entry,
// when there are entries the month summary (a blank line, its heading, the
// columns' heading, a line per month with its income, expenses and balance,
// one per year with its totals, one for the entries without a date), a
// blank line and the closing line. The heading is black; the total line and
// the blank lines around it are in the larger font, green when the total is
// zero or more and dark red below zero (black when it is not a number); the
// entries and the closing line are black. The locale reads the total.
QList<ReportLine> reportLines(const ReportInput &input, const QLocale &locale = QLocale());

} // namespace report

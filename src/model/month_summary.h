// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

// A ledger's entries by month and year, in cents, read from the list's
// lines (their display texts, see entry_text.h).
namespace summary {

struct Totals {
    qint64 income = 0;   // the sum of the incomes
    qint64 expenses = 0; // the sum of the expenses, as a positive amount
    qint64 balance() const { return income - expenses; }
};

struct Month {
    int month = 0; // 1 to 12
    Totals totals;
};

struct Year {
    int year = 0;
    QList<Month> months; // each month of the year from the first to the last with an entry
    Totals totals;
};

// The running total of the dated entries at the end of one day.
struct Point {
    QDate date;
    qint64 total = 0;
};

struct Summary {
    // Every month from the first entry's to the last one's, months without
    // entries included, grouped by year.
    QList<Year> years;
    // The lines whose date does not read as a date, or that have no amount
    // at all ("sin fecha"): never dropped, counted here.
    int undatedCount = 0;
    Totals undated;
    // One point per day that has entries, in date order: the sum of every
    // dated entry up to and including that day.
    QList<Point> running;
};

// Reads each line's date as entrydates::DateReader does for the locale.
Summary summarise(const QStringList &lines, const QLocale &locale = QLocale());

// The Spanish name of a month (1 to 12), in lower case: "enero".
QString monthName(int month);

// "enero de 2026".
QString monthTitle(int month, int year);

} // namespace summary

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The text form of every number the ledger shows or stores: the shortest
// decimal text of at most 15 significant digits, no digit grouping, the
// locale's decimal separator, a leading "-" for negatives and the exponent
// form ("1,5E+15", "1E-05") for very large and very small magnitudes.
namespace numbertext {

// Writes a finite value; non-finite values have no text form and give "".
QString format(double value, const QLocale &locale = QLocale());

// Reads text written by format() (and the usual hand-typed forms: "12",
// "-3,5", "+7", "1E+20", surrounding blanks) back into a finite number.
// Anything else, including digit grouping, the other locale's separator and
// values that overflow a double, gives no value.
std::optional<double> parse(const QString &text, const QLocale &locale = QLocale());

// How many decimal places a number text shows ("12,5" one, "3" none,
// "1,25E-03" five); 0 for text that is not a number.
int decimalPlaces(const QString &text, const QLocale &locale = QLocale());

// The running total moved by an amount in cents: total + cents / 100 in
// double precision, then rounded to the decimal places the sum can really
// have (those of the total's text, at least two), so that binary fractions
// never leave noise such as 0,0999999999999996 where 0,1 is meant.
double moveByCents(double total, int totalPlaces, qint64 cents);

// a + b in double precision, rounded to the decimal places given.
double sumRounded(double a, double b, int places);

// The decimal separator of a locale as one character ("," or ".").
QChar decimalSeparator(const QLocale &locale);

// A locale whose decimal separator is the other one of comma and full stop.
QLocale otherSeparatorLocale(const QLocale &locale);

// A stored number text in the locale's form: as it is when the locale
// reads it, written anew when only the other decimal separator reads it
// ("171,72" is "171.72" under English settings), any other text as it is.
QString inLocale(const QString &text, const QLocale &locale = QLocale());

} // namespace numbertext

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

// The decimal separator of a locale as one character ("," or ".").
QChar decimalSeparator(const QLocale &locale);

} // namespace numbertext

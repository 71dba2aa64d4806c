// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Date and time texts.
namespace clocktext {

// The date with a two-digit day and month and a four-digit year, in the
// order and with the separators of the locale's short date format
// ("09/12/2026" in Spain, "12/09/2026" in the United States, "09.12.2026"
// in Germany), always in ASCII digits. A locale whose short format is not
// all numbers (the C locale's "9 Dec 2026") gets the Spanish "09/12/2026".
// Empty for an invalid date.
QString dateText(const QDate &date, const QLocale &locale = QLocale());
// The time in the locale's short time format.
QString timeText(const QTime &time, const QLocale &locale = QLocale());

// Today's date as dateText() writes it.
QString today();

} // namespace clocktext

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

// The dates of the entries: their date texts read as dates.
namespace entrydates {

// Reads date texts as the locale's short date format does when it is all
// numbers ("8/12/26" and "08/12/2026" in Spain, "12/8/26" in the United
// States, "08.12.2026" in Germany), and failing that as day, month and year
// between slashes ("08/12/2026", "8/12/26"). Days and months take one or two
// digits, years two or four; a two-digit year is 2000 to 2069 from "00" to
// "69" and 1970 to 1999 from "70" to "99". Blanks around the text are
// allowed, nothing else.
class DateReader {
public:
    explicit DateReader(const QLocale &locale = QLocale());
    std::optional<QDate> read(QStringView text) const;

private:
    enum class Order { DayMonthYear, MonthDayYear, YearMonthDay };
    static std::optional<QDate> readAs(QStringView text, Order order, QChar separator);

    Order m_order = Order::DayMonthYear;
    QChar m_separator = QLatin1Char('/');
};

} // namespace entrydates

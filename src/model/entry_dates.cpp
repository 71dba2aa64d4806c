// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/entry_dates.h"

namespace entrydates {

DateReader::DateReader(const QLocale &locale) {
    // The order of the day, month and year letters and the one character
    // between them; a format with anything else (month names, two different
    // separators) leaves the day, month and year between slashes.
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString order;
    QChar separator;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            if (order.isEmpty() || order.back() != c)
                order += c;
        } else if (separator.isNull() || separator == c) {
            separator = c;
        } else {
            return;
        }
    }
    if (separator.isNull() || separator.isLetterOrNumber())
        return;
    if (order == QLatin1String("dMy"))
        m_order = Order::DayMonthYear;
    else if (order == QLatin1String("Mdy"))
        m_order = Order::MonthDayYear;
    else if (order == QLatin1String("yMd"))
        m_order = Order::YearMonthDay;
    else
        return;
    m_separator = separator;
}

std::optional<QDate> DateReader::read(QStringView text) const {
    text = text.trimmed();
    if (std::optional<QDate> date = readAs(text, m_order, m_separator))
        return date;
    if (m_order == Order::DayMonthYear && m_separator == QLatin1Char('/'))
        return std::nullopt;
    return readAs(text, Order::DayMonthYear, QLatin1Char('/'));
}

std::optional<QDate> DateReader::readAs(QStringView text, Order order, QChar separator) {
    int numbers[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int field = 0;
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (++digits[field] > 4)
                return std::nullopt;
            numbers[field] = numbers[field] * 10 + (c.unicode() - '0');
        } else if (c == separator && digits[field] > 0 && field < 2) {
            ++field;
        } else {
            return std::nullopt;
        }
    }
    if (field != 2)
        return std::nullopt;
    const int yearField = order == Order::YearMonthDay ? 0 : 2;
    const int monthField = order == Order::MonthDayYear ? 0 : 1;
    const int dayField = order == Order::DayMonthYear ? 0 : order == Order::MonthDayYear ? 1 : 2;
    for (int i = 0; i < 3; ++i) {
        const bool year = i == yearField;
        if (year ? digits[i] != 2 && digits[i] != 4 : digits[i] > 2)
            return std::nullopt;
    }
    int year = numbers[yearField];
    if (digits[yearField] == 2)
        year += year < 70 ? 2000 : 1900;
    const QDate date(year, numbers[monthField], numbers[dayField]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace entrydates

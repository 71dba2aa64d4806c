// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/numbertext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace numbertext {

namespace {

// The exponent digits of a number text, saturated far beyond any double's
// range so that no exponent text can overflow the arithmetic on it.
long long saturatedExponent(QStringView text) {
    constexpr long long kLimit = 1000000;
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text.at(0) == QLatin1Char('-');
    if (!text.isEmpty() && (text.at(0) == QLatin1Char('-') || text.at(0) == QLatin1Char('+')))
        ++i;
    long long exponent = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        exponent = qMin(exponent * 10 + (text.at(i).unicode() - '0'), kLimit);
    return negative ? -exponent : exponent;
}

// True when a plain C number text (sign, digits, ".", digits, "e" exponent)
// lies in magnitude between 1E+308 and 1.79769313486232E+308, the text that
// format() writes for the largest doubles: rounded to 15 digits, it lies
// just past the largest double and the converter reports an overflow.
bool withinLargestText(const QByteArray &plain) {
    QByteArray digits;
    qsizetype pointAt = -1;
    qsizetype i = 0;
    if (i < plain.size() && (plain.at(i) == '-' || plain.at(i) == '+'))
        ++i;
    for (; i < plain.size() && plain.at(i) != 'e'; ++i) {
        if (plain.at(i) == '.')
            pointAt = digits.size();
        else
            digits.append(plain.at(i));
    }
    if (pointAt < 0)
        pointAt = digits.size();
    const long long exponent =
        i < plain.size() ? saturatedExponent(QString::fromLatin1(plain.mid(i + 1))) : 0;

    qsizetype lead = 0;
    while (lead < digits.size() && digits.at(lead) == '0')
        ++lead;
    if (lead == digits.size())
        return false; // zero
    const long long scientific = (long long)(pointAt - lead - 1) + exponent;
    QByteArray significant = digits.mid(lead);
    while (significant.endsWith('0'))
        significant.chop(1);
    return scientific == 308 && significant <= QByteArrayLiteral("179769313486232");
}

} // namespace

QChar decimalSeparator(const QLocale &locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 ? point.at(0) : QLatin1Char('.');
}

QLocale otherSeparatorLocale(const QLocale &locale) {
    return QLocale(decimalSeparator(locale) == QLatin1Char(',') ? QLocale::C : QLocale::Spanish);
}

QString inLocale(const QString &text, const QLocale &locale) {
    if (parse(text, locale))
        return text;
    const std::optional<double> other = parse(text, otherSeparatorLocale(locale));
    return other ? format(*other, locale) : text;
}

QString format(double value, const QLocale &locale) {
    if (!std::isfinite(value))
        return QString();
    if (value == 0.0)
        return QStringLiteral("0"); // never "-0"

    // std::to_chars is locale independent and correctly rounded; "general"
    // with precision 15 is the %.15g rule: exponent form below 1e-4 and from
    // 1e15 up, trailing zeros dropped.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc())
        return QString();

    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    text.replace(QLatin1Char('.'), decimalSeparator(locale));
    return text;
}

std::optional<double> parse(const QString &input, const QLocale &locale) {
    const QString text = input.trimmed();
    const QChar separator = decimalSeparator(locale);

    // Validate the shape ourselves, then hand a plain C-locale text to the
    // converter: [sign] digits [sep digits] [E [sign] digits], with at least
    // one digit in the mantissa.
    QByteArray plain;
    plain.reserve(text.size());
    int i = 0;
    const int n = int(text.size());
    auto isDigit = [&](int at) {
        return at < n && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9');
    };

    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        plain.append(char(text.at(i++).unicode()));
    int mantissaDigits = 0;
    while (isDigit(i)) {
        plain.append(char(text.at(i++).unicode()));
        ++mantissaDigits;
    }
    if (i < n && text.at(i) == separator) {
        plain.append('.');
        ++i;
        while (isDigit(i)) {
            plain.append(char(text.at(i++).unicode()));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text.at(i) == QLatin1Char('E') || text.at(i) == QLatin1Char('e'))) {
        plain.append('e');
        ++i;
        if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
            plain.append(char(text.at(i++).unicode()));
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            plain.append(char(text.at(i++).unicode()));
    }
    if (i != n)
        return std::nullopt;

    const char *first = plain.constData();
    const char *last = first + plain.size();
    if (*first == '+')
        ++first; // from_chars takes no plus sign
    double value = 0.0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ptr != last)
        return std::nullopt;
    if (result.ec == std::errc() && std::isfinite(value))
        return value;
    // What format() writes for the largest doubles reads back as the
    // largest double; anything further out has no value.
    if (withinLargestText(plain)) {
        constexpr double kLargest = std::numeric_limits<double>::max();
        return plain.startsWith('-') ? -kLargest : kLargest;
    }
    return std::nullopt;
}

int decimalPlaces(const QString &input, const QLocale &locale) {
    if (!parse(input, locale))
        return 0;
    const QString text = input.trimmed();
    const QChar separator = decimalSeparator(locale);
    int exponentAt = int(text.indexOf(QLatin1Char('E'), 0, Qt::CaseInsensitive));
    const QString mantissa = exponentAt < 0 ? text : text.left(exponentAt);
    const int separatorAt = int(mantissa.indexOf(separator));
    long long places = separatorAt < 0 ? 0 : mantissa.size() - separatorAt - 1;
    if (exponentAt >= 0)
        places -= saturatedExponent(QStringView(text).mid(exponentAt + 1));
    return int(qBound(0LL, places, 400LL));
}

double moveByCents(double total, int totalPlaces, qint64 cents) {
    // Any amount of cents up to 2^53 converts exactly.
    return sumRounded(total, static_cast<double>(cents) / 100.0, qMax(totalPlaces, 2));
}

double sumRounded(double a, double b, int places) {
    const double sum = a + b;
    // Past 17 significant decimals a double holds no more than the sum.
    if (!std::isfinite(sum) || places > 17 || std::fabs(sum) >= 1e17)
        return sum;
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, sum, std::chars_format::fixed, places);
    if (written.ec != std::errc())
        return sum;
    double rounded = sum;
    const auto read = std::from_chars(buffer, written.ptr, rounded, std::chars_format::fixed);
    return read.ec == std::errc() ? rounded : sum;
}

} // namespace numbertext

#include "platform/numbertext.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace numbertext {

QChar decimalSeparator(const QLocale &locale) {
    const QString point = locale.decimalPoint();
    return point.size() == 1 ? point.at(0) : QLatin1Char('.');
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
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
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
    if (exponentAt >= 0) {
        bool ok = false;
        const long long exponent = text.mid(exponentAt + 1).toLongLong(&ok);
        places = ok ? places - exponent : places;
    }
    return int(qBound(0LL, places, 400LL));
}

double moveByCents(double total, int totalPlaces, qint64 cents) {
    const double sum = total + cents / 100.0;
    const int places = qMax(totalPlaces, 2);
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

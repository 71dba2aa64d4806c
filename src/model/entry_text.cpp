// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/entry_text.h"

#include <limits>

namespace entrytext {

namespace {

const QChar kEuro(0x20AC);

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// units × 100 + cents for texts already known to be digits; nothing when the
// value does not fit a signed 32-bit integer.
std::optional<qint32> combine(QStringView units, QStringView cents) {
    constexpr qint64 kMax = std::numeric_limits<qint32>::max();
    qint64 whole = 0;
    for (QChar c : units) {
        whole = whole * 10 + (c.unicode() - '0');
        if (whole * 100 > kMax)
            return std::nullopt;
    }
    qint64 fraction = 0;
    for (QChar c : cents) {
        fraction = fraction * 10 + (c.unicode() - '0');
        if (fraction > kMax)
            return std::nullopt;
    }
    const qint64 total = whole * 100 + fraction;
    if (total > kMax)
        return std::nullopt;
    return qint32(total);
}

} // namespace

QString completeCents(const QString &cents) {
    if (cents.size() == 1 && isDigit(cents.at(0)))
        return cents + QLatin1Char('0');
    if (cents.isEmpty())
        return QStringLiteral("00");
    return cents;
}

bool isDigits(const QString &text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

std::optional<qint32> amountCents(const QString &units, const QString &cents) {
    if (!isDigits(units) || !isDigits(cents))
        return std::nullopt;
    return combine(units, cents);
}

QString displayText(const QString &date, bool income, const QString &units, const QString &cents,
                    const QString &source) {
    QString text;
    text.reserve(date.size() + units.size() + cents.size() + source.size() + 8);
    text += date;
    text += QLatin1String("\t\t");
    text += income ? QLatin1Char('+') : QLatin1Char('-');
    text += units;
    text += QLatin1Char(',');
    text += cents;
    text += kEuro;
    text += QLatin1String("\t\t");
    text += source;
    return text;
}

namespace {

// Where the first amount part of a display text lies: the first tab before
// it, the first character after it, and the amount, or nothing where the
// amount does not fit.
struct AmountPart {
    int start = -1;
    int end = -1;
    std::optional<qint32> cents;
};

AmountPart findAmount(const QString &text) {
    const int n = int(text.size());
    int from = 0;
    while (true) {
        // The next tab followed by a second one; searching for the single
        // character is several times faster than for the pair.
        const int at = int(text.indexOf(QLatin1Char('\t'), from));
        if (at < 0)
            return {};
        from = at + 1;
        if (at + 1 >= n || text.at(at + 1) != QLatin1Char('\t'))
            continue;
        int i = at + 2;
        if (i >= n || (text.at(i) != QLatin1Char('+') && text.at(i) != QLatin1Char('-')))
            continue;
        const bool negative = text.at(i) == QLatin1Char('-');
        ++i;
        const int unitsStart = i;
        while (i < n && isDigit(text.at(i)))
            ++i;
        const int unitsEnd = i;
        if (unitsEnd == unitsStart || i + 6 > n)
            continue;
        if (text.at(i) != QLatin1Char(',') || !isDigit(text.at(i + 1)) || !isDigit(text.at(i + 2)) ||
            text.at(i + 3) != kEuro || text.at(i + 4) != QLatin1Char('\t') ||
            text.at(i + 5) != QLatin1Char('\t'))
            continue;
        std::optional<qint32> amount = combine(QStringView(text).mid(unitsStart, unitsEnd - unitsStart),
                                               QStringView(text).mid(i + 1, 2));
        if (amount && negative)
            amount = -*amount;
        return {at, i + 6, amount};
    }
}

} // namespace

qint32 centsFromDisplayText(const QString &text) {
    return findAmount(text).cents.value_or(0);
}

std::optional<Fields> fields(const QString &text) {
    const AmountPart part = findAmount(text);
    if (!part.cents)
        return std::nullopt;
    return Fields{text.left(part.start), *part.cents, text.mid(part.end)};
}

QString centsText(qint64 cents) {
    // Written backwards into a buffer: a CSV or a summary of a full ledger
    // writes tens of thousands of these.
    char buffer[24];
    char *const end = buffer + sizeof buffer;
    char *p = end;
    quint64 magnitude = cents < 0 ? 0 - quint64(cents) : quint64(cents);
    for (int digit = 0; digit < 2; ++digit, magnitude /= 10)
        *--p = char('0' + magnitude % 10);
    *--p = ',';
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (cents < 0)
        *--p = '-';
    return QString::fromLatin1(p, end - p);
}

} // namespace entrytext

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/entry_text.h"

#include "model/ledger_format.h"
#include "model/numbertext.h"

#include <QStringList>

#include <algorithm>
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

namespace {

QChar groupSeparator(const QLocale &locale) {
    const QString group = locale.groupSeparator();
    return group.size() == 1 ? group.at(0) : QChar();
}

// The digits of units grouped in threes by the separator ("1.234.567"),
// or nothing when the text is not so grouped.
std::optional<QString> ungrouped(const QString &units, QChar separator) {
    const QStringList groups = units.split(separator);
    if (separator.isNull() || groups.size() < 2 || groups.first().size() > 3)
        return std::nullopt;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        if (!isDigits(groups.at(i)) || (i > 0 && groups.at(i).size() != 3))
            return std::nullopt;
    }
    return groups.join(QString());
}

} // namespace

void typeKey(AmountBoxes &boxes, QChar key, const QLocale &locale) {
    const QChar group = groupSeparator(locale);
    if (!boxes.inCents) {
        if (key == QLatin1Char(',') || key == numbertext::decimalSeparator(locale)) {
            boxes.centsBeforeGroup =
                key == group ? std::optional<QString>(boxes.cents) : std::optional<QString>();
            boxes.inCents = true;
            boxes.centsSelected = true;
            boxes.centsOverflow = false;
        } else if (isDigit(key) || key == group) {
            boxes.units += key;
        }
        return;
    }
    if (boxes.centsSelected) {
        boxes.cents.clear();
        boxes.centsSelected = false;
    }
    if (boxes.centsBeforeGroup && isDigit(key) && boxes.cents.size() == 2 && isDigits(boxes.cents)) {
        boxes.units += group + boxes.cents + key;
        boxes.cents = *boxes.centsBeforeGroup;
        boxes.centsBeforeGroup.reset();
        boxes.inCents = false;
    } else if (boxes.cents.size() < 2) {
        boxes.cents += key;
    } else {
        boxes.centsOverflow = true;
    }
}

Amount readAmount(const AmountBoxes &boxes, const QLocale &locale) {
    Amount amount;
    amount.centsDigits = completeCents(boxes.cents);
    if (isDigits(boxes.units)) {
        amount.units = boxes.units;
    } else if (const std::optional<QString> digits = ungrouped(boxes.units, groupSeparator(locale))) {
        amount.units = *digits;
    } else {
        const bool separatorsOnly =
            !boxes.units.isEmpty() && std::all_of(boxes.units.cbegin(), boxes.units.cend(), [](QChar c) {
                return isDigit(c) || c == QLatin1Char(',') || c == QLatin1Char('.');
            });
        amount.problem = separatorsOnly ? AmountProblem::Unclear : AmountProblem::NotDigits;
        return amount;
    }
    if (!isDigits(amount.centsDigits) || amount.centsDigits.size() != 2) {
        amount.problem = AmountProblem::NotDigits;
        return amount;
    }
    if (boxes.centsOverflow) {
        amount.problem = AmountProblem::Unclear;
        return amount;
    }
    const std::optional<qint32> cents = amountCents(amount.units, amount.centsDigits);
    if (!cents)
        amount.problem = AmountProblem::TooLarge;
    else
        amount.cents = *cents;
    return amount;
}

QString unusableCharacters(const QString &text) {
    QString found = ledgerformat::unsavableCharacters(text);
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control && !found.contains(c))
            found += c;
    }
    return found;
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
    bool negative = false;
    int unitsStart = -1;
    int unitsEnd = -1;
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
        return {at, i + 6, amount, negative, unitsStart, unitsEnd};
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
    return Fields{text.left(part.start),
                  *part.cents,
                  text.mid(part.end),
                  !part.negative,
                  text.mid(part.unitsStart, part.unitsEnd - part.unitsStart),
                  text.mid(part.unitsEnd + 1, 2)};
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/bank_import.h"

#include "model/bank_import_text.h"
#include "model/clock.h"
#include "model/entry_text.h"
#include "model/ledger_format.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace bankimport {

using storage::Error;
using storage::Failure;

namespace {

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

// The value of up to 18 ASCII digits.
qint64 digitsValue(QStringView digits) {
    qint64 value = 0;
    for (const QChar c : digits)
        value = value * 10 + (c.unicode() - '0');
    return value;
}

// Units and up to two decimals, leading zeros left out; the largest 64-bit
// value when there are more digits than 64 bits hold.
std::optional<qint64> centsOf(QStringView units, QStringView fraction) {
    while (units.size() > 1 && units.front() == QLatin1Char('0'))
        units = units.mid(1);
    if (!allDigits(units) || (!fraction.isEmpty() && !allDigits(fraction)))
        return std::nullopt;
    // A third decimal and beyond may only be zeros.
    for (qsizetype i = 2; i < fraction.size(); ++i) {
        if (fraction.at(i) != QLatin1Char('0'))
            return std::nullopt;
    }
    if (units.size() > 16)
        return std::numeric_limits<qint64>::max();
    const qint64 cents = fraction.isEmpty()    ? 0
                         : fraction.size() < 2 ? digitsValue(fraction) * 10
                                               : digitsValue(fraction.left(2));
    return digitsValue(units) * 100 + cents;
}

// Groups of three digits after the first, as in "1.234.567".
bool groupedRight(QStringView units, QChar grouping) {
    const QList<QStringView> groups = units.split(grouping);
    if (groups.first().isEmpty() || groups.first().size() > 3)
        return false;
    return std::all_of(groups.begin() + 1, groups.end(), [](QStringView g) { return g.size() == 3; });
}

QString keyOf(const QString &date, qint64 cents, const QString &source) {
    return date + QLatin1Char('\t') + QString::number(cents) + QLatin1Char('\t') + source;
}

// The key of a ledger line: its date text, amount and source.
QString keyOfLine(const QString &line) {
    const qsizetype dateEnd = line.indexOf(QLatin1String("\t\t"));
    const qsizetype sourceStart =
        dateEnd < 0 ? -1 : line.indexOf(QString(QChar(0x20AC)) + QLatin1String("\t\t"), dateEnd + 2);
    if (sourceStart < 0)
        return line;
    return keyOf(line.left(dateEnd), entrytext::centsFromDisplayText(line), line.mid(sourceStart + 3));
}

// Line breaks and tabs within a description become blanks, runs of blanks one.
QString cleanDescription(const QString &text) {
    return text.simplified();
}

QString unsavable(const QString &text) {
    // Most descriptions are Latin-1 letters and marks alone.
    if (std::all_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() >= 0xA0 ? c.unicode() <= 0xFF : c.unicode() >= 0x20 && c.unicode() < 0x7F;
        }))
        return QString();
    QString found = ledgerformat::unsavableCharacters(text);
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && !found.contains(c))
            found += c;
    }
    return found;
}

} // namespace

namespace detail {

std::optional<qint64> parseAmount(const QString &raw, std::optional<QChar> decimal) {
    QString text;
    text.reserve(raw.size());
    for (const QChar c : raw) {
        if (!c.isSpace())
            text += c;
    }
    const auto dropCurrency = [&text] {
        if (text.endsWith(QLatin1String("EUR"), Qt::CaseInsensitive))
            text.chop(3);
        else if (text.endsWith(QChar(0x20AC)))
            text.chop(1);
        if (text.startsWith(QChar(0x20AC)))
            text.remove(0, 1);
    };
    dropCurrency();
    bool negative = false;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('(')) && text.endsWith(QLatin1Char(')'))) {
        negative = true;
        text = text.mid(1, text.size() - 2);
    }
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QChar(0x2212))) {
        negative = !negative;
        text.remove(0, 1);
    } else if (text.startsWith(QLatin1Char('+'))) {
        text.remove(0, 1);
    } else if (text.endsWith(QLatin1Char('-'))) {
        negative = true;
        text.chop(1);
    }
    dropCurrency();
    if (text.isEmpty())
        return std::nullopt;

    const qsizetype points = text.count(QLatin1Char('.'));
    const qsizetype commas = text.count(QLatin1Char(','));
    QChar separator; // the decimal one, if any
    if (decimal) {
        if (text.count(*decimal) == 1)
            separator = *decimal;
    } else if (points > 0 && commas > 0) {
        separator = text.at(std::max(text.lastIndexOf(QLatin1Char('.')), text.lastIndexOf(QLatin1Char(','))));
    } else if (points + commas == 1) {
        const QChar only =
            text.contains(QLatin1Char('.')) ? QChar(QLatin1Char('.')) : QChar(QLatin1Char(','));
        const qsizetype after = text.size() - 1 - text.indexOf(only);
        // "1.234" groups thousands; "12,5" and "12,50" have decimals.
        if (after != 3 || text.startsWith(only) || text.startsWith(QLatin1String("0") + only))
            separator = only;
    }
    QStringView units(text);
    QStringView fraction;
    if (!separator.isNull()) {
        const qsizetype at = text.lastIndexOf(separator);
        units = QStringView(text).left(at);
        fraction = QStringView(text).mid(at + 1);
        if (fraction.isEmpty() || units.contains(separator))
            return std::nullopt;
        if (units.isEmpty())
            units = u"0";
    }
    QString whole = units.toString();
    if (whole.contains(QLatin1Char('.')) || whole.contains(QLatin1Char(','))) {
        const QChar grouping =
            whole.contains(QLatin1Char('.')) ? QChar(QLatin1Char('.')) : QChar(QLatin1Char(','));
        if (whole.contains(grouping == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.')) ||
            !groupedRight(whole, grouping))
            return std::nullopt;
        whole.remove(grouping);
    }
    const std::optional<qint64> cents = centsOf(whole, fraction);
    if (!cents)
        return std::nullopt;
    return negative ? -*cents : *cents;
}

QStringList splitLines(const QString &text) {
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

Error nothingFound() {
    return Error(Failure::NotAStatement);
}

bool hasLetter(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

} // namespace detail

QString decodeText(const QByteArray &bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringConverter::Utf16LE);
        return utf16(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return ledgerformat::windows1252Text(bytes);
}

std::optional<QDate> parseDate(const QString &raw) {
    QString text = raw.trimmed();
    // A time may follow: "2026-01-31 10:00", "2026-01-31T10:00".
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('T')) {
            text.truncate(i);
            break;
        }
    }
    if (text.size() == 8 && allDigits(text)) {
        const QDate date(int(digitsValue(QStringView(text).left(4))),
                         int(digitsValue(QStringView(text).mid(4, 2))),
                         int(digitsValue(QStringView(text).mid(6, 2))));
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    }
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == QLatin1Char('/') || text.at(i) == QLatin1Char('-') ||
            text.at(i) == QLatin1Char('.')) {
            parts.append(QStringView(text).mid(start, i - start));
            start = i + 1;
        }
    }
    if (parts.size() != 3 ||
        !std::all_of(parts.begin(), parts.end(), [](QStringView p) { return allDigits(p) && p.size() <= 4; }))
        return std::nullopt;
    int year = 0, month = 0, day = 0;
    if (parts[0].size() == 4) {
        year = int(digitsValue(parts[0]));
        month = int(digitsValue(parts[1]));
        day = int(digitsValue(parts[2]));
    } else if (parts[0].size() <= 2 && parts[1].size() <= 2 &&
               (parts[2].size() == 4 || parts[2].size() == 2)) {
        day = int(digitsValue(parts[0]));
        month = int(digitsValue(parts[1]));
        year = int(digitsValue(parts[2]));
        if (parts[2].size() == 2)
            year += year < 70 ? 2000 : 1900;
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

std::optional<qint64> parseAmount(const QString &text) {
    return detail::parseAmount(text, std::nullopt);
}

storage::Result<Statement> read(const QByteArray &bytes) {
    if (bytes.trimmed().isEmpty())
        return Error(Failure::EmptyFile);
    const QString head = decodeText(bytes.left(4096));
    if (head.contains(QLatin1String("OFXHEADER"), Qt::CaseInsensitive) ||
        head.contains(QLatin1String("<OFX>"), Qt::CaseInsensitive))
        return readOfx(bytes);
    const QString first = head.trimmed().left(20);
    if (first.size() == 20 && first.startsWith(QLatin1String("11")) && allDigits(first))
        return readNorma43(bytes);
    return readCsv(bytes);
}

Plan plan(const Statement &statement, const QStringList &ledgerLines, const QLocale &locale) {
    Plan made;
    made.skipped = statement.skipped;
    QHash<QString, int> held;
    held.reserve(ledgerLines.size());
    for (const QString &line : ledgerLines)
        ++held[keyOfLine(line)];
    QHash<QDate, QString> dates; // a statement has many movements a day
    for (const Movement &movement : statement.movements) {
        const QString description = cleanDescription(movement.description);
        auto known = dates.find(movement.date);
        if (known == dates.end())
            known = dates.insert(movement.date, clocktext::dateText(movement.date, locale));
        const QString &date = *known;
        const qint64 magnitude = movement.cents < 0 ? -movement.cents : movement.cents;
        const QString line = entrytext::displayText(
            date, movement.cents >= 0, QString::number(magnitude / 100),
            QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0')), description);
        const auto skip = [&](Skip reason, const QString &detail = {}) {
            made.skipped.append({movement.line, line, reason, detail});
        };
        if (magnitude > entrytext::kMaxAmountCents) {
            skip(Skip::AmountTooLarge);
            continue;
        }
        if (const QString characters = unsavable(description); !characters.isEmpty()) {
            skip(Skip::Unsavable, characters);
            continue;
        }
        const auto found = held.find(keyOf(date, movement.cents, description));
        if (found != held.end() && *found > 0) {
            --*found;
            skip(Skip::Duplicate);
            continue;
        }
        made.lines.append(line);
        made.cents.append(qint32(movement.cents));
        made.totalCents += movement.cents;
    }
    std::stable_sort(made.skipped.begin(), made.skipped.end(),
                     [](const Skipped &a, const Skipped &b) { return a.line < b.line; });
    return made;
}

} // namespace bankimport

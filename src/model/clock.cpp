// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/clock.h"

#include <optional>

namespace clocktext {

namespace {

// The order of the day, month and year fields and the text around them.
struct NumericDateForm {
    QString order; // "dMy" in some order
    QString firstSeparator;
    QString secondSeparator;
    QString suffix; // punctuation after the last field, such as "."
};

// Separator text the ledger files can hold and a reader takes for one:
// blanks and punctuation of Latin-1, never letters, digits or marks such
// as the right-to-left mark some locales put around their slashes.
bool isPlainSeparator(const QString &text) {
    if (text.size() > 3)
        return false;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF || !(c.isPunct() || c == QLatin1Char(' ')))
            return false;
    }
    return true;
}

// Reads a short date format such as "d/M/yy" or "yyyy. MM. dd.". Nothing
// when it holds a field other than a numeric day, month and year (a month
// or weekday name, an era) or text between the fields other than plain
// separators. Quoted text and a trailing word are left out.
std::optional<NumericDateForm> numericForm(const QString &format) {
    NumericDateForm form;
    QString between; // text since the last field
    bool quoted = false;
    for (int i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            between += QLatin1Char('\x01'); // quoted text may only follow the last field
            ++i;
            continue;
        }
        if (quoted || !c.isLetter()) {
            between += quoted ? QChar(QLatin1Char('\x01')) : c;
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        i += run;
        const bool numericField = (c == QLatin1Char('d') && run <= 2) ||
                                  (c == QLatin1Char('M') && run <= 2) || c == QLatin1Char('y');
        if (!numericField || form.order.contains(c))
            return std::nullopt;
        if (form.order.size() == 1)
            form.firstSeparator = between;
        else if (form.order.size() == 2)
            form.secondSeparator = between;
        form.order += c;
        between.clear();
    }
    if (form.order.size() != 3 || form.firstSeparator.isEmpty() || form.secondSeparator.isEmpty() ||
        !isPlainSeparator(form.firstSeparator) || !isPlainSeparator(form.secondSeparator))
        return std::nullopt;
    if (isPlainSeparator(between) && !between.trimmed().isEmpty())
        form.suffix = between.trimmed();
    return form;
}

QString field(QChar which, const QDate &date) {
    if (which == QLatin1Char('d'))
        return QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    if (which == QLatin1Char('M'))
        return QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace

QString dateText(const QDate &date, const QLocale &locale) {
    if (!date.isValid())
        return QString();
    const NumericDateForm spanish{QStringLiteral("dMy"), QStringLiteral("/"), QStringLiteral("/"), QString()};
    const NumericDateForm form = numericForm(locale.dateFormat(QLocale::ShortFormat)).value_or(spanish);
    return field(form.order.at(0), date) + form.firstSeparator + field(form.order.at(1), date) +
           form.secondSeparator + field(form.order.at(2), date) + form.suffix;
}

QString timeText(const QTime &time, const QLocale &locale) {
    return locale.toString(time, QLocale::ShortFormat);
}

QString today() {
    return dateText(QDate::currentDate());
}

} // namespace clocktext

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/month_summary.h"

#include "model/entry_dates.h"
#include "model/entry_text.h"

#include <map>
#include <optional>

namespace summary {

namespace {

void add(Totals &totals, qint64 cents) {
    if (cents >= 0)
        totals.income += cents;
    else
        totals.expenses -= cents;
}

} // namespace

Summary summarise(const QStringList &lines, const QLocale &locale) {
    const entrydates::DateReader reader(locale);
    Summary result;
    struct Dated {
        QDate date;
        qint32 cents;
    };
    QList<Dated> dated;
    dated.reserve(lines.size());
    // Keyed by Julian day: the days in order, each with its entries' sum.
    std::map<qint64, qint64> days;
    for (const QString &line : lines) {
        const std::optional<entrytext::Fields> fields = entrytext::fields(line);
        const std::optional<QDate> date = fields ? reader.read(fields->date) : std::nullopt;
        if (!date) {
            ++result.undatedCount;
            if (fields)
                add(result.undated, fields->cents);
            continue;
        }
        dated.append(Dated{*date, fields->cents});
        days[date->toJulianDay()] += fields->cents;
    }
    if (days.empty())
        return result;

    const QDate first = QDate::fromJulianDay(days.begin()->first);
    const QDate last = QDate::fromJulianDay(days.rbegin()->first);
    for (int year = first.year(); year <= last.year(); ++year) {
        Year entry;
        entry.year = year;
        const int from = year == first.year() ? first.month() : 1;
        const int to = year == last.year() ? last.month() : 12;
        for (int month = from; month <= to; ++month)
            entry.months.append(Month{month, {}});
        result.years.append(entry);
    }
    for (const Dated &entry : dated) {
        Year &year = result.years[entry.date.year() - first.year()];
        add(year.months[entry.date.month() - year.months.first().month].totals, entry.cents);
        add(year.totals, entry.cents);
    }
    result.running.reserve(qsizetype(days.size()));
    qint64 running = 0;
    for (const auto &[day, cents] : days) {
        running += cents;
        result.running.append(Point{QDate::fromJulianDay(day), running});
    }
    return result;
}

QString monthName(int month) {
    static const char *const kNames[] = {"enero",      "febrero", "marzo",     "abril",
                                         "mayo",       "junio",   "julio",     "agosto",
                                         "septiembre", "octubre", "noviembre", "diciembre"};
    if (month < 1 || month > 12)
        return QString();
    return QString::fromLatin1(kNames[month - 1]);
}

QString monthTitle(int month, int year) {
    return monthName(month) + QStringLiteral(" de ") + QString::number(year);
}

} // namespace summary

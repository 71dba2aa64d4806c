// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/report_lines.h"

#include "model/entry_text.h"
#include "model/month_summary.h"
#include "model/numbertext.h"

#include <optional>

namespace report {

namespace {

const QChar kTab(u'\t');
const QChar kLineFeed(u'\n');

// Prints one statement: its text, then the end of the line. Every line feed
// inside the text starts a further line, so a line feed at either end gives
// a blank line.
void print(QList<ReportLine> &lines, const QString &text, int pointSize, colours::Rgb colour) {
    const QStringList parts = text.split(kLineFeed);
    for (const QString &part : parts)
        lines.append(ReportLine{part, pointSize, colour});
}

colours::Rgb totalColour(const QString &totalText, const QLocale &locale) {
    const std::optional<double> value = numbertext::parse(totalText, locale);
    if (!value)
        return colours::kBlack;
    return *value >= 0 ? colours::kGreen : colours::kDarkRed;
}

QString euros(qint64 cents) {
    return entrytext::centsText(cents) + QChar(0x20AC);
}

// One row of the month summary: its title, then income, expenses and
// balance, each after a pair of tabs, so that they fall at the columns of
// the entries' amounts and sources and one further column.
QString summaryRow(const QString &title, const summary::Totals &totals) {
    const QString pair = QStringLiteral("\t\t");
    return kTab + title + pair + euros(totals.income) + pair + euros(totals.expenses) + pair +
           euros(totals.balance());
}

void printSummary(QList<ReportLine> &lines, const QStringList &entries, const QLocale &locale) {
    const summary::Summary months = summary::summarise(entries, locale);
    print(lines, QStringLiteral("\n\tResumen por meses"), kTextPointSize, colours::kBlack);
    print(lines, QStringLiteral("\tMes\t\tIngresos\t\tGastos\t\tSaldo"), kTextPointSize, colours::kBlack);
    for (const summary::Year &year : months.years) {
        for (const summary::Month &month : year.months)
            print(lines, summaryRow(summary::monthTitle(month.month, year.year), month.totals),
                  kTextPointSize, colours::kBlack);
        print(lines, summaryRow(QStringLiteral("Total de %1").arg(year.year), year.totals), kTextPointSize,
              colours::kBlack);
    }
    if (months.undatedCount > 0)
        print(lines, summaryRow(QStringLiteral("Sin fecha (%1)").arg(months.undatedCount), months.undated),
              kTextPointSize, colours::kBlack);
}

} // namespace

QString downloadAddress() {
    return QStringLiteral("https://tesorila.example.org/descarga");
}

QList<ReportLine> reportLines(const ReportInput &input, const QLocale &locale) {
    QList<ReportLine> lines;
    lines.reserve(input.entries.size() + 12);

    const QString tab(kTab);
    const QString lineFeed(kLineFeed);

    print(lines, lineFeed + tab + tab + input.caption, kTextPointSize, colours::kBlack);
    print(lines,
          lineFeed + tab + QStringLiteral("Informe impreso el ") + input.dateText +
              QStringLiteral(" a las ") + input.timeText,
          kTextPointSize, colours::kBlack);
    print(lines,
          tab + QStringLiteral("Registros imprimidos: ") + tab + QString::number(input.count) + lineFeed,
          kTextPointSize, colours::kBlack);
    print(lines,
          lineFeed + tab + tab + tab + tab + QStringLiteral("Dinero total: ") + tab + input.totalText +
              lineFeed,
          kTotalPointSize, totalColour(input.totalText, locale));

    const QString indent = tab + tab + tab + tab;
    for (const QString &entry : input.entries)
        print(lines, indent + entry, kTextPointSize, colours::kBlack);
    if (!input.entries.isEmpty())
        printSummary(lines, input.entries, locale);

    print(lines, lineFeed + tab + QStringLiteral("Tesorila, descarga gratuita en ") + downloadAddress(),
          kTextPointSize, colours::kBlack);
    return lines;
}

} // namespace report

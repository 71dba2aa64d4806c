// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/report_lines.h"

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

    print(lines, lineFeed + tab + QStringLiteral("Tesorila, descarga gratuita en ") + downloadAddress(),
          kTextPointSize, colours::kBlack);
    return lines;
}

} // namespace report

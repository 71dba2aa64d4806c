// SPDX-License-Identifier: GPL-3.0-or-later
// Entry text: the amount read back from any display text, and the amount a
// display text built from fields carries.
#include "fuzz_support.h"

#include "model/entry_text.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    (void)entrytext::centsFromDisplayText(text);
    (void)entrytext::completeCents(text.left(2));

    // Fields separated by newlines: date, units, cents, source, kind.
    const QStringList fields = text.split(QLatin1Char('\n'));
    if (fields.size() < 5)
        return 0;
    const QString &date = fields[0];
    const QString &units = fields[1];
    const QString cents = entrytext::completeCents(fields[2]);
    const QString &source = fields[3];
    const bool income = !fields[4].isEmpty();
    const std::optional<qint32> amount = entrytext::amountCents(units, cents);
    if (!amount || cents.size() != 2)
        return 0;
    FUZZ_CHECK(*amount >= 0, units);
    const QString line = entrytext::displayText(date, income, units, cents, source);
    // With no double tab in the date the first amount in the line is ours.
    if (!date.contains(QLatin1String("\t\t")) && !date.endsWith(QLatin1Char('\t')))
        FUZZ_CHECK(entrytext::centsFromDisplayText(line) == (income ? *amount : -*amount), line);
    return 0;
}

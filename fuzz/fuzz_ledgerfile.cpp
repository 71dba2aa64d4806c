// SPDX-License-Identifier: GPL-3.0-or-later
// Ledger files: any bytes read as an entries file or a total file. Every
// byte decodes, lines written back give the same bytes, the amounts read
// from the lines never overflow, and a total read from the file stays a
// number whatever entry is then added or deleted.
#include "fuzz_support.h"

#include "model/entry_text.h"
#include "model/ledger_format.h"
#include "model/numbertext.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);

    const QStringList lines = ledgerformat::fileLines(bytes);
    for (const QString &line : lines)
        (void)entrytext::centsFromDisplayText(line);

    // Windows-1252 decodes every byte, and encodes it back the same: the
    // lines written back are the bytes with every line end (CR LF, a lone
    // CR or a lone LF) made CR LF, the last one included.
    QByteArray expected;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            expected += bytes[i];
            continue;
        }
        expected += "\r\n";
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
    }
    if (!expected.isEmpty() && !expected.endsWith("\r\n"))
        expected += "\r\n";
    const std::optional<QByteArray> written = ledgerformat::fileBytes(lines);
    FUZZ_CHECK(written.has_value(), QString::number(lines.size()));
    FUZZ_CHECK(*written == expected, QString::number(bytes.size()));

    // As a total file the window takes its last line. Adding or deleting an
    // entry moves the total by the entry's cents and shows the result, which
    // must read back as a number for the next entry.
    if (lines.isEmpty())
        return 0;
    static const QLocale locales[] = {QLocale(QStringLiteral("es_ES")), QLocale(QStringLiteral("en_US"))};
    const QString &totalText = lines.last();
    for (const QLocale &locale : locales) {
        const std::optional<double> total = numbertext::parse(totalText, locale);
        if (!total)
            continue;
        const int places = numbertext::decimalPlaces(totalText, locale);
        QList<qint64> moves = {entrytext::kMaxAmountCents, -qint64(entrytext::kMaxAmountCents), 1, -1};
        for (int i = 0; i < lines.size() && i < 64; ++i)
            moves.append(entrytext::centsFromDisplayText(lines[i]));
        for (const qint64 cents : moves) {
            const double moved = numbertext::moveByCents(*total, places, cents);
            FUZZ_CHECK(std::isfinite(moved), totalText);
            const QString shown = numbertext::format(moved, locale);
            const std::optional<double> again = numbertext::parse(shown, locale);
            FUZZ_CHECK(again.has_value(), shown);
            FUZZ_CHECK(numbertext::format(*again, locale) == shown, shown);
        }
    }
    return 0;
}

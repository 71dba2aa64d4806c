// SPDX-License-Identifier: GPL-3.0-or-later
// Bank statements: any bytes read as a statement of each format, and the
// movements found made into ledger lines, whose amounts are those the
// lines show and add up to the total that moves.
#include "fuzz_support.h"

#include "model/bank_import.h"
#include "model/entry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    const QStringList ledger{QStringLiteral("02/01/2026\t\t+12,50") + QChar(0x20AC) +
                             QStringLiteral("\t\tPan")};
    bankimport::Columns chosen;
    if (size >= 3) // columns a user could choose, from the first bytes
        chosen = {data[0] % 8 - 1, data[1] % 8 - 1, data[2] % 8 - 1, data[0] % 2 ? data[2] % 8 - 1 : -1};
    for (const storage::Result<bankimport::Statement> &statement :
         {bankimport::read(bytes), bankimport::readCsv(bytes), bankimport::readCsv(bytes, chosen),
          bankimport::readNorma43(bytes), bankimport::readOfx(bytes)}) {
        if (!statement)
            continue;
        const bankimport::Plan plan = bankimport::plan(*statement, ledger);
        FUZZ_CHECK(plan.lines.size() == plan.cents.size(), QString::number(plan.lines.size()));
        FUZZ_CHECK(plan.lines.size() + plan.skipped.size() ==
                       statement->movements.size() + statement->skipped.size(),
                   QString::number(plan.skipped.size()));
        qint64 total = 0;
        for (qsizetype i = 0; i < plan.lines.size(); ++i) {
            FUZZ_CHECK(entrytext::centsFromDisplayText(plan.lines.at(i)) == plan.cents.at(i),
                       plan.lines.at(i));
            total += plan.cents.at(i);
        }
        FUZZ_CHECK(total == plan.totalCents, QString::number(total));
    }
    return 0;
}

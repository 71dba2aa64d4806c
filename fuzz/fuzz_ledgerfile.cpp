// Ledger files: any bytes read as an entries file or a total file. Every
// byte decodes, lines written back give the same bytes, and the amounts
// read from the lines never overflow.
#include "fuzz_support.h"

#include "entry/entry_text.h"
#include "storage/ledger_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);

    const QList<QByteArray> raw = ledgerformat::splitLines(bytes);
    const QStringList lines = ledgerformat::fileLines(bytes);
    FUZZ_CHECK(raw.size() == lines.size(), QString::number(raw.size()));
    for (int i = 0; i < raw.size(); ++i) {
        FUZZ_CHECK(!raw[i].contains('\r'), QString::number(i));
        // Windows-1252 decodes every byte, and encodes it back the same.
        const std::optional<QByteArray> again = ledgerformat::encode(lines[i]);
        FUZZ_CHECK(again.has_value() && *again == raw[i], lines[i]);
        (void)entrytext::centsFromDisplayText(lines[i]);
    }

    // A file whose lines all end in CR LF and hold no other CR is written
    // back byte for byte.
    const std::optional<QByteArray> written = ledgerformat::fileBytes(lines);
    FUZZ_CHECK(written.has_value(), QString::number(lines.size()));
    FUZZ_CHECK(ledgerformat::fileLines(*written) == lines, QString::number(lines.size()));
    bool canonical = bytes.isEmpty() || bytes.endsWith("\r\n");
    for (qsizetype i = 0; canonical && i < bytes.size(); ++i) {
        if (bytes[i] == '\r')
            canonical = i + 1 < bytes.size() && bytes[i + 1] == '\n';
    }
    if (canonical)
        FUZZ_CHECK(*written == bytes, QString::number(bytes.size()));
    return 0;
}

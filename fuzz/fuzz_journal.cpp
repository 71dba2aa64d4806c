// SPDX-License-Identifier: GPL-3.0-or-later
// The journal of a save: any bytes found as the journal beside a saved
// ledger, read as a sign-in reads it and then saved over as a save does.
// A read always finds a ledger and settles the folder (the files hold what
// it found, the journal is gone); a journal cut by one byte is never
// played; a save after it leaves exactly the bytes saved; and the journal
// a save cut short writes for any two files' bytes reads back as those bytes.
#include "fuzz_support.h"

#include "model/file_system.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"

#include <QLocale>

namespace {

using storage::Error;
using storage::Failure;

const QByteArray kOldEntries = "08/12/2026\t\t+12,50\x80\t\tN\xf3mina\r\n";
const QByteArray kOldTotal = "12,5\r\n";

// Where the seed corpus's journals were written: 927,5.text and
// 1235,14285714286.text, the names of password 1234 in Spanish.
const ledgerformat::LedgerPaths &paths() {
    static const ledgerformat::LedgerPaths p =
        ledgerformat::ledgerPaths(QStringLiteral("/tesorila-fuzz/"), QStringLiteral("Ana"), 1234,
                                  QStringLiteral("/"), QLocale(QStringLiteral("es_ES")));
    return p;
}

// The old ledger with the journal beside it.
void lay(MemoryFileSystem &fs, const QByteArray &journal) {
    fs.files = {{paths().entries, kOldEntries}, {paths().total, kOldTotal}, {paths().journal(), journal}};
}

// The folder holds the two ledger files and nothing else, with these bytes.
void checkSettled(const MemoryFileSystem &fs, const QByteArray &entries, const QByteArray &total) {
    FUZZ_CHECK(fs.files.size() == 2, QString::number(fs.files.size()));
    FUZZ_CHECK(fs.files.value(paths().entries) == entries, QString::number(entries.size()));
    FUZZ_CHECK(fs.files.value(paths().total) == total, QString::number(total.size()));
}

ledgerstore::StoredLedger readBeside(MemoryFileSystem &fs, const QByteArray &journal) {
    lay(fs, journal);
    const storage::Result<ledgerstore::StoredLedger> found = ledgerstore::read(paths());
    FUZZ_CHECK(found.ok(), QString::number(int(found.error().failure)));
    checkSettled(fs, found->entries, found->total);
    return *found;
}

bool isOld(const ledgerstore::StoredLedger &ledger) {
    return ledger.entries == kOldEntries && ledger.total == kOldTotal;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    MemoryFileSystem fs;
    const storage::ScopedFileSystem scope(fs);

    // Played or ignored: a journal missing its last byte is a save cut
    // short, which leaves the old ledger.
    if (!isOld(readBeside(fs, bytes)))
        FUZZ_CHECK(isOld(readBeside(fs, bytes.chopped(1))), QString::number(bytes.size()));

    // A save over the journal plays or drops it first, then saves.
    const QByteArray entries = bytes.left(bytes.size() / 2), total = bytes.mid(bytes.size() / 2);
    lay(fs, bytes);
    FUZZ_CHECK(ledgerstore::save(paths(), entries, total).ok(), QString::number(bytes.size()));
    checkSettled(fs, entries, total);

    // The journal a save of any bytes leaves when neither ledger file can
    // be written reads back as those bytes.
    fs.files = {{paths().entries, kOldEntries}, {paths().total, kOldTotal}};
    fs.onlyWritable = paths().journal();
    (void)ledgerstore::save(paths(), entries, total);
    fs.onlyWritable.clear();
    const ledgerstore::StoredLedger again = readBeside(fs, fs.files.value(paths().journal()));
    FUZZ_CHECK(again.entries == entries && again.total == total, QString::number(bytes.size()));
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The versions of a ledger: any bytes found as a version file, listed and
// read as the versions window and Recuperar read them, then a day of saves
// of ledgers made from the input over it, with earlier days' versions
// beneath, so that versions go from the middle and pass on what older ones
// need. A version file cut by one byte is never read; every version a save
// kept reads back as exactly the ledger that save replaced.
#include "fuzz_support.h"

#include "model/file_system.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/ledger_versions.h"

#include <QLocale>

namespace {

const ledgerformat::LedgerPaths &paths() {
    static const ledgerformat::LedgerPaths p =
        ledgerformat::ledgerPaths(QStringLiteral("/tesorila-fuzz/"), QStringLiteral("Ana"), 1234,
                                  QStringLiteral("/"), QLocale(QStringLiteral("es_ES")));
    return p;
}

const QString kFound = QStringLiteral("20260301T090000000"); // the input's version, older than any save

// The versions listed, by name, with what each reads as: walked through
// at once as the versions window does, and the oldest alone as Recuperar
// reads it.
QMap<QString, QByteArray> readAll() {
    QMap<QString, QByteArray> found;
    std::optional<ledgerversions::Version> oldest;
    const storage::Status walked = ledgerversions::forEach(
        paths(), [&](const ledgerversions::Version &version, const ledgerformat::LedgerBytes &ledger) {
            found.insert(QFileInfo(version.path).fileName(), ledger.entries + '|' + ledger.total);
            oldest = version;
            return true;
        });
    FUZZ_CHECK(walked.ok(), QString::number(int(walked.error().failure)));
    if (oldest) {
        const storage::Result<ledgerformat::LedgerBytes> ledger = ledgerversions::read(*oldest);
        FUZZ_CHECK(ledger.ok() && ledger->entries + '|' + ledger->total ==
                                      found.value(QFileInfo(oldest->path).fileName()),
                   oldest->path);
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    if (bytes.size() < 2)
        return 0;
    // The first two bytes say how much of the rest is the version file.
    const qsizetype split = qMin(bytes.size() - 2, qsizetype(uchar(bytes[0]) | uchar(bytes[1]) << 8));
    const QByteArray version = bytes.mid(2, split), rest = bytes.mid(2 + split);
    MemoryFileSystem fs;
    const storage::ScopedFileSystem scope(fs);
    (void)fs.makeDirectory(ledgerversions::folder(paths()));
    fs.files = {{paths().entries, rest}, {paths().total, "1\r\n"}};
    const QString found = ledgerversions::folder(paths()) + QLatin1Char('/') + kFound;

    // Never read once cut by a byte.
    if (!version.isEmpty()) {
        fs.files.insert(found, version.chopped(1));
        FUZZ_CHECK(!readAll().contains(kFound), QString::number(version.size()));
    }
    fs.files.insert(found, version);
    const QMap<QString, QByteArray> before = readAll();

    // Saves of ledgers made from the rest, three on earlier days and then
    // 22 today: each inserts a mark and takes out a few bytes somewhere.
    const QDateTime noon(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
    QMap<QString, QByteArray> replaced;
    QByteArray entries = rest;
    for (int k = 0; k < 25; ++k) {
        const QDateTime at = k < 3 ? noon.addDays(k - 3) : noon.addSecs(60 * (k - 25));
        const int seed = rest.isEmpty() ? k : uchar(rest.at(k % rest.size())) + k;
        const qsizetype where = (seed * 131) % (entries.size() + 1);
        QByteArray next = entries;
        next.remove((seed * 7) % (next.size() + 1), seed % 5);
        next.insert(qMin(where, next.size()), "apunte " + QByteArray::number(k) + "\r\n");
        const QByteArray total = QByteArray::number(k % 4) + "\r\n";
        const QByteArray old = fs.files.value(paths().entries) + '|' + fs.files.value(paths().total);
        FUZZ_CHECK(ledgerstore::save(paths(), next, total, std::nullopt, at).ok(), QString::number(k));
        if (old != next + '|' + total)
            replaced.insert(at.toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz")), old);
        entries = next;
    }
    const QMap<QString, QByteArray> after = readAll();
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (it.key() == kFound)
            FUZZ_CHECK(!before.contains(kFound) || it.value() == before.value(kFound), it.key());
        else
            FUZZ_CHECK(replaced.value(it.key()) == it.value(), it.key());
    }
    // Every version the saves kept, and left, is read.
    const storage::Result<QStringList> left = fs.list(ledgerversions::folder(paths()));
    for (const QString &name : *left)
        FUZZ_CHECK(name == kFound || after.contains(name), name);
    return 0;
}

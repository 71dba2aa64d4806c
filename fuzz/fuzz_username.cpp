// SPDX-License-Identifier: GPL-3.0-or-later
// User names: a name accepted as one directory name never leads outside the
// data root, under the Unix and the Windows rules alike. The same text taken
// as a password names two different files, each one plain name inside the
// account directory.
#include "fuzz_support.h"

#include "model/data_root.h"
#include "model/ledger_format.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString name = QString::fromUtf8(fuzzBytes(data, size));
    for (dataroot::NameRules rules : {dataroot::NameRules::Unix, dataroot::NameRules::Windows}) {
        if (!dataroot::isSafeDirectoryName(name, rules))
            continue;
        FUZZ_CHECK(!name.isEmpty(), name);
        FUZZ_CHECK(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')), name);
        FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."), name);
        for (QChar c : name)
            FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() != 0x7F, name);
        const QString root = QStringLiteral("/data/Tesorila/");
        const QString joined = QDir::cleanPath(root + name);
        FUZZ_CHECK(joined.startsWith(root) && joined.size() > root.size(), joined);
        if (rules == dataroot::NameRules::Windows) {
            FUZZ_CHECK(!name.endsWith(QLatin1Char('.')) && !name.endsWith(QLatin1Char(' ')), name);
            FUZZ_CHECK(name.size() <= 255, name);
        } else {
            // The name is stored as its UTF-8 bytes and names exactly that
            // directory when read back.
            const QByteArray encoded = QFile::encodeName(name);
            FUZZ_CHECK(encoded.size() <= 255, name);
            FUZZ_CHECK(QFile::decodeName(encoded) == name, name);
        }
    }

    if (const std::optional<double> password = ledgerformat::passwordValue(name)) {
        static const QLocale locales[] = {QLocale(QStringLiteral("es_ES")), QLocale(QStringLiteral("en_US"))};
        for (const QLocale &locale : locales) {
            const QString entries = ledgerformat::entriesFileName(*password, locale);
            const QString total = ledgerformat::totalFileName(*password, locale);
            FUZZ_CHECK(entries != total, entries);
            if (ledgerformat::namesStayApart(*password, locale)) {
                // No password's entries file bears this total-file name, not
                // even those whose entries value comes nearest to it.
                const double nearest = std::round((*password + 8.0 / 7.0 - 2.0) / 0.75);
                for (double other = std::max(0.0, nearest - 2.0); other <= nearest + 2.0; ++other)
                    FUZZ_CHECK(ledgerformat::entriesFileName(other, locale) != total, total);
            }
            for (const QString &file : {entries, total}) {
                FUZZ_CHECK(file.size() > 5 && file.endsWith(QLatin1String(".text")), file);
                FUZZ_CHECK(dataroot::isSafeDirectoryName(file, dataroot::NameRules::Unix), file);
                FUZZ_CHECK(dataroot::isSafeDirectoryName(file, dataroot::NameRules::Windows), file);
            }
        }
    }
    return 0;
}

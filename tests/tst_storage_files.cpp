// SPDX-License-Identifier: GPL-3.0-or-later
#include "tst_storage_support.h"

#include "model_support.h"

#include "model/data_root.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/ledger_versions.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#ifdef Q_OS_WIN
#include <thread>

#include <windows.h>
#endif

using ledgerformat::LedgerPaths;
using storagetest::FaultyFileSystem;
using storagetest::journalOfCutSave;
using storagetest::listing;
using storagetest::readBytes;
using storagetest::writeBytes;

class TestStorageFiles : public QObject {
    Q_OBJECT
private slots:
    void fileNames_data();
    void fileNames();
    void namesFollowTheLocale();
    void passwordValue_data();
    void passwordValue();
    void pathsAreConcatenated();
    void dataRootFollowsTheDataHome();
    void safeDirectoryName_data();
    void safeDirectoryName();
    void windows1252EveryByte();
    void windows1252Refuses_data();
    void windows1252Refuses();
    void fileLines_data();
    void fileLines();
    void fileBytes();

    void init();
    void saveAndRead();
    void fileRefusals();
    void saveReplacesSave();
    void saveWritesOnlyWhatChanged_data();
    void saveWritesOnlyWhatChanged();
    void severalLedgersInOneDirectory();
    void recovery_data();
    void recovery();
    void pendingCommitReadOnly();
    void versionsKept_data();
    void versionsKept();
    void versionsReadBack_data();
    void versionsReadBack();
    void everyFailingStepOfASave();
    void everyFailingStepOfARead();
    void everyPairOfFailingSteps();
    void durableOrder();

private:
    LedgerPaths paths(const QString &password = QStringLiteral("1234"));
    QScopedPointer<QTemporaryDir> m_dir;
};

void TestStorageFiles::fileNames_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("total");

    auto row = [](const char *name, const char *locale, const char *password, const char *entries,
                  const char *total) {
        QTest::newRow(name) << QString::fromLatin1(locale) << QString::fromLatin1(password)
                            << QString::fromLatin1(entries) << QString::fromLatin1(total);
    };
    row("es fraction", "es_ES", "1234", "927,5.text", "1235,14285714286.text");
    row("en fraction", "en_US", "1234", "927.5.text", "1235.14285714286.text");
    row("multiple of four has no separator", "es_ES", "1236", "929.text", "1237,14285714286.text");
    row("zero", "es_ES", "0", "2.text", "1,14285714285714.text");
    row("quarter", "en_US", "1", "2.75.text", "2.14285714285714.text");
    row("C half", "C", "2", "3.5.text", "3.14285714285714.text");
    row("C fraction", "C", "1234", "927.5.text", "1235.14285714286.text");
    row("three quarters", "es_ES", "3", "4,25.text", "4,14285714285714.text");
    row("leading zeros", "es_ES", "0001234", "927,5.text", "1235,14285714286.text");
    row("thirteen digits", "en_US", "9999999999999", "7500000000001.25.text", "10000000000000.1.text");
    // Beyond fifteen digits two passwords can name one ledger.
    row("eighteen digits", "es_ES", "123456789012345600", "9,25925917592592E+16.text",
        "1,23456789012346E+17.text");
    row("another eighteen", "es_ES", "123456789012345650", "9,25925917592592E+16.text",
        "1,23456789012346E+17.text");
    row("total in exponent form", "es_ES", "1234567890123456", "925925917592594.text",
        "1,23456789012346E+15.text");
    row("both in exponent form", "es_ES", "100000000000000000000", "7,5E+19.text", "1E+20.text");
}

void TestStorageFiles::fileNames() {
    QFETCH(QString, locale);
    QFETCH(QString, password);
    QFETCH(QString, entries);
    QFETCH(QString, total);
    const std::optional<double> value = ledgerformat::passwordValue(password);
    QVERIFY(value);
    QCOMPARE(ledgerformat::entriesFileName(*value, QLocale(locale)), entries);
    QCOMPARE(ledgerformat::totalFileName(*value, QLocale(locale)), total);
}

void TestStorageFiles::namesFollowTheLocale() {
    // The default locale decides.
    testsupport::LocaleScope english(QStringLiteral("en_US"));
    QCOMPARE(ledgerformat::entriesFileName(1), QStringLiteral("2.75.text"));
    {
        testsupport::LocaleScope spanish(QStringLiteral("es_ES"));
        QCOMPARE(ledgerformat::entriesFileName(1), QStringLiteral("2,75.text"));
    }
    QCOMPARE(ledgerformat::totalFileName(0), QStringLiteral("1.14285714285714.text"));
}

void TestStorageFiles::passwordValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");

    QTest::newRow("digits") << QStringLiteral("1234") << true << 1234.0;
    QTest::newRow("zero") << QStringLiteral("0") << true << 0.0;
    QTest::newRow("leading zeros") << QStringLiteral("007") << true << 7.0;
    QTest::newRow("largest finite") << (QStringLiteral("1") + QString(308, QLatin1Char('0'))) << true
                                    << 1e308;
    QTest::newRow("beyond a double") << (QStringLiteral("2") + QString(308, QLatin1Char('0'))) << false
                                     << 0.0;
    QTest::newRow("four hundred nines") << QString(400, QLatin1Char('9')) << false << 0.0;
    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("leading blank") << QStringLiteral(" 1") << false << 0.0;
    QTest::newRow("trailing blank") << QStringLiteral("1 ") << false << 0.0;
    QTest::newRow("plus") << QStringLiteral("+1") << false << 0.0;
    QTest::newRow("minus") << QStringLiteral("-1") << false << 0.0;
    QTest::newRow("comma") << QStringLiteral("1,5") << false << 0.0;
    QTest::newRow("point") << QStringLiteral("1.5") << false << 0.0;
    QTest::newRow("exponent") << QStringLiteral("1e5") << false << 0.0;
    QTest::newRow("letters") << QStringLiteral("abc") << false << 0.0;
    QTest::newRow("fullwidth digits") << QStringLiteral("\uFF11\uFF12") << false << 0.0;
    QTest::newRow("infinity word") << QStringLiteral("inf") << false << 0.0;
}

void TestStorageFiles::passwordValue() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const std::optional<double> result = ledgerformat::passwordValue(text);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, value);
}

void TestStorageFiles::pathsAreConcatenated() {
    testsupport::LocaleScope spanish(QStringLiteral("es_ES"));
    const LedgerPaths windows = ledgerformat::ledgerPaths(QStringLiteral("C:\\Tesorila\\"),
                                                          QStringLiteral("Ana"), 1234, QStringLiteral("\\"));
    QCOMPARE(windows.directory, QStringLiteral("C:\\Tesorila\\Ana"));
    QCOMPARE(windows.entries, QStringLiteral("C:\\Tesorila\\Ana\\927,5.text"));
    QCOMPARE(windows.total, QStringLiteral("C:\\Tesorila\\Ana\\1235,14285714286.text"));

    const LedgerPaths unix = ledgerformat::ledgerPaths(QStringLiteral("/d/Tesorila/"), QStringLiteral("Ana"),
                                                       1236, QStringLiteral("/"));
    QCOMPARE(unix.entries, QStringLiteral("/d/Tesorila/Ana/929.text"));
    // The journal can never be taken for a ledger file of any password.
    QVERIFY(!unix.journal().endsWith(QLatin1String(".text")));
}

void TestStorageFiles::dataRootFollowsTheDataHome() {
#ifdef Q_OS_WIN
    QCOMPARE(dataroot::path(), QStringLiteral("C:\\Tesorila\\")); // each test run has a drive C: of its own
    return;
#endif
    QCOMPARE(dataroot::path(), testsupport::dataHome() + QStringLiteral("/Tesorila/"));
    QCOMPARE(dataroot::markerPath(), testsupport::dataHome() + QStringLiteral("/Tesorila/noborrar.text"));
}

void TestStorageFiles::safeDirectoryName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unix");
    QTest::addColumn<bool>("windows");

    QTest::newRow("plain") << QStringLiteral("Ana") << true << true;
    QTest::newRow("accents and blanks") << QStringLiteral("José María") << true << true;
    QTest::newRow("no-user words") << QStringLiteral("Sin Usuario") << true << true;
    QTest::newRow("dots inside") << QStringLiteral("a..b") << true << true;
    QTest::newRow("leading blank") << QStringLiteral(" Ana") << true << true;
    QTest::newRow("emoji") << QStringLiteral("Ana \U0001F600") << true << true;
    QTest::newRow("empty") << QString() << false << false;
    QTest::newRow("dot") << QStringLiteral(".") << false << false;
    QTest::newRow("dot dot") << QStringLiteral("..") << false << false;
    QTest::newRow("slash") << QStringLiteral("a/b") << false << false;
    QTest::newRow("climbing out") << QStringLiteral("../x") << false << false;
    QTest::newRow("backslash") << QStringLiteral("a\\b") << false << false;
    QTest::newRow("tab") << QStringLiteral("a\tb") << false << false;
    QTest::newRow("newline") << QStringLiteral("a\nb") << false << false;
    QTest::newRow("nul") << QString(QChar(0)) << false << false;
    QTest::newRow("delete") << QStringLiteral("a\u007f") << false << false;
    QTest::newRow("c1 control") << QStringLiteral("a\u0085") << false << false;
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << false << false;
    QTest::newRow("255 bytes") << QString(255, QLatin1Char('a')) << true << true;
    QTest::newRow("256 bytes") << QString(256, QLatin1Char('a')) << false << false;
    QTest::newRow("128 two-byte letters") << QString(128, QChar(0xF1)) << false << true;
    QTest::newRow("trailing dot") << QStringLiteral("Ana.") << true << false;
    QTest::newRow("trailing blank") << QStringLiteral("Ana ") << true << false;
    QTest::newRow("colon") << QStringLiteral("C:x") << true << false;
    QTest::newRow("star") << QStringLiteral("a*") << true << false;
    QTest::newRow("question mark") << QStringLiteral("a?") << true << false;
    QTest::newRow("quote") << QStringLiteral("a\"b") << true << false;
    QTest::newRow("pipe") << QStringLiteral("a|b") << true << false;
    QTest::newRow("angle brackets") << QStringLiteral("<a>") << true << false;
    QTest::newRow("CON") << QStringLiteral("CON") << true << false;
    QTest::newRow("con lower case") << QStringLiteral("con") << true << false;
    QTest::newRow("NUL with extension") << QStringLiteral("NUL.txt") << true << false;
    QTest::newRow("aux blank extension") << QStringLiteral("aux .x") << true << false;
    QTest::newRow("COM1") << QStringLiteral("COM1") << true << false;
    QTest::newRow("LPT9") << QStringLiteral("lpt9") << true << false;
    QTest::newRow("COM superscript") << QStringLiteral("COM\u00B9") << true << false;
    QTest::newRow("CONOUT$") << QStringLiteral("CONOUT$") << true << false;
    QTest::newRow("COM0 is free") << QStringLiteral("COM0") << true << true;
    QTest::newRow("COM10 is free") << QStringLiteral("COM10") << true << true;
    QTest::newRow("CONSOLE is free") << QStringLiteral("CONSOLE") << true << true;
}

void TestStorageFiles::safeDirectoryName() {
    QFETCH(QString, name);
    QFETCH(bool, unix);
    QFETCH(bool, windows);
    QCOMPARE(dataroot::isSafeDirectoryName(name, dataroot::NameRules::Unix), unix);
    QCOMPARE(dataroot::isSafeDirectoryName(name, dataroot::NameRules::Windows), windows);
}

void TestStorageFiles::windows1252EveryByte() {
    QByteArray all; // every byte but the line ends
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n')
            all.append(char(b));
    }
    const QStringList lines = ledgerformat::fileLines(all);
    QCOMPARE(lines.size(), 1);
    const QString text = lines.first();
    QCOMPARE(text.size(), 254);
    QCOMPARE(text.at(0x80 - 2), QChar(0x20AC));
    QCOMPARE(text.at(0xF3 - 2), QChar(0xF3));
    QCOMPARE(text.at(0x9F - 2), QChar(0x0178));
    QCOMPARE(text.at(0x81 - 2), QChar(0x81));
    // Every byte comes back as itself.
    QCOMPARE(ledgerformat::fileBytes(lines), std::optional<QByteArray>(all + "\r\n"));

    // Where Qt knows the code page, both agree on every byte.
    QStringDecoder system("windows-1252");
    if (!system.isValid())
        QSKIP("Qt has no Windows-1252 decoder here to compare with");
    const QString reference = system.decode(all);
    for (int i = 0; i < 254; ++i)
        QVERIFY2(reference.at(i) == text.at(i), qPrintable(QString::number(i, 16)));
}

void TestStorageFiles::windows1252Refuses_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unsavable");

    QTest::newRow("han") << QStringLiteral("a\u4e2db") << QStringLiteral("\u4e2d");
    QTest::newRow("control 0x80 has no byte") << QStringLiteral("\u0080") << QStringLiteral("\u0080");
    QTest::newRow("emoji") << QStringLiteral("x\U0001F600") << QStringLiteral("\U0001F600");
    QTest::newRow("lone surrogate") << QString(QChar(0xDC00)) << QString(QChar(0xDC00));
    QTest::newRow("each once") << QStringLiteral("\u0101\u0102\u0101") << QStringLiteral("\u0101\u0102");
    QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("\r");
    QTest::newRow("savable") << QStringLiteral("Nómina\t€ ‰ Ÿ") << QString();
}

void TestStorageFiles::windows1252Refuses() {
    QFETCH(QString, text);
    QFETCH(QString, unsavable);
    QCOMPARE(ledgerformat::unsavableCharacters(text), unsavable);
    QCOMPARE(ledgerformat::fileBytes({QStringLiteral("ok"), text}).has_value(), unsavable.isEmpty());
}

void TestStorageFiles::fileLines_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");

    using L = QStringList;
    QTest::newRow("empty") << QByteArray() << L{};
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << L{"a", "b"};
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << L{"a", "b"};
    QTest::newRow("empty line") << QByteArray("\r\n") << L{""};
    QTest::newRow("empty lines between") << QByteArray("a\r\n\r\n\rb") << L{"a", "", "", "b"};
    QTest::newRow("cr then crlf") << QByteArray("a\r\r\n") << L{"a", ""};
    QTest::newRow("lone lf") << QByteArray("a\nb\n\nc") << L{"a", "b", "", "c"};
    QTest::newRow("lf cr is two line ends") << QByteArray("a\n\rb") << L{"a", "", "b"};
    QTest::newRow("tabs stay") << QByteArray("1\t\t+2,00\x80\t\t\r\n") << L{"1\t\t+2,00€\t\t"};
    QTest::newRow("unassigned bytes") << QByteArray("a\x81\tb") << L{"a\u0081\tb"};
}

void TestStorageFiles::fileLines() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(ledgerformat::fileLines(bytes), lines);
    // Past a limit the lines are counted and measured, not decoded.
    const ledgerformat::ShapedLines limited = ledgerformat::fileLines(bytes, 1, 100);
    QCOMPARE(limited.shape.count, lines.size());
    QCOMPARE(limited.lines, lines.mid(0, 1));
}

void TestStorageFiles::fileBytes() {
    QCOMPARE(ledgerformat::fileBytes({}), std::optional<QByteArray>(QByteArray()));
    QCOMPARE(ledgerformat::fileBytes({QString()}), std::optional<QByteArray>(QByteArray("\r\n")));
    const QString line = QStringLiteral("08/12/2026\t\t+1500,00€\t\tNómina");
    const QByteArray bytes("08/12/2026\t\t+1500,00\x80\t\tN\xf3mina\r\n");
    QCOMPARE(ledgerformat::fileBytes({line}), std::optional<QByteArray>(bytes));
    QCOMPARE(ledgerformat::fileLines(bytes + bytes), (QStringList{line, line}));
    // A line of a large file, grown alone, takes little memory with it.
    const QStringList many = ledgerformat::fileLines(bytes.repeated(20000));
    QCOMPARE(many.value(19999), line);
    QVERIFY((many.last() + QLatin1Char('!')).capacity() < 64 * 1024);
}

void TestStorageFiles::init() {
    m_dir.reset(new QTemporaryDir());
    QVERIFY(m_dir->isValid());
}

LedgerPaths TestStorageFiles::paths(const QString &password) {
    return ledgerformat::ledgerPaths(m_dir->path() + QLatin1Char('/'), QStringLiteral("Ana"),
                                     *ledgerformat::passwordValue(password), QStringLiteral("/"));
}

void TestStorageFiles::saveAndRead() {
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(ledgerstore::save(p, "a\r\n", "12,5\r\n"));
    QCOMPARE(readBytes(p.entries), QByteArray("a\r\n"));
    QCOMPARE(readBytes(p.total), QByteArray("12,5\r\n"));
    // Only the two ledger files remain.
    QCOMPARE(listing(p.directory),
             (QStringList{QStringLiteral("1235,14285714286.text"), QStringLiteral("927,5.text")}));
    const storage::Result<ledgerstore::StoredLedger> back = ledgerstore::read(p);
    QVERIFY(back);
    QCOMPARE(back->entries, QByteArray("a\r\n"));
    QCOMPARE(back->total, QByteArray("12,5\r\n"));

    // An empty ledger is an empty entries file.
    QVERIFY(ledgerstore::save(p, QByteArray(), "0\r\n"));
    QCOMPARE(readBytes(p.entries), QByteArray());
    QVERIFY(ledgerstore::read(p));

    // Without the directory nothing is saved and nothing created.
    const LedgerPaths missing = ledgerformat::ledgerPaths(m_dir->path() + QLatin1Char('/'),
                                                          QStringLiteral("Otro"), 1, QStringLiteral("/"));
    QVERIFY(!ledgerstore::save(missing, "a\r\n", "1\r\n"));
    QVERIFY(!QFileInfo::exists(missing.directory));
    QVERIFY(!ledgerstore::read(missing));
}

// The file system's own refusals are failures of their own kinds, not a
// system error's number, named after the file, and change nothing.
void TestStorageFiles::fileRefusals() {
    storage::FileSystem &fs = storage::fileSystem();
    const QString file = m_dir->path() + QStringLiteral("/1,5.text"), folder = file + QStringLiteral(".d");
    QVERIFY(writeBytes(file, "abc") && QDir().mkpath(folder));
    const storage::Error shortened = fs.write(file, "x", storage::Links::Follow, 4).error();
    QCOMPARE(shortened.failure, storage::Failure::Shortened);
    QCOMPARE(shortened.name, QStringLiteral("1,5.text"));
    QCOMPARE(fs.read(file, 2).error().failure, storage::Failure::TooLarge);
    QCOMPARE(*fs.read(file, 3), QByteArray("abc"));
    QCOMPARE(fs.read(folder).error().name, QStringLiteral("1,5.text.d"));
    for (const storage::Error &error :
         {fs.read(folder).error(), fs.write(folder, "x", storage::Links::Replace).error()})
        QCOMPARE(error.failure, storage::Failure::FolderInTheWay);
    QCOMPARE(readBytes(file), QByteArray("abc"));
}

void TestStorageFiles::saveReplacesSave() {
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(ledgerstore::save(p, storagetest::ledgerBytes("old", 50), "50\r\n"));
    QVERIFY(ledgerstore::save(p, "b\r\n", "1\r\n"));
    QCOMPARE(readBytes(p.entries), QByteArray("b\r\n"));
    QCOMPARE(readBytes(p.total), QByteArray("1\r\n"));
    QCOMPARE(listing(p.directory).size(), 2);
#ifdef Q_OS_WIN
    // Another program holds the ledger file open, unshared: each save, of a
    // change of its own, waits a moment for it, and after a while fails
    // with that reason, leaving the files as they were.
    for (const DWORD heldMs : {300, 4000}) {
        const HANDLE held = ::CreateFileW(reinterpret_cast<LPCWSTR>(p.entries.utf16()), GENERIC_READ, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
        std::thread release([=] {
            ::Sleep(heldMs);
            ::CloseHandle(held);
        });
        const QByteArray entries = "c" + QByteArray::number(int(heldMs)) + "\r\n";
        const storage::Status saved = ledgerstore::save(p, entries, "2\r\n");
        release.join();
        QCOMPARE(saved.ok(), heldMs < 1000);
        QVERIFY(saved || saved.error().failure == storage::Failure::HeldByAnotherProgram);
        QCOMPARE(readBytes(p.entries), saved ? entries : QByteArray("c300\r\n"));
        QCOMPARE(listing(p.directory).size(), 2);
    }
#endif
}

void TestStorageFiles::saveWritesOnlyWhatChanged_data() {
    // A save of these bytes over "a\r\nb\r\n" and "12\r\n": what each write
    // of a ledger file gives, "name offset+size", the journal's aside.
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<QStringList>("writes");
    const QString entries = QStringLiteral("927,5.text "), total = QStringLiteral("1235,14285714286.text ");
    QTest::newRow("nothing changed: nothing written, no journal either")
        << QByteArray("a\r\nb\r\n") << QByteArray("12\r\n") << QStringList();
    QTest::newRow("one entry added") << QByteArray("a\r\nb\r\nc\r\n") << QByteArray("13\r\n")
                                     << QStringList{entries + "6+3", total + "1+3"};
    QTest::newRow("last entry deleted, total kept")
        << QByteArray("a\r\n") << QByteArray("12\r\n") << QStringList{entries + "3+0", total + "4+0"};
    QTest::newRow("first entry changed")
        << QByteArray("x\r\nb\r\n") << QByteArray("12,5\r\n") << QStringList{entries + "0+6", total + "2+4"};
}

void TestStorageFiles::saveWritesOnlyWhatChanged() {
    QFETCH(QByteArray, entries);
    QFETCH(QByteArray, total);
    QFETCH(QStringList, writes);
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(ledgerstore::save(p, "a\r\nb\r\n", "12\r\n"));
    FaultyFileSystem logging;
    {
        storage::ScopedFileSystem scope(logging);
        QVERIFY(ledgerstore::save(p, entries, total));
    }
    const QString journal = QFileInfo(p.journal()).fileName() + QLatin1Char(' ');
    if (!writes.isEmpty())
        logging.writes.removeIf([&](const QString &write) { return write.startsWith(journal); });
    QCOMPARE(logging.writes, writes);
    QCOMPARE(readBytes(p.entries), entries);
    QCOMPARE(readBytes(p.total), total);
}

void TestStorageFiles::severalLedgersInOneDirectory() {
    const LedgerPaths first = paths(QStringLiteral("1"));
    const LedgerPaths second = paths(QStringLiteral("2"));
    QVERIFY(QDir().mkpath(first.directory));
    QVERIFY(ledgerstore::save(first, "uno\r\n", "1\r\n"));
    QVERIFY(ledgerstore::save(second, "dos\r\n", "2\r\n"));
    QCOMPARE(listing(first.directory).size(), 4);
    QCOMPARE(ledgerstore::read(first)->entries, QByteArray("uno\r\n"));
    QCOMPARE(ledgerstore::read(second)->entries, QByteArray("dos\r\n"));
    // Leading zeros name the same ledger.
    QCOMPARE(ledgerstore::read(paths(QStringLiteral("0002")))->total, QByteArray("2\r\n"));
}

void TestStorageFiles::recovery_data() {
    // The states a save can be interrupted in, set up by hand: what the
    // journal holds, whether the entries file is already written, and which
    // ledger a reader must then find.
    QTest::addColumn<QString>("journal");
    QTest::addColumn<bool>("entriesWritten");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("nothing pending") << QString() << false << QByteArray("old");
    QTest::newRow("journal cut short") << QStringLiteral("cut") << false << QByteArray("old");
    QTest::newRow("journal of another ledger") << QStringLiteral("other") << false << QByteArray("old");
    QTest::newRow("journal whole") << QStringLiteral("whole") << false << QByteArray("new");
    QTest::newRow("entries already written") << QStringLiteral("whole") << true << QByteArray("new");
}

void TestStorageFiles::recovery() {
    QFETCH(QString, journal);
    QFETCH(bool, entriesWritten);
    QFETCH(QByteArray, expected);

    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, entriesWritten ? "new entries\r\n" : "old entries\r\n"));
    QVERIFY(writeBytes(p.total, "old total\r\n"));
    const QByteArray whole =
        journalOfCutSave(journal == QLatin1String("other") ? paths(QStringLiteral("7")) : p,
                         "new entries\r\n", "new total\r\n");
    if (!journal.isEmpty())
        QVERIFY(writeBytes(p.journal(), journal == QLatin1String("cut") ? whole.chopped(3) : whole));

    const storage::Result<ledgerstore::StoredLedger> stored = ledgerstore::read(p);
    QVERIFY(stored);
    QCOMPARE(stored->entries, expected + " entries\r\n");
    QCOMPARE(stored->total, expected + " total\r\n");
    // The read has settled the files: only the two ledger files are left,
    // and they hold what was read.
    QCOMPARE(listing(p.directory).size(), 2);
    QCOMPARE(readBytes(p.entries), stored->entries);
    QCOMPARE(readBytes(p.total), stored->total);
}

// A file system on which nothing can be written or removed, as in a
// read-only directory.
class NoChangesFileSystem : public storage::FileSystem {
public:
    storage::Status write(const QString &, const QByteArray &, storage::Links, qint64) override {
        return storage::Error(storage::Failure::ReadOnlyDisk);
    }
    storage::Status remove(const QString &) override {
        return storage::Error(storage::Failure::ReadOnlyDisk);
    }
};

void TestStorageFiles::pendingCommitReadOnly() {
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, "new entries\r\n"));
    QVERIFY(writeBytes(p.total, "old total\r\n"));
    QVERIFY(writeBytes(p.journal(), journalOfCutSave(p, "new entries\r\n", "new total\r\n")));

    NoChangesFileSystem readOnly;
    storage::ScopedFileSystem scope(readOnly);
    // The journal cannot be played, so it is what a read finds.
    const storage::Result<ledgerstore::StoredLedger> stored = ledgerstore::read(p);
    QVERIFY(stored);
    QCOMPARE(stored->entries, QByteArray("new entries\r\n"));
    QCOMPARE(stored->total, QByteArray("new total\r\n"));
    // A save cannot settle it, so it writes nothing, and is no unfinished save.
    const storage::Status saved = ledgerstore::save(p, "newer\r\n", "3\r\n");
    QVERIFY(!saved && !saved.error().unfinished);
    QCOMPARE(saved.error().failure, storage::Failure::ReadOnlyDisk);
    QCOMPARE(readBytes(p.total), QByteArray("old total\r\n"));
}

void TestStorageFiles::versionsKept_data() {
    // Versions made so many minutes before 23:00 one day; those the rule
    // lets go.
    QTest::addColumn<QList<int>>("minutesBefore");
    QTest::addColumn<QList<int>>("removed");
    QList<int> recent;
    for (int i = 0; i < 20; ++i)
        recent.append(i);
    QList<int> monthly; // one every 30 days or so
    for (int i = 0; i < 20; ++i)
        monthly.append(i * 43000);
    QTest::newRow("twenty of any age all stay") << monthly << QList<int>{};
    QTest::newRow("the oldest of today beyond twenty goes") << (recent + QList<int>{20}) << QList<int>{20};
    const QList<int> earlierDays{1440, 1450, 1460, 2880, 2890};
    QTest::newRow("beyond twenty, the newest of each day stays")
        << (recent + earlierDays) << QList<int>{1450, 1460, 2890};
    QList<int> shuffled = earlierDays + recent;
    std::reverse(shuffled.begin(), shuffled.end());
    QTest::newRow("in any order") << shuffled << QList<int>{1450, 1460, 2890};
    QList<int> daily = recent;
    for (int day = 1; day <= 61; ++day)
        daily.append(day * 1440);
    QTest::newRow("sixty days, today included") << daily << QList<int>{60 * 1440, 61 * 1440};
}

void TestStorageFiles::versionsKept() {
    QFETCH(QList<int>, minutesBefore);
    QFETCH(QList<int>, removed);
    const QDateTime now(QDate(2026, 3, 15), QTime(23, 0), Qt::UTC);
    QList<QDateTime> times;
    for (const int minutes : minutesBefore)
        times.append(now.addSecs(-60 * minutes));
    QList<int> gone;
    for (const QDateTime &time : ledgerversions::toRemove(times, now))
        gone.append(int(time.secsTo(now) / 60));
    std::sort(gone.begin(), gone.end());
    QCOMPARE(gone, removed);
}

void TestStorageFiles::versionsReadBack_data() {
    // Saves made so many minutes before noon one day, each changing the
    // ledger as the row says; the versions listed afterwards.
    QTest::addColumn<QList<int>>("minutesBefore");
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("listed");
    QList<int> today;
    for (int i = 24; i >= 0; --i)
        today.append(i);
    QTest::newRow("25 saves in a day, at the end") << today << QStringLiteral("end") << 20;
    const QList<int> earlier{3 * 1440 + 5, 3 * 1440, 2 * 1440 + 5, 2 * 1440, 1440 + 5, 1440};
    // Those of today beyond the newest 20 go from between the newest and
    // the earlier days' ones, which still read through them.
    QTest::newRow("earlier days beneath, at the start") << earlier + today << QStringLiteral("start") << 23;
    QTest::newRow("earlier days beneath, mixed") << earlier + today << QStringLiteral("mixed") << 23;
    // The files keep the ledger the version holds, as after a save cut
    // short before its journal: no version follows from that one.
    QTest::newRow("a save cut short, earlier days beneath")
        << earlier + today << QStringLiteral("cut short") << 23;
    QTest::newRow("total only") << today.mid(20) << QStringLiteral("total") << 5;
    QTest::newRow("a whole version of 1.3.0 beneath") << today.mid(20) << QStringLiteral("whole") << 6;
    // The versions before the change no longer follow from the files.
    QTest::newRow("another program rewrote the entries") << today.mid(15) << QStringLiteral("by hand") << 5;
}

void TestStorageFiles::versionsReadBack() {
    QFETCH(QList<int>, minutesBefore);
    QFETCH(QString, change);
    QFETCH(int, listed);
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    const QByteArray lines = storagetest::ledgerBytes("linea", 40);
    const auto ledgerOf = [&](int k) {
        const int kind = change == QLatin1String("mixed") ? k % 3 : change == QLatin1String("start") ? 1 : 0;
        const QByteArray own = "apunte " + QByteArray::number(k) + "\r\n";
        const QByteArray entries = change == QLatin1String("total") ? lines
                                   : kind == 0                      ? lines + own
                                   : kind == 1                      ? own + lines
                                                                    : lines.left(200) + own + lines.mid(200);
        return ledgerformat::LedgerBytes{entries, QByteArray::number(k) + "\r\n"};
    };
    QVERIFY(ledgerstore::save(p, ledgerOf(-1).entries, ledgerOf(-1).total));
    const QDateTime noon(QDate(2026, 3, 15), QTime(12, 0), Qt::UTC);
    QMap<QString, QByteArray> replaced; // each version's name, and the entries it replaced
    if (change == QLatin1String("whole")) {
        // As 1.3.0 kept the ledger it replaced.
        QByteArray whole =
            "Tesorila version 1\r\n" + QByteArray::number(lines.size()) + "\r\n2\r\n" + lines + "7\n";
        whole += QCryptographicHash::hash(whole, QCryptographicHash::Blake2b_256).toHex() + "\r\n";
        QVERIFY(QDir().mkpath(ledgerversions::folder(p)));
        QVERIFY(writeBytes(ledgerversions::folder(p) + QStringLiteral("/20260310T101010000"), whole));
        replaced.insert(QStringLiteral("20260310T101010000"), lines);
    }
    for (int k = 0; k < minutesBefore.size(); ++k) {
        const QDateTime at = noon.addSecs(-60 * minutesBefore.at(k));
        if (change == QLatin1String("by hand") && k == minutesBefore.size() - listed)
            QVERIFY(writeBytes(p.entries, "a mano\r\n"));
        const storage::Result<ledgerstore::StoredLedger> before = ledgerstore::read(p);
        QVERIFY(before);
        QVERIFY(ledgerstore::save(p, ledgerOf(k).entries, ledgerOf(k).total, std::nullopt, at));
        replaced.insert(at.toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz")), before->entries);
        if (change == QLatin1String("cut short") && k == 9)
            QVERIFY(writeBytes(p.entries, before->entries) && writeBytes(p.total, before->total));
    }
    const storage::Result<QList<ledgerversions::Version>> versions = ledgerversions::list(p);
    QVERIFY(versions);
    QStringList names;
    for (const ledgerversions::Version &version : *versions) {
        const QString name = QFileInfo(version.path).fileName();
        names.append(name);
        const storage::Result<ledgerstore::StoredLedger> kept = ledgerversions::read(version);
        QVERIFY2(kept && kept->entries == replaced.value(name), qPrintable(name));
    }
    QCOMPARE(names.size(), listed);
    if (change != QLatin1String("by hand")) {
        names.sort();
        QCOMPARE(listing(ledgerversions::folder(p)), names);
    }
}

void TestStorageFiles::everyFailingStepOfASave() {
    // Each operation of a save fails in turn. Whatever fails, the save
    // reports truly: false leaves the old ledger, true gives the new one;
    // never a mixture. The next read settles the directory.
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    const QByteArray oldEntries = storagetest::ledgerBytes("old", 20);
    const QByteArray newEntries = storagetest::ledgerBytes("new", 30);

    // Each save keeps the ledger it replaces: one that fails keeps none.
    const auto versions = [&] {
        QStringList names;
        const storage::Result<QList<ledgerversions::Version>> all = ledgerversions::list(p);
        for (const ledgerversions::Version &version : *all)
            names.append(QFileInfo(version.path).fileName());
        return names;
    };
    int steps = 0;
    for (int failAt = 0;; ++failAt) {
        QVERIFY(ledgerstore::save(p, oldEntries, "20\r\n", std::nullopt, QDateTime::currentDateTimeUtc()));
        const QStringList versionsBefore = versions();
        FaultyFileSystem faulty;
        faulty.failAt = failAt;
        storage::Status result = storage::Done{};
        {
            storage::ScopedFileSystem scope(faulty);
            result =
                ledgerstore::save(p, newEntries, "30\r\n", std::nullopt, QDateTime::currentDateTimeUtc());
        }
        const QString where = faulty.failAt < faulty.count ? faulty.log.at(failAt) : QStringLiteral("none");
        // One failing step is tried again: the save is complete or not made.
        // A directory sync that failed once is not trusted, even when it
        // passes on the second try: that save is unfinished, yet complete.
        const bool unfinished = !result && result.error().unfinished;
        QVERIFY2(!unfinished || where.startsWith(QStringLiteral("syncDirectory")), qPrintable(where));
        const bool saved = bool(result) || unfinished;
        const storage::Result<ledgerstore::StoredLedger> stored = ledgerstore::read(p);
        QVERIFY2(stored, qPrintable(where));
        QVERIFY2(stored->entries == (saved ? newEntries : oldEntries), qPrintable(where));
        QVERIFY2(stored->total == (saved ? "30\r\n" : "20\r\n"), qPrintable(where));
        const QStringList left = storagetest::ledgerFiles(p.directory);
        QVERIFY2(left.size() == 2, qPrintable(where + left.join(u' ')));
        // The folder holds whole versions only, the newest one of the old
        // ledger when the save was made.
        const QStringList versionsAfter = versions();
        QStringList sorted = versionsAfter;
        sorted.sort();
        QVERIFY2(listing(ledgerversions::folder(p)) == sorted,
                 qPrintable(where + listing(ledgerversions::folder(p)).join(u' ')));
        if (saved) {
            const ledgerversions::Version newest = ledgerversions::list(p)->first();
            QVERIFY2(!versionsBefore.contains(QFileInfo(newest.path).fileName()), qPrintable(where));
            QVERIFY2(ledgerversions::read(newest)->entries == oldEntries, qPrintable(where));
        } else {
            QVERIFY2(versionsAfter == versionsBefore, qPrintable(where));
        }
        if (failAt >= faulty.count) {
            QVERIFY(saved); // no step failed
            steps = faulty.count;
            break;
        }
    }
    // The checks, the journal, its sync, both files and the journal's
    // removal all took their turn.
    QVERIFY2(steps >= 8, qPrintable(QString::number(steps)));
}

void TestStorageFiles::everyFailingStepOfARead() {
    // A read with one failing step finds the right ledger or nothing, never
    // the wrong one, starting from a commit left half done.
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    for (int failAt = 0;; ++failAt) {
        QVERIFY(writeBytes(p.entries, "new entries\r\n"));
        QVERIFY(writeBytes(p.total, "old total\r\n"));
        QVERIFY(writeBytes(p.journal(), journalOfCutSave(p, "new entries\r\n", "new total\r\n")));

        FaultyFileSystem faulty;
        faulty.failAt = failAt;
        storage::Result<ledgerstore::StoredLedger> stored = storage::Error();
        {
            storage::ScopedFileSystem scope(faulty);
            stored = ledgerstore::read(p);
        }
        if (stored) {
            QCOMPARE(stored->entries, QByteArray("new entries\r\n"));
            QCOMPARE(stored->total, QByteArray("new total\r\n"));
        }
        const storage::Result<ledgerstore::StoredLedger> again = ledgerstore::read(p);
        QVERIFY(again);
        QCOMPARE(again->total, QByteArray("new total\r\n"));
        if (failAt >= faulty.count) {
            QVERIFY(stored);
            break;
        }
    }
}

void TestStorageFiles::everyPairOfFailingSteps() {
    // Two operations of a save fail (a failing disk rarely fails only once), and
    // then one of the read that follows: the ledger read is always the
    // whole old or the whole new one, as the save reported.
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    const QByteArray oldEntries = storagetest::ledgerBytes("old", 3);
    const QByteArray newEntries = storagetest::ledgerBytes("new", 4);
    int operations = 0;
    {
        QVERIFY(ledgerstore::save(p, oldEntries, "3\r\n"));
        FaultyFileSystem counting;
        storage::ScopedFileSystem scope(counting);
        QVERIFY(ledgerstore::save(p, newEntries, "4\r\n"));
        operations = counting.count;
    }
    for (int first = 0; first < operations; ++first) {
        // A failing disk fails in bursts: the second failure comes soon after.
        for (int second = first + 1; second <= qMin(first + 4, operations); ++second) {
            const QString where = QStringLiteral("%1 %2").arg(first).arg(second);
            QVERIFY(ledgerstore::read(p));
            QVERIFY(ledgerstore::save(p, oldEntries, "3\r\n"));
            FaultyFileSystem faulty;
            faulty.failAt = first;
            faulty.alsoFailAt = second;
            bool saved = false;
            {
                storage::ScopedFileSystem scope(faulty);
                const storage::Status result = ledgerstore::save(p, newEntries, "4\r\n");
                saved = result || result.error().unfinished;
            }
            FaultyFileSystem failingRead;
            failingRead.failAt = second - first - 1; // somewhere in the read's first steps
            storage::Result<ledgerstore::StoredLedger> stored = storage::Error();
            {
                storage::ScopedFileSystem scope(failingRead);
                stored = ledgerstore::read(p);
            }
            if (!stored)
                stored = ledgerstore::read(p);
            QVERIFY2(stored, qPrintable(where));
            QVERIFY2(stored->entries == (saved ? newEntries : oldEntries),
                     qPrintable(where + QLatin1Char(' ') + QString::number(saved) + faulty.log.join(u',')));
            QVERIFY2(stored->total == (saved ? "4\r\n" : "3\r\n"), qPrintable(where));
        }
    }
}

void TestStorageFiles::durableOrder() {
    // The journal (each write is synced) and its name are durable before
    // either ledger file changes, and it goes only once both are written.
    const LedgerPaths p = paths();
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(ledgerstore::save(p, "old\r\n", "1\r\n"));
    FaultyFileSystem logging;
    {
        storage::ScopedFileSystem scope(logging);
        QVERIFY(ledgerstore::save(p, "new\r\n", "2\r\n", std::nullopt, QDateTime::currentDateTimeUtc()));
    }
    const auto at = [&](const QString &operation, const QString &path) {
        return logging.log.indexOf(operation + QLatin1Char(' ') + QFileInfo(path).fileName());
    };
    const QByteArray all = logging.log.join(u',').toUtf8();
    const qsizetype journal = at(QStringLiteral("write"), p.journal());
    // The version's name is durable before the journal is written.
    const qsizetype renamed = logging.log.indexOf(QRegularExpression(QStringLiteral("rename .*")));
    const qsizetype versionSynced = logging.log.indexOf(
        QStringLiteral("syncDirectory ") + QFileInfo(ledgerversions::folder(p)).fileName(), renamed);
    QVERIFY2(renamed >= 0 && versionSynced > renamed && versionSynced < journal, all.constData());
    const qsizetype synced =
        logging.log.indexOf(QStringLiteral("syncDirectory ") + QFileInfo(p.directory).fileName(), journal);
    const qsizetype removed = at(QStringLiteral("remove"), p.journal());
    QVERIFY2(journal >= 0 && journal < synced, all.constData());
    QVERIFY2(synced < at(QStringLiteral("write"), p.entries), all.constData());
    QVERIFY2(synced < at(QStringLiteral("write"), p.total), all.constData());
    QVERIFY2(qMax(at(QStringLiteral("write"), p.entries), at(QStringLiteral("write"), p.total)) < removed,
             all.constData());
}

TESORILA_MODEL_TEST_MAIN(TestStorageFiles)
#include "tst_storage_files.moc"

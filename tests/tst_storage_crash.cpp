// SPDX-License-Identifier: GPL-3.0-or-later
// Saves killed part-way: a child process (this same program, started with
// TESORILA_CRASH_MODE set) saves a ledger and is killed, at each step of the
// save in turn and at many moments chosen by the clock. After every kill the
// account must hold the whole old ledger or the whole new one.

#include "tst_storage_support.h"

#include "model_support.h"

#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/ledger_versions.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstdlib>

using ledgerformat::LedgerPaths;
using storagetest::listing;

namespace {

const QByteArray kOldEntries = storagetest::ledgerBytes("viejo", 3000);
const QByteArray kOldTotal = "3000\r\n";
const QByteArray kNewEntries = storagetest::ledgerBytes("nuevo", 1200);
const QByteArray kNewTotal = "1200\r\n";

LedgerPaths pathsIn(const QString &directory) {
    return ledgerformat::ledgerPaths(directory + QLatin1Char('/'), QStringLiteral("Ana"), 1234,
                                     QStringLiteral("/"));
}

// The child's work: "step" saves the new ledger once and kills itself at
// operation TESORILA_CRASH_STEP; "loop" saves the two ledgers in turn until
// it is killed, saying "listo" once the first save is done.
[[noreturn]] void runChild(const QByteArray &mode) {
    testsupport::removeTemporaryFolders(); // a kill leaves nothing behind
    const LedgerPaths paths = pathsIn(qEnvironmentVariable("TESORILA_CRASH_DIR"));
    if (mode == "step") {
        storagetest::FaultyFileSystem faulty;
        faulty.failAt = qEnvironmentVariableIntValue("TESORILA_CRASH_STEP");
        faulty.crash = true;
        storage::ScopedFileSystem scope(faulty);
        const bool saved = bool(
            ledgerstore::save(paths, kNewEntries, kNewTotal, std::nullopt, QDateTime::currentDateTimeUtc()));
        std::_Exit(saved ? 0 : 1);
    }
    for (bool first = true;; first = !first) {
        if (!ledgerstore::save(paths, first ? kNewEntries : kOldEntries, first ? kNewTotal : kOldTotal,
                               std::nullopt, QDateTime::currentDateTimeUtc()))
            std::_Exit(1);
        static bool told = false;
        if (!told) {
            std::fputs("listo\n", stdout);
            std::fflush(stdout);
            told = true;
        }
    }
}

} // namespace

class TestStorageCrash : public QObject {
    Q_OBJECT
public:
    TestStorageCrash() {
        const QByteArray mode = qgetenv("TESORILA_CRASH_MODE");
        if (!mode.isEmpty())
            runChild(mode);
    }

private slots:
    void init();
    void killedAtEveryStep();
    void killedAtManyMoments();

private:
    QProcess *startChild(const QByteArray &mode, int step = -1);
    // Checks that the account holds one whole ledger and returns which.
    QByteArray wholeLedger();

    QScopedPointer<QTemporaryDir> m_dir;
    bool m_child = false; // the step child saved the new ledger over the old
};

void TestStorageCrash::init() {
    m_dir.reset(new QTemporaryDir());
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(pathsIn(m_dir->path()).directory));
    QVERIFY(ledgerstore::save(pathsIn(m_dir->path()), kOldEntries, kOldTotal));
}

QProcess *TestStorageCrash::startChild(const QByteArray &mode, int step) {
    auto *child = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESORILA_CRASH_MODE"), QString::fromLatin1(mode));
    environment.insert(QStringLiteral("TESORILA_CRASH_DIR"), m_dir->path());
    environment.insert(QStringLiteral("TESORILA_CRASH_STEP"), QString::number(step));
    child->setProcessEnvironment(environment);
    // The child's diagnostics are kept for the failure message of a test.
    child->setProcessChannelMode(QProcess::SeparateChannels);
    child->start(QCoreApplication::applicationFilePath(), {});
    return child;
}

QByteArray TestStorageCrash::wholeLedger() {
    const LedgerPaths paths = pathsIn(m_dir->path());
    const storage::Result<ledgerstore::StoredLedger> stored = ledgerstore::read(paths);
    if (!stored)
        return "unreadable";
    const bool old = stored->entries == kOldEntries && stored->total == kOldTotal;
    const bool fresh = stored->entries == kNewEntries && stored->total == kNewTotal;
    if (!old && !fresh)
        return "mixed: " + stored->entries.left(12) + " / " + stored->total;
    // Settled by the read: nothing but the two ledger files and the
    // versions' folder is left.
    const QStringList left = storagetest::ledgerFiles(paths.directory);
    if (left.size() != 2)
        return "left over: " + left.join(u' ').toUtf8();
    // Every version is whole; once the new ledger stands, the newest
    // version holds the one it replaced.
    const storage::Result<QList<ledgerversions::Version>> versions = ledgerversions::list(paths);
    if (!versions)
        return "versions unreadable";
    for (const ledgerversions::Version &version : *versions) {
        const storage::Result<ledgerstore::StoredLedger> kept = ledgerversions::read(version);
        if (!kept || (kept->entries != kOldEntries && kept->entries != kNewEntries))
            return "version not whole: " + version.path.toUtf8();
    }
    if (fresh && m_child &&
        (versions->isEmpty() || ledgerversions::read(versions->first())->entries != kOldEntries))
        return "new ledger without the old one's version";
    return old ? "old" : "new";
}

void TestStorageCrash::killedAtEveryStep() {
    int oldSeen = 0;
    int newSeen = 0;
    for (int step = 0; step < 200; ++step) {
        QVERIFY(ledgerstore::save(pathsIn(m_dir->path()), kOldEntries, kOldTotal));
        QProcess *child = startChild("step", step);
        QVERIFY(child->waitForFinished(60000));
        const bool killed = child->exitStatus() == QProcess::CrashExit;
        const int code = child->exitCode();
        const QByteArray diagnostics = child->readAllStandardError();
        delete child;

        m_child = true;
        const QByteArray result = wholeLedger();
        m_child = false;
        QVERIFY2(result == "old" || result == "new",
                 qPrintable(QStringLiteral("step %1: ").arg(step) + result + "\n" + diagnostics));
        if (!killed) {
            // The child got past every step: the save is complete.
            QVERIFY2(code == 0, diagnostics.constData());
            QCOMPARE(result, QByteArray("new"));
            QVERIFY2(step > 6, qPrintable(QString::number(step)));
            QVERIFY(oldSeen > 0 && newSeen > 0); // killed both before and after the commit
            return;
        }
        ++(result == "old" ? oldSeen : newSeen);
    }
    QFAIL("the save never completed");
}

void TestStorageCrash::killedAtManyMoments() {
    int killedWhileSaving = 0;
    for (int round = 0; round < 30; ++round) {
        QProcess *child = startChild("loop");
        QVERIFY(child->waitForReadyRead(60000));
        QCOMPARE(child->readLine().trimmed(), QByteArray("listo")); // "\r\n" on Windows
        // Not a timed assertion: the pause only spreads the kills over the
        // steps of the saves going on meanwhile.
        QThread::usleep(static_cast<unsigned long>(round * 997 % 23000));
        child->kill();
        QVERIFY(child->waitForFinished(60000));
        if (child->exitStatus() == QProcess::CrashExit)
            ++killedWhileSaving;
        delete child;

        const QByteArray result = wholeLedger();
        QVERIFY2(result == "old" || result == "new",
                 qPrintable(QStringLiteral("round %1: ").arg(round) + result));
    }
    QVERIFY(killedWhileSaving > 0);
}

TESORILA_MODEL_TEST_MAIN(TestStorageCrash)
#include "tst_storage_crash.moc"

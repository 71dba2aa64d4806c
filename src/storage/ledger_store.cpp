#include "storage/ledger_store.h"

#include "storage/file_system.h"

#include <QFileInfo>

namespace ledgerstore {

using ledgerformat::LedgerPaths;
using storage::fileSystem;
using storage::PathKind;

namespace {

// The record names the two files it commits; only its existence counts.
QByteArray recordBytes(const LedgerPaths &paths) {
    const QString text = QFileInfo(paths.entries).fileName() + QStringLiteral("\r\n") +
                         QFileInfo(paths.total).fileName() + QStringLiteral("\r\n");
    return ledgerformat::encode(text).value_or(QByteArray());
}

// Puts a staging file in place of its real file. A staging file that is no
// longer there was put in place by an earlier attempt.
bool promote(const QString &staging, const QString &target) {
    if (fileSystem().rename(staging, target))
        return true;
    return fileSystem().kind(staging) == PathKind::Missing;
}

bool finishCommit(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    if (!promote(paths.entriesStaging(), paths.entries) || !promote(paths.totalStaging(), paths.total))
        return false;
    // The renames must be durable before the record that vouches for them goes.
    if (!fs.syncDirectory(paths.directory) || !fs.remove(paths.commitRecord()))
        return false;
    return fs.syncDirectory(paths.directory);
}

bool discardStaging(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    const bool entriesGone = fs.remove(paths.entriesStaging());
    const bool totalGone = fs.remove(paths.totalStaging());
    return entriesGone && totalGone;
}

} // namespace

bool recover(const LedgerPaths &paths) {
    switch (fileSystem().kind(paths.commitRecord())) {
    case PathKind::Missing:
        return discardStaging(paths);
    case PathKind::File:
        return finishCommit(paths);
    default:
        return false; // cannot tell whether a commit is pending: touch nothing
    }
}

bool save(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total) {
    storage::FileSystem &fs = fileSystem();
    // A record left by an earlier save must be settled first, or it would
    // vouch for the staging files written below before they are whole.
    if (!recover(paths))
        return false;

    if (!storage::writeWholeFile(paths.entriesStaging(), entries) ||
        !storage::writeWholeFile(paths.totalStaging(), total) || !fs.syncDirectory(paths.directory)) {
        discardStaging(paths);
        return false;
    }
    // The record must be durable before the first rename, or a power cut
    // could keep a renamed file and lose the record that completes the pair.
    if (!storage::writeWholeFile(paths.commitRecord(), recordBytes(paths)) ||
        !fs.syncDirectory(paths.directory)) {
        fs.remove(paths.commitRecord());
        discardStaging(paths);
        return false;
    }

    // From here on the new ledger is the saved one.
    if (finishCommit(paths))
        return true;

    // Before either staging file has been put in place the commit can still
    // be taken back; afterwards the next read or save finishes it.
    const bool untouched =
        fs.kind(paths.entriesStaging()) == PathKind::File && fs.kind(paths.totalStaging()) == PathKind::File;
    if (untouched && fs.remove(paths.commitRecord())) {
        discardStaging(paths);
        return false;
    }
    return true;
}

std::optional<StoredLedger> read(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    recover(paths); // where the directory is read-only the commit stays pending

    const PathKind record = fs.kind(paths.commitRecord());
    if (record != PathKind::Missing && record != PathKind::File)
        return std::nullopt;
    const bool pending = record == PathKind::File;

    // While a commit is pending, a staging file still there is the saved one.
    auto source = [&](const QString &real, const QString &staging) -> std::optional<QString> {
        if (!pending)
            return real;
        switch (fs.kind(staging)) {
        case PathKind::File:
            return staging;
        case PathKind::Missing:
            return real;
        default:
            return std::nullopt;
        }
    };
    const std::optional<QString> entriesPath = source(paths.entries, paths.entriesStaging());
    const std::optional<QString> totalPath = source(paths.total, paths.totalStaging());
    if (!entriesPath || !totalPath)
        return std::nullopt;

    std::optional<QByteArray> entries = fs.read(*entriesPath);
    if (!entries)
        return std::nullopt;
    std::optional<QByteArray> total = fs.read(*totalPath);
    if (!total)
        return std::nullopt;
    return StoredLedger{*entries, *total};
}

} // namespace ledgerstore

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_store.h"

#include "model/file_system.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <utility>

namespace ledgerstore {

using ledgerformat::LedgerPaths;
using storage::fileSystem;
using storage::PathKind;

namespace {

// BLAKE2b with a 256-bit digest: as long as SHA-256's, and about five times
// faster in Qt's implementation, which made hashing a large ledger twice
// the bulk of a save.
QByteArray digest(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

// The two digests of a record, or nothing when it does not hold them.
std::optional<std::pair<QByteArray, QByteArray>> recordDigests(const QByteArray &record) {
    const QList<QByteArray> lines = record.split('\n');
    if (lines.size() != 5 || !lines[4].isEmpty())
        return std::nullopt;
    const QByteArray entries = lines[2].chopped(lines[2].endsWith('\r') ? 1 : 0);
    const QByteArray total = lines[3].chopped(lines[3].endsWith('\r') ? 1 : 0);
    if (entries.size() != 64 || total.size() != 64)
        return std::nullopt;
    return std::make_pair(entries, total);
}

enum class Commit {
    Done,    // both new files are in place
    Placed,  // both new files are in place, durably, but the record is still there
    Pending, // the file system failed; the record stays for the next attempt
    Broken,  // the new content is not all there: the commit cannot be completed
};

// Where the new content of one file is now: still in its staging file, or
// already put in place. A staging file is whole wherever it exists (it gets
// its name only once written and synced, and a save writes none while a
// record is pending); one that is missing was either put in place or lost,
// and only the real file's content tells which. Pending when the file
// system cannot say.
Commit locate(const QString &staging, const QString &target, const QByteArray &expected) {
    storage::FileSystem &fs = fileSystem();
    switch (fs.kind(staging)) {
    case PathKind::File:
        return Commit::Done;
    case PathKind::Missing:
        break;
    default:
        return Commit::Pending;
    }
    const std::optional<QByteArray> bytes = fs.read(target);
    if (!bytes)
        return fs.kind(target) == PathKind::Missing ? Commit::Broken : Commit::Pending;
    return digest(*bytes) == expected ? Commit::Done : Commit::Broken;
}

// Puts a staging file in place of its real file; one that is no longer
// there was put in place by an earlier attempt.
bool promote(const QString &staging, const QString &target) {
    if (fileSystem().rename(staging, target))
        return true;
    return fileSystem().kind(staging) == PathKind::Missing;
}

// Whether the new content of both files, as the record gives it, is all
// there (Done), is not (Broken), or cannot be told (Pending).
Commit checkCommit(const LedgerPaths &paths) {
    const std::optional<QByteArray> record = fileSystem().read(paths.commitRecord());
    if (!record)
        return Commit::Pending;
    const std::optional<std::pair<QByteArray, QByteArray>> digests = recordDigests(*record);
    if (!digests)
        return Commit::Broken;
    for (const Commit found : {locate(paths.entriesStaging(), paths.entries, digests->first),
                               locate(paths.totalStaging(), paths.total, digests->second)}) {
        if (found != Commit::Done)
            return found;
    }
    return Commit::Done;
}

Commit finishCommit(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    // Nothing is renamed unless both new files are whole.
    if (const Commit found = checkCommit(paths); found != Commit::Done)
        return found;
    if (!promote(paths.entriesStaging(), paths.entries) || !promote(paths.totalStaging(), paths.total))
        return Commit::Pending;
    // The renames must be durable before the record that vouches for them
    // goes. The record's removal need not be: should it come back, the files
    // it names hold what it vouches for, and the next read removes it again.
    if (!fs.syncDirectory(paths.directory))
        return Commit::Pending;
    if (!fs.remove(paths.commitRecord()))
        return Commit::Placed;
    return Commit::Done;
}

std::optional<Stamp> stampOf(const QString &entries, const QString &total) {
    storage::FileSystem &fs = fileSystem();
    const std::optional<dataroot::FileStamp> entriesStamp = fs.stamp(entries);
    if (!entriesStamp)
        return std::nullopt;
    const std::optional<dataroot::FileStamp> totalStamp = fs.stamp(total);
    if (!totalStamp)
        return std::nullopt;
    return Stamp{*entriesStamp, *totalStamp};
}

// Whether the file found now is another one than the file seen.
bool replaced(const dataroot::FileStamp &seen, const dataroot::FileStamp &now) {
    return now.exists && now != seen;
}

bool discardStaging(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    const bool entriesGone = fs.remove(paths.entriesStaging());
    const bool totalGone = fs.remove(paths.totalStaging());
    return entriesGone && totalGone;
}

// Takes a commit back. Removing either the record or both staging files is
// enough: a record whose new content is not all there vouches for nothing.
// True when a read now finds the real files, that is the old ledger.
bool rollBack(const LedgerPaths &paths) {
    storage::FileSystem &fs = fileSystem();
    const bool recordGone = fs.remove(paths.commitRecord()) && fs.syncDirectory(paths.directory);
    const bool stagingGone = discardStaging(paths);
    return recordGone || stagingGone;
}

} // namespace

QByteArray commitRecord(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total) {
    const QString text = QFileInfo(paths.entries).fileName() + QStringLiteral("\r\n") +
                         QFileInfo(paths.total).fileName() + QStringLiteral("\r\n");
    return ledgerformat::encode(text).value_or(QByteArray()) + digest(entries) + "\r\n" + digest(total) +
           "\r\n";
}

bool recover(const LedgerPaths &paths) {
    switch (fileSystem().kind(paths.commitRecord())) {
    case PathKind::Missing:
        return discardStaging(paths);
    case PathKind::File:
        switch (finishCommit(paths)) {
        case Commit::Done:
            return true;
        case Commit::Placed:
            return false; // a record must not outlive its save into the next one
        case Commit::Broken:
            // A save may write new staging files only once no record is
            // left to vouch for them.
            return rollBack(paths) && fileSystem().kind(paths.commitRecord()) == PathKind::Missing;
        case Commit::Pending:
            return false;
        }
        return false;
    default:
        return false; // cannot tell whether a commit is pending: touch nothing
    }
}

namespace {

// How a save went, before its files are stamped.
struct Attempt {
    Outcome outcome = Outcome::NotSaved;
    std::error_code error;
};

Attempt commitSave(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total,
                   const Stamp *seen) {
    storage::FileSystem &fs = fileSystem();
    const auto notSaved = [&] { return Attempt{Outcome::NotSaved, fs.lastError()}; };
    // A record left by an earlier save must be settled first, or it would
    // vouch for the staging files written below before they are whole.
    if (!recover(paths))
        return notSaved();
    // A directory or anything else standing where a real file belongs could
    // never be renamed over: the commit would stay half done for good.
    for (const QString &real : {paths.entries, paths.total}) {
        const PathKind found = fs.kind(real);
        if (found == PathKind::Directory)
            return {Outcome::NotSaved, std::make_error_code(std::errc::is_a_directory)};
        if (found != PathKind::File && found != PathKind::Missing)
            return {Outcome::NotSaved, std::make_error_code(std::errc::invalid_argument)};
    }
    // Only now that any pending commit is settled: one completed just now
    // replaced the files, as the save it is.
    if (seen) {
        const std::optional<Stamp> now = stampOf(paths.entries, paths.total);
        if (!now)
            return notSaved();
        if (replaced(seen->entries, now->entries) || replaced(seen->total, now->total))
            return {Outcome::Changed, {}};
    }

    // Each staging file's content is durable before it gets its name; its
    // name need not be before the record is, since a record whose staging
    // file is lost is taken back.
    if (!storage::writeWholeFile(paths.entriesStaging(), entries) ||
        !storage::writeWholeFile(paths.totalStaging(), total)) {
        const Attempt result = notSaved();
        discardStaging(paths);
        return result;
    }
    // The record must be durable before the first rename, or a power cut
    // could keep a renamed file and lose the record that completes the pair.
    if (!storage::writeWholeFile(paths.commitRecord(), commitRecord(paths, entries, total)) ||
        !fs.syncDirectory(paths.directory)) {
        const std::error_code why = fs.lastError();
        if (rollBack(paths))
            return {Outcome::NotSaved, why};
        // The record cannot be taken back, so a read finds the new ledger:
        // the commit is completed, so that what a read finds is the new
        // ledger whole. Yet a directory whose sync failed once may have lost
        // what it held, whatever a later sync says, so this is no success.
        finishCommit(paths);
        return {Outcome::Unfinished, why};
    }

    // From here on the new ledger is the saved one, unless what the record
    // vouches for is no longer all there. A step that failed once is tried
    // once more before the save is given up.
    std::error_code why;
    bool doubtful = false; // renamed, but a sync or a check of them failed
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (finishCommit(paths)) {
        case Commit::Done:
        case Commit::Placed: // the leftover record goes at the next read or save
            if (doubtful)
                return {Outcome::Unfinished, why};
            return {Outcome::Saved, {}};
        case Commit::Broken:
            why = fs.lastError();
            rollBack(paths);
            return {Outcome::NotSaved,
                    why ? why : std::make_error_code(std::errc::no_such_file_or_directory)};
        case Commit::Pending:
            why = fs.lastError();
            doubtful = fs.kind(paths.entriesStaging()) == PathKind::Missing &&
                       fs.kind(paths.totalStaging()) == PathKind::Missing;
            break;
        }
    }
    // Before either staging file has been put in place the commit can still
    // be taken back; afterwards the next read or save finishes it.
    const bool untouched =
        fs.kind(paths.entriesStaging()) == PathKind::File && fs.kind(paths.totalStaging()) == PathKind::File;
    if (untouched && rollBack(paths))
        return {Outcome::NotSaved, why};
    return {Outcome::Unfinished, why};
}

} // namespace

SaveResult save(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total,
                const Stamp *seen) {
    const Attempt attempt = commitSave(paths, entries, total, seen);
    SaveResult result{attempt.outcome, attempt.error, Stamp{}};
    if (result.outcome != Outcome::Saved && result.outcome != Outcome::Unfinished)
        return result;
    // After an unfinished save, a staging file still there is what a read
    // finds, and its rename will keep its stamp. Where the file system cannot
    // tell, the stamp stays empty, which no file found later matches.
    const bool unfinished = result.outcome == Outcome::Unfinished;
    const auto source = [&](const QString &staging, const QString &real) {
        return unfinished && fileSystem().kind(staging) == PathKind::File ? staging : real;
    };
    result.stamp =
        stampOf(source(paths.entriesStaging(), paths.entries), source(paths.totalStaging(), paths.total))
            .value_or(Stamp{});
    return result;
}

std::optional<StoredLedger> read(const LedgerPaths &paths, std::error_code *error, qint64 limit) {
    storage::FileSystem &fs = fileSystem();
    const auto fail = [&]() -> std::optional<StoredLedger> {
        if (error)
            *error = fs.lastError();
        return std::nullopt;
    };
    recover(paths); // where the directory is read-only the commit stays pending

    const PathKind record = fs.kind(paths.commitRecord());
    if (record != PathKind::Missing && record != PathKind::File)
        return fail();
    bool pending = false;
    if (record == PathKind::File) {
        switch (checkCommit(paths)) {
        case Commit::Done:
        case Commit::Placed:
            pending = true;
            break;
        case Commit::Broken:
            break; // the record vouches for nothing: the real files are the saved ledger
        case Commit::Pending:
            return fail();
        }
    }

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
        return fail();

    std::optional<QByteArray> entries = fs.read(*entriesPath, limit);
    if (!entries)
        return fail();
    std::optional<QByteArray> total = fs.read(*totalPath, limit);
    if (!total)
        return fail();
    // A pending commit keeps these stamps: its renames move the files read.
    const std::optional<Stamp> stamp = stampOf(*entriesPath, *totalPath);
    if (!stamp)
        return fail();
    return StoredLedger{*entries, *total, *stamp};
}

} // namespace ledgerstore

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_store.h"

#include "model/file_system.h"
#include "model/ledger_versions.h"

#include <QCryptographicHash>
#include <QFileInfo>

#include <array>
#include <optional>

namespace ledgerstore {

using namespace storage;
using ledgerformat::LedgerPaths;

namespace {

constexpr char kMagic[] = "Tesorila diario 2";
constexpr qsizetype kDigestLine = 64 + 2;

QByteArray nameOf(const QString &path) {
    return QFileInfo(path).fileName().toUtf8();
}

// BLAKE2b-256: as long as SHA-256's, and several times faster in Qt.
QByteArray digest(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

// A save of one file: its new bytes from offset `from` on; those before
// stay as they are.
struct Change {
    qsizetype from = 0;
    QByteArray tail;
};

// The journal's two changes, when it is whole and of these files.
std::optional<std::array<Change, 2>> parse(const LedgerPaths &paths, const QByteArray &bytes) {
    const QByteArray body = bytes.chopped(qMin(bytes.size(), kDigestLine));
    if (bytes.size() < kDigestLine || bytes.mid(body.size()) != digest(body) + "\r\n")
        return std::nullopt;
    QList<QByteArray> header;
    qsizetype start = 0;
    while (header.size() < 7) {
        const qsizetype end = body.indexOf("\r\n", start);
        if (end < 0)
            return std::nullopt;
        header.append(body.mid(start, end - start));
        start = end + 2;
    }
    if (header[0] != kMagic || header[1] != nameOf(paths.entries) || header[2] != nameOf(paths.total))
        return std::nullopt;
    std::array<Change, 2> changes;
    for (int i = 0; i < 2; ++i) {
        bool fromRead = false;
        bool sizeRead = false;
        const qsizetype from = header[3 + 2 * i].toLongLong(&fromRead);
        const qsizetype size = header[4 + 2 * i].toLongLong(&sizeRead);
        if (!fromRead || !sizeRead || from < 0 || size < 0 || size > body.size() - start)
            return std::nullopt;
        changes[i] = Change{from, body.mid(start, size)};
        start += size;
    }
    if (start != body.size())
        return std::nullopt;
    return changes;
}

QByteArray journalOf(const LedgerPaths &paths, const std::array<Change, 2> &changes) {
    QByteArray bytes;
    bytes.reserve(changes[0].tail.size() + changes[1].tail.size() + 256);
    bytes += QByteArray(kMagic) + "\r\n" + nameOf(paths.entries) + "\r\n" + nameOf(paths.total) + "\r\n";
    for (const Change &change : changes)
        bytes += QByteArray::number(change.from) + "\r\n" + QByteArray::number(change.tail.size()) + "\r\n";
    for (const Change &change : changes)
        bytes += change.tail;
    // Appended in place: the reserve leaves room, so the new bytes are not
    // copied once more.
    bytes += digest(bytes) + "\r\n";
    return bytes;
}

// Removes a file that a save must not leave behind; where it cannot, the
// next read or save tries again.
void discard(const QString &path) {
    (void)fileSystem().remove(path);
}

// A save that a journal found whole holds: the new ledger and the changes
// that make the files hold it.
// (cppcheck does not follow the members' uses through std::optional.)
struct Pending {
    // cppcheck-suppress unusedStructMember
    StoredLedger ledger;
    // cppcheck-suppress unusedStructMember
    std::array<Change, 2> changes;
};

// Whether what a read of the journal's name met can be no journal of a
// save: no regular file, one that this user may not read (a save makes
// its journal the user's), or one larger than both files and a header.
bool noJournal(const Error &error) {
    switch (error.failure) {
    case Failure::FolderInTheWay:
    case Failure::NotRegularFile:
    case Failure::NoOneThere:
    case Failure::NoPermission:
    case Failure::TooLarge:
        return true;
    default:
        return false;
    }
}

// What a whole journal holds; nothing when there is no journal, or only
// part of one (or one that does not fit the files), which is removed, or
// set aside where it cannot be.
// Something at its name that can be no journal is set aside, not removed:
// it is no save's, and perhaps someone's.
Result<std::optional<Pending>> pending(const LedgerPaths &paths) {
    FileSystem &fs = fileSystem();
    const Result<QByteArray> bytes = fs.read(paths.journal(), 2 * FileSystem::kDefaultReadLimit + 4096);
    if (!bytes && bytes.error().failure == Failure::Missing)
        return std::optional<Pending>();
    if (!bytes && noJournal(bytes.error()) && fs.setAside(paths.journal()))
        return std::optional<Pending>();
    if (!bytes)
        return bytes.error();
    std::optional<std::array<Change, 2>> changes = parse(paths, *bytes);
    std::optional<Pending> whole;
    if (changes) {
        // The bytes before each change are the files' own, never written
        // by a save that left its journal.
        const Result<QByteArray> entries = readOrEmpty(paths.entries);
        if (!entries)
            return entries.error();
        const Result<QByteArray> total = readOrEmpty(paths.total);
        if (!total)
            return total.error();
        const auto &[forEntries, forTotal] = *changes;
        if (forEntries.from <= entries->size() && forTotal.from <= total->size())
            whole = Pending{{entries->left(forEntries.from) + forEntries.tail,
                             total->left(forTotal.from) + forTotal.tail},
                            *changes};
    }
    // Part of a journal goes; one that cannot go (a file marked read-only
    // on Windows) is set aside, or no save could write its journal.
    if (!whole && !fs.remove(paths.journal()))
        (void)fs.setAside(paths.journal());
    return whole;
}

// Makes the two files hold a journal's changes and lets the journal go.
// Each step that fails is tried once more. With names set the two files'
// names are made durable before the journal goes. A directory sync that
// failed once (here, or before as syncFailure) is not trusted, even when it
// passes later: such a save is done but unfinished.
Status rollForward(const LedgerPaths &paths, const std::array<Change, 2> &changes, bool names,
                   std::optional<Error> syncFailure = std::nullopt) {
    FileSystem &fs = fileSystem();
    Status step = Error(); // nothing done yet
    for (int attempt = 0; attempt < 2 && !step; ++attempt) {
        step = fs.write(paths.entries, changes[0].tail, Links::Follow, changes[0].from);
        if (step)
            step = fs.write(paths.total, changes[1].tail, Links::Follow, changes[1].from);
        if (step && names && !(step = fs.syncDirectory(paths.directory)))
            syncFailure = step.error();
        if (step)
            step = fs.remove(paths.journal());
    }
    if (step && !syncFailure)
        return Done{};
    Error why = step ? *syncFailure : step.error();
    why.unfinished = true;
    return why;
}

// Plays a whole journal again, or removes a partial one.
Status recover(const LedgerPaths &paths) {
    const Result<std::optional<Pending>> found = pending(paths);
    if (!found)
        return found.error();
    return *found ? rollForward(paths, (*found)->changes, true) : Done{};
}

} // namespace

Status save(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total,
            const std::optional<StoredLedger> &seen, const std::optional<QDateTime> &keptAt) {
    FileSystem &fs = fileSystem();
    // A journal left by an earlier save is played first: it is the saved
    // ledger until then.
    if (const Status settled = recover(paths); !settled) {
        Error why = settled.error();
        why.unfinished = false;
        return why;
    }
    std::array<Change, 2> changes;
    std::array<QByteArray, 2> replaced; // the files' bytes, for a version
    bool created = false;               // a file was missing
    bool unchanged = true;              // both files hold the ledger already
    for (int i = 0; i < 2; ++i) {
        const QString &path = i == 0 ? paths.entries : paths.total;
        const QByteArray &text = i == 0 ? entries : total;
        const Result<PathKind> found = fs.kind(path);
        if (!found)
            return found.error();
        if (*found == PathKind::Directory || *found == PathKind::Other)
            return notAFile(*found == PathKind::Directory, path);
        created = created || *found == PathKind::Missing;
        // Only over the bytes the caller saw. A missing file is no sign of
        // another save, since no save removes one. Without them, a file
        // that cannot be read is written whole, unless another program
        // holds it: then it could not be written either, and the save ends
        // here, with nothing changed. Nor is one written whole that is to
        // be kept as a version.
        const Result<QByteArray> now =
            *found == PathKind::File ? fs.read(path) : Result<QByteArray>(QByteArray());
        if (!now && (seen || keptAt || now.error().failure == Failure::HeldByAnotherProgram))
            return now.error();
        if (now)
            replaced[i] = *now;
        if (now && seen && *found == PathKind::File && *now != (i == 0 ? seen->entries : seen->total))
            return Error{Failure::ChangedSinceRead};
        const qsizetype from = now ? ledgerformat::sharedPrefix(*now, text) : 0;
        // The tail lies in the caller's text, which outlives the save: it
        // is not copied.
        changes[i] = Change{from, QByteArray::fromRawData(text.constData() + from, text.size() - from)};
        unchanged = unchanged && now && from == now->size() && from == text.size();
    }
    // Files that already hold the ledger, as written by an earlier save,
    // need nothing more.
    if (unchanged && !created)
        return Done{};
    // Both files take writes before the journal holds the new ledger: a
    // journal of a save that could not finish would be read as saved.
    for (const QString &path : {paths.entries, paths.total}) {
        if (const Status open = fs.writable(path); !open)
            return open.error();
    }
    // The ledger replaced is kept before the journal: once a journal is
    // durable, so is its version.
    std::optional<QString> version;
    if (keptAt && !(created && replaced[0].isEmpty() && replaced[1].isEmpty())) {
        const Result<QString> kept =
            ledgerversions::keep(paths, {replaced[0], replaced[1]}, {entries, total}, *keptAt);
        if (!kept) {
            Error why = kept.error();
            why.version = true;
            return why;
        }
        version = *kept;
    }
    const auto takeBack = [&] {
        if (version)
            ledgerversions::takeBack(*version);
    };
    // The journal is durable, under its name, before either file changes.
    if (const Status written = fs.write(paths.journal(), journalOf(paths, changes), Links::Replace);
        !written) {
        discard(paths.journal());
        takeBack();
        return written.error();
    }
    const Status synced = fs.syncDirectory(paths.directory);
    // The journal's name may not last: it is taken back, or else the save
    // is completed, but not trusted.
    if (!synced && fs.remove(paths.journal()) && fs.syncDirectory(paths.directory)) {
        takeBack();
        return synced.error();
    }
    Status saved =
        synced ? rollForward(paths, changes, created) : rollForward(paths, changes, true, synced.error());
    if (version)
        ledgerversions::prune(paths, {entries, total}, *keptAt);
    return saved;
}

Result<StoredLedger> read(const LedgerPaths &paths) {
    const Result<std::optional<Pending>> found = pending(paths);
    if (!found)
        return found.error();
    if (*found) {
        // Where the folder cannot be written the journal stays, and is
        // read again next time.
        (void)rollForward(paths, (*found)->changes, true);
        return (*found)->ledger;
    }
    FileSystem &fs = fileSystem();
    const Result<QByteArray> entries = fs.read(paths.entries);
    if (!entries)
        return entries.error();
    const Result<QByteArray> total = fs.read(paths.total);
    if (!total)
        return total.error();
    return StoredLedger{*entries, *total};
}

} // namespace ledgerstore

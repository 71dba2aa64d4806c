// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_store.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QtDebug>

#include <optional>

namespace ledgerstore {

using ledgerformat::LedgerPaths;
using platform::Links;
using storage::Done;
using storage::Error;
using storage::Failure;
using storage::fileSystem;
using storage::PathKind;
using storage::Result;
using storage::Status;

namespace {

constexpr char kMagic[] = "Tesorila diario 1";
constexpr qsizetype kDigestLine = 64 + 2;

QByteArray nameOf(const QString &path) {
    return QFileInfo(path).fileName().toUtf8();
}

// BLAKE2b-256: as long as SHA-256's, and several times faster in Qt.
QByteArray digest(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

// The ledger a journal holds, when it is whole and of these files.
std::optional<StoredLedger> parse(const LedgerPaths &paths, const QByteArray &bytes) {
    const QByteArray body = bytes.chopped(qMin(bytes.size(), kDigestLine));
    if (bytes.size() < kDigestLine || bytes.mid(body.size()) != digest(body) + "\r\n")
        return std::nullopt;
    QList<QByteArray> header;
    qsizetype start = 0;
    while (header.size() < 5) {
        const qsizetype end = body.indexOf("\r\n", start);
        if (end < 0)
            return std::nullopt;
        header.append(body.mid(start, end - start));
        start = end + 2;
    }
    bool sized = false;
    bool totalSized = false;
    const qsizetype entries = header[3].toLongLong(&sized);
    const qsizetype total = header[4].toLongLong(&totalSized);
    if (header[0] != kMagic || header[1] != nameOf(paths.entries) || header[2] != nameOf(paths.total) ||
        !sized || !totalSized || entries < 0 || total < 0 || start + entries + total != body.size())
        return std::nullopt;
    return StoredLedger{body.mid(start, entries), body.mid(start + entries)};
}

// The ledger a whole journal holds; nothing when there is no journal, or
// only part of one, which is removed.
Result<std::optional<StoredLedger>> pending(const LedgerPaths &paths, qint64 limit) {
    storage::FileSystem &fs = fileSystem();
    const Result<PathKind> found = fs.kind(paths.journal());
    if (!found)
        return found.error();
    if (*found == PathKind::Missing)
        return std::optional<StoredLedger>();
    if (*found != PathKind::File)
        return Error::at(*found == PathKind::Directory ? Failure::FolderInTheWay : Failure::NotOurs,
                         QFileInfo(paths.journal()).fileName());
    const Result<QByteArray> bytes = fs.read(paths.journal(), 2 * limit + 4096);
    if (!bytes)
        return bytes.error();
    std::optional<StoredLedger> whole = parse(paths, *bytes);
    if (!whole) {
        if (const Status gone = fs.remove(paths.journal()); !gone)
            qWarning("Tesorila: no se puede quitar un diario a medias (error %d)", gone.error().code);
    }
    return whole;
}

// Writes a journal's ledger into the two files and lets the journal go.
// Each step that fails is tried once more. With names set the two files'
// names are made durable before the journal goes. A directory sync that
// failed once is not trusted, even when it passes later: such a save is
// done but unfinished.
Status rollForward(const LedgerPaths &paths, const StoredLedger &ledger, bool names) {
    storage::FileSystem &fs = fileSystem();
    std::optional<Error> doubt; // a directory sync that failed
    Error why;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Status step = fs.write(paths.entries, ledger.entries, Links::Follow);
        if (step)
            step = fs.write(paths.total, ledger.total, Links::Follow);
        if (step && names && !(step = fs.syncDirectory(paths.directory)))
            doubt = step.error();
        if (step)
            step = fs.remove(paths.journal());
        if (step && !doubt)
            return Done{};
        why = step ? *doubt : step.error();
        if (step)
            break;
    }
    why.unfinished = true;
    return why;
}

} // namespace

QByteArray journal(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total) {
    QByteArray bytes;
    bytes.reserve(entries.size() + total.size() + 256);
    bytes += QByteArray(kMagic) + "\r\n" + nameOf(paths.entries) + "\r\n" + nameOf(paths.total) + "\r\n" +
             QByteArray::number(entries.size()) + "\r\n" + QByteArray::number(total.size()) + "\r\n";
    bytes += entries;
    bytes += total;
    return bytes + digest(bytes) + "\r\n";
}

Status recover(const LedgerPaths &paths) {
    const Result<std::optional<StoredLedger>> found = pending(paths, storage::FileSystem::kDefaultReadLimit);
    if (!found)
        return found.error();
    return *found ? rollForward(paths, **found, true) : Done{};
}

Status save(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total) {
    storage::FileSystem &fs = fileSystem();
    // A journal left by an earlier save is played first: it is the saved
    // ledger until then.
    if (const Status settled = recover(paths); !settled) {
        Error why = settled.error();
        why.unfinished = false;
        return why;
    }
    bool created = false;
    for (const QString &real : {paths.entries, paths.total}) {
        const Result<PathKind> found = fs.kind(real);
        if (!found)
            return found.error();
        if (*found == PathKind::Directory || *found == PathKind::Other)
            return Error::at(*found == PathKind::Directory ? Failure::FolderAtFile : Failure::NotRegularFile,
                             QFileInfo(real).fileName());
        created = created || *found == PathKind::Missing;
    }
    // The journal is durable, under its name, before either file changes.
    if (const Status written = fs.write(paths.journal(), journal(paths, entries, total), Links::Replace);
        !written) {
        if (const Status gone = fs.remove(paths.journal()); !gone)
            qWarning("Tesorila: no se puede quitar un diario a medias (error %d)", gone.error().code);
        return written.error();
    }
    const StoredLedger ledger{entries, total};
    if (const Status synced = fs.syncDirectory(paths.directory); !synced) {
        // The journal's name may not last: it is taken back, or else the
        // save is completed, but not trusted.
        if (fs.remove(paths.journal()) && fs.syncDirectory(paths.directory))
            return synced.error();
        Error why = synced.error();
        why.unfinished = true;
        if (const Status done = rollForward(paths, ledger, true); !done)
            why = done.error();
        return why;
    }
    return rollForward(paths, ledger, created);
}

Result<StoredLedger> read(const LedgerPaths &paths, qint64 limit) {
    const Result<std::optional<StoredLedger>> found = pending(paths, limit);
    if (!found)
        return found.error();
    if (*found) {
        // Where the folder cannot be written the journal stays, and is read.
        if (const Status settled = rollForward(paths, **found, true); !settled)
            qWarning("Tesorila: no se puede completar un guardado pendiente (error %d)",
                     settled.error().code);
        return **found;
    }
    storage::FileSystem &fs = fileSystem();
    const Result<QByteArray> entries = fs.read(paths.entries, limit);
    if (!entries)
        return entries.error();
    const Result<QByteArray> total = fs.read(paths.total, limit);
    if (!total)
        return total.error();
    return StoredLedger{*entries, *total};
}

} // namespace ledgerstore

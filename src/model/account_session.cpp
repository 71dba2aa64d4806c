// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/account_session.h"

#include "model/data_root.h"
#include "model/entry_text.h"
#include "model/file_system.h"
#include "model/ledger_store.h"
#include "model/numbertext.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace account {

using namespace storage;

namespace {

// The longest line a ledger file may have: an entry's date, amount and
// tabs, and a concept as long as its text box takes (32767), with room to
// spare.
constexpr qsizetype kMaxLineLength = 65536;

// How long a sign-in or save waits for another running copy to let go.
constexpr int kLockWaitMs = 2000;

Result<FileLock> lockAccount(const QString &directory) {
    return lockFile(directory + QDir::separator() + QStringLiteral(".bloqueo"), kLockWaitMs);
}

Error dataRoot(Error error) {
    error.dataRoot = true;
    return error;
}

} // namespace

Status makeMarker(const QString &date) {
    FileSystem &fs = fileSystem();
    if (const Result<PathKind> marker = fs.kind(dataroot::markerPath());
        marker && *marker != PathKind::Missing)
        return Done{};
    const Result<PathKind> root = fs.kind(dataroot::path());
    Status made = fs.makeDirectory(dataroot::path());
    // A new data root must outlast a power cut as surely as the ledgers in it.
    if (made && root && *root == PathKind::Missing)
        made = fs.syncDirectory(QFileInfo(QDir::cleanPath(dataroot::path())).absolutePath());
    if (!made)
        return dataRoot(made.error());
    // The marker is never read: a date that the file cannot hold (a locale
    // with other digits, say) is written in the ISO form instead, and a
    // marker that cannot be written stops nothing.
    std::optional<QByteArray> bytes = ledgerformat::fileBytes({date});
    if (!bytes)
        bytes = ledgerformat::fileBytes({QDate::currentDate().toString(Qt::ISODate)});
    (void)fs.write(dataroot::markerPath(), bytes.value_or(QByteArray()), Links::Replace);
    return Done{};
}

Session::Session(QString userName, QString password)
    : m_userName(std::move(userName)), m_password(std::move(password)) {}

QString Session::directory() const {
    return dataroot::path() + m_userName;
}

Result<ledgerformat::LedgerPaths> Session::resolve(bool saving) {
    if (!dataroot::isSafeDirectoryName(m_userName)) {
        // A name only Windows cannot hold is refused as every system
        // refuses it for a new account.
        const bool onlyWindows = dataroot::isSafeDirectoryName(m_userName, dataroot::NameRules::Unix);
        if (std::optional<Error> refused =
                saving && onlyWindows ? dataroot::newAccountRefusal(m_userName) : std::nullopt)
            return *refused;
        return Error(Failure::InvalidUserName);
    }
    const std::optional<double> value = ledgerformat::passwordValue(m_password);
    // Opening a ledger whose names could be another's is still allowed.
    if (saving && (!value || !ledgerformat::namesStayApart(*value)))
        return Error(entrytext::isDigits(m_password) ? Failure::NameClash : Failure::InvalidPassword);
    if (!value)
        return Error(Failure::Missing);
    if (m_paths)
        return *m_paths;
    // A ledger saved under a locale with the other decimal separator (comma
    // or full stop) keeps the names it has, so that one account never
    // holds two ledgers of one password.
    const QLocale other = numbertext::otherSeparatorLocale(QLocale());
    const ledgerformat::LedgerPaths here =
        ledgerformat::ledgerPaths(dataroot::path(), m_userName, *value, QDir::separator());
    const ledgerformat::LedgerPaths there =
        ledgerformat::ledgerPaths(dataroot::path(), m_userName, *value, QDir::separator(), other);
    if (there.entries == here.entries)
        return here;
    for (const QString &path : {here.entries, here.total, there.entries}) {
        const Result<PathKind> found = fileSystem().kind(path);
        if (!found)
            return found.error();
        if (*found != PathKind::Missing)
            return path == there.entries ? there : here;
    }
    return here;
}

Result<Session::Found> Session::readStored(bool saving) {
    const Result<ledgerformat::LedgerPaths> paths = resolve(saving);
    if (!paths)
        return paths.error();
    const Result<PathKind> found = fileSystem().kind(paths->directory);
    if (!found)
        return found.error();
    if (*found != PathKind::Directory)
        return Error{Failure::Missing};
    const Result<FileLock> lock = lockAccount(paths->directory);
    if (!lock)
        return lock.error();
    Result<ledgerstore::StoredLedger> stored = ledgerstore::read(*paths);
    if (!stored)
        return stored.error();
    return Found{*paths, std::move(*stored)};
}

Result<Loaded> Session::open(const Room &room) {
    const Result<Found> read = readStored(false);
    if (!read)
        return read.error();
    const ledgerstore::StoredLedger &stored = read->ledger;
    // The entries are decoded as they are counted, but only as many as the
    // list has room for and none too long.
    ledgerformat::ShapedLines entries =
        ledgerformat::fileLines(stored.entries, room.maxLines - room.shownLines, kMaxLineLength);
    if (entries.shape.longest > kMaxLineLength || ledgerformat::longestLine(stored.total) > kMaxLineLength)
        return Error::over(Failure::LineTooLong, kMaxLineLength);
    // Of the total file's lines only the last one stays in the total box, so
    // only it is decoded.
    Loaded loaded;
    loaded.total = ledgerformat::lastLine(stored.total);
    // A total saved under the other decimal separator shows in this one's.
    if (loaded.total)
        loaded.total = numbertext::inLocale(*loaded.total);
    if (loaded.total && loaded.total->size() > room.totalLength)
        return Error::over(Failure::TotalTooLong, room.totalLength);
    if (room.shownLines + entries.shape.count > room.maxLines)
        return Error::over(Failure::TooManyLines, room.maxLines);
    loaded.entries = std::move(entries.lines);
    m_seen = stored;
    m_paths = read->paths;
    return loaded;
}

Status Session::save(const Ledger &ledger, const QString &markerDate) {
    const Result<ledgerformat::LedgerPaths> paths = resolve(true);
    if (!paths)
        return paths.error();
    // Everything is turned into bytes before anything is written.
    const std::optional<QByteArray> entries = ledgerformat::fileBytes(ledger.lines);
    const std::optional<QByteArray> total = ledgerformat::fileBytes({ledger.total});
    if (!entries || !total)
        return Error::at(Failure::Unsavable,
                         ledgerformat::unsavableCharacters(ledger.lines.join(QString()) + ledger.total));

    FileSystem &fs = fileSystem();
    if (!m_seen) {
        if (std::optional<Error> refused = dataroot::newAccountRefusal(m_userName)) {
            const Result<PathKind> there = fs.kind(paths->directory);
            if (!there || *there == PathKind::Missing)
                return *refused;
        }
        if (const Status root = makeMarker(markerDate); !root)
            return root.error();
    }
    const Result<PathKind> found = fs.kind(paths->directory);
    if (!found)
        return found.error();
    const bool create = !m_seen && *found == PathKind::Missing;
    if (*found == PathKind::Missing && !create)
        return Error::at(Failure::AccountMissing, paths->directory);
    if (*found != PathKind::Missing && *found != PathKind::Directory)
        return Error{Failure::FileInTheWay};
    if (create) {
        if (const Status made = fs.makeDirectory(paths->directory); !made)
            return made.error();
    }
    // A new account directory's name must be durable too.
    Status saved = create ? fs.syncDirectory(dataroot::path()) : Status(Done{});
    if (saved) {
        // Only over the ledger this session saw. The lock goes with this
        // block, before a new folder is taken back.
        const Result<FileLock> lock = lockAccount(paths->directory);
        // The ledger replaced is kept as a version.
        saved = lock ? ledgerstore::save(*paths, *entries, *total, m_seen, QDateTime::currentDateTimeUtc())
                     : Status(lock.error());
    }
    if (saved || saved.error().unfinished) {
        m_seen = ledgerstore::StoredLedger{*entries, *total};
        m_paths = *paths;
    } else if (create) {
        // Only goes if the failed save left it empty; one left behind is
        // an empty account folder, which opens as no account.
        (void)fs.removeDirectory(paths->directory);
    }
    return saved;
}

Result<std::optional<Held>> Session::held() {
    const Result<Found> read = readStored(true);
    if (!read && read.error().failure == Failure::Missing)
        return std::optional<Held>();
    if (!read)
        return read.error();
    const ledgerstore::StoredLedger &stored = read->ledger;
    Held held;
    held.entries = ledgerformat::fileLines(stored.entries, 0, kMaxLineLength).shape.count;
    held.seen = m_seen && m_seen->entries == stored.entries && m_seen->total == stored.total;
    m_seen = stored;
    m_paths = read->paths;
    return std::optional<Held>(held);
}

} // namespace account

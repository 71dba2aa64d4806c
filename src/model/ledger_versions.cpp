// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_versions.h"

#include "model/file_system.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <optional>
#include <utility>

namespace ledgerversions {

using namespace storage;
using ledgerformat::LedgerBytes;
using ledgerformat::LedgerPaths;

namespace {

// A version holding both files whole (as earlier releases wrote them), and
// one holding what differs from the newer ledger.
constexpr char kWholeMagic[] = "Tesorila version 1";
constexpr char kChangeMagic[] = "Tesorila version 2";
constexpr char kTimeFormat[] = "yyyyMMdd'T'HHmmsszzz";
constexpr char kTemporary[] = ".nueva";
constexpr qint64 kReadLimit = 2 * FileSystem::kDefaultReadLimit + 4096;

QByteArray digest(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

// A fast 64-bit hash, four lanes of multiply and rotate over 8-byte words:
// it tells which ledger a version follows from, and guards a version
// file's bytes, at a small part of the cost of a digest.
quint64 hash64(const QByteArray &bytes, quint64 seed) {
    constexpr quint64 k1 = 0x9E3779B185EBCA87ULL, k2 = 0xC2B2AE3D27D4EB4FULL, k3 = 0x165667B19E3779F9ULL,
                      k4 = 0x85EBCA77C2B2AE63ULL, k5 = 0x27D4EB2F165667C5ULL;
    const auto rotate = [](quint64 x, int r) { return (x << r) | (x >> (64 - r)); };
    const auto mix = [&](quint64 lane, quint64 word) { return rotate(lane + word * k2, 31) * k1; };
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const uchar *const end = p + bytes.size();
    quint64 h = seed + k5;
    if (bytes.size() >= 32) {
        quint64 lanes[4] = {seed + k1 + k2, seed + k2, seed, seed - k1};
        for (; end - p >= 32; p += 32) {
            for (int i = 0; i < 4; ++i)
                lanes[i] = mix(lanes[i], qFromLittleEndian<quint64>(p + 8 * i));
        }
        h = rotate(lanes[0], 1) + rotate(lanes[1], 7) + rotate(lanes[2], 12) + rotate(lanes[3], 18);
        for (const quint64 lane : lanes)
            h = (h ^ mix(0, lane)) * k1 + k4;
    }
    h += quint64(bytes.size());
    for (; end - p >= 8; p += 8)
        h = rotate(h ^ mix(0, qFromLittleEndian<quint64>(p)), 27) * k1 + k4;
    for (; p < end; ++p)
        h = rotate(h ^ (*p * k5), 11) * k1;
    h ^= h >> 33;
    h *= k2;
    h ^= h >> 29;
    h *= k3;
    return h ^ (h >> 32);
}

quint64 fingerprint(const LedgerBytes &ledger) {
    return hash64(ledger.total, hash64(ledger.entries, 0));
}

// What a version file holds.
struct Kept {
    bool whole = true;
    // Whole, the ledger; otherwise the entries file from byte `from` on
    // (the bytes before are the newer ledger's) and the whole total file.
    LedgerBytes bytes;
    qsizetype from = 0;
    quint64 newer = 0; // the fingerprint of the ledger it follows from
    quint64 own = 0;   // and of the ledger it holds
};

QByteArray hexOf(quint64 value) {
    return QByteArray::number(value, 16).rightJustified(16, '0');
}

// The line that closes a version file: a digest of the bytes before it
// for a whole one, the faster hash for one of changes (whose own bytes are
// also checked by the fingerprint of the ledger they give).
QByteArray checkOf(bool whole, const QByteArray &body) {
    return (whole ? digest(body) : hexOf(hash64(body, 1))) + "\r\n";
}

QByteArray fileOf(const Kept &kept) {
    QByteArray bytes;
    bytes.reserve(kept.bytes.entries.size() + kept.bytes.total.size() + 192);
    if (kept.whole)
        bytes += QByteArray(kWholeMagic) + "\r\n";
    else
        bytes += QByteArray(kChangeMagic) + "\r\n" + hexOf(kept.newer) + "\r\n" + hexOf(kept.own) + "\r\n" +
                 QByteArray::number(kept.from) + "\r\n";
    bytes += QByteArray::number(kept.bytes.entries.size()) + "\r\n" +
             QByteArray::number(kept.bytes.total.size()) + "\r\n";
    bytes += kept.bytes.entries;
    bytes += kept.bytes.total;
    bytes += checkOf(kept.whole, bytes);
    return bytes;
}

// A version file's content, when it is whole.
std::optional<Kept> parse(const QByteArray &bytes) {
    Kept kept;
    kept.whole = !bytes.startsWith(QByteArray(kChangeMagic) + "\r\n");
    const qsizetype checkLine = kept.whole ? 64 + 2 : 16 + 2;
    const QByteArray body = bytes.chopped(qMin(bytes.size(), checkLine));
    if (bytes.size() < checkLine || bytes.mid(body.size()) != checkOf(kept.whole, body))
        return std::nullopt;
    qsizetype start = 0;
    const auto line = [&]() -> std::optional<QByteArray> {
        const qsizetype end = body.indexOf("\r\n", start);
        if (end < 0)
            return std::nullopt;
        const QByteArray found = body.mid(start, end - start);
        start = end + 2;
        return found;
    };
    const auto number = [&](int base) -> std::optional<qint64> {
        const std::optional<QByteArray> text = line();
        bool read = false;
        const qint64 value = text ? qint64(text->toULongLong(&read, base)) : 0;
        return read && (base == 10 ? value >= 0 : text->size() == 16) ? std::optional<qint64>(value)
                                                                      : std::nullopt;
    };
    if (line() != QByteArray(kept.whole ? kWholeMagic : kChangeMagic))
        return std::nullopt;
    if (!kept.whole) {
        const std::optional<qint64> newer = number(16), own = number(16), from = number(10);
        if (!newer || !own || !from)
            return std::nullopt;
        kept.newer = quint64(*newer);
        kept.own = quint64(*own);
        kept.from = *from;
    }
    const std::optional<qint64> entries = number(10), total = number(10);
    if (!entries || !total || *entries > body.size() - start || *total != body.size() - start - *entries)
        return std::nullopt;
    kept.bytes = {body.mid(start, *entries), body.mid(start + *entries)};
    return kept;
}

std::optional<Kept> readKept(const QString &path) {
    const Result<QByteArray> bytes = fileSystem().read(path, kReadLimit);
    return bytes ? parse(*bytes) : std::nullopt;
}

QString nameOf(const QDateTime &utc) {
    return utc.toUTC().toString(QLatin1String(kTimeFormat));
}

// The time a version's name gives; an invalid one for any other name.
QDateTime timeOf(const QString &name) {
    if (name.size() != 18)
        return {};
    const QDateTime time = QDateTime::fromString(name, QLatin1String(kTimeFormat));
    return time.isValid() ? QDateTime(time.date(), time.time(), Qt::UTC) : QDateTime();
}

QString pathIn(const QString &directory, const QString &name) {
    return directory + QLatin1Char('/') + name;
}

// Every version file's name, newest first, none read.
Result<QList<Version>> named(const LedgerPaths &paths) {
    const QString directory = folder(paths);
    const Result<QStringList> names = fileSystem().list(directory);
    if (!names)
        return names.error().failure == Failure::Missing ? Result<QList<Version>>(QList<Version>())
                                                         : names.error();
    QList<Version> versions;
    for (const QString &name : *names) {
        if (const QDateTime time = timeOf(name); time.isValid())
            versions.append(Version{time, pathIn(directory, name), paths});
    }
    std::sort(versions.begin(), versions.end(),
              [](const Version &a, const Version &b) { return a.saved > b.saved; });
    return versions;
}

// The two ledger files as they stand, a missing one empty.
Result<LedgerBytes> liveLedger(const LedgerPaths &paths) {
    const auto bytesOf = [](const QString &path) -> Result<QByteArray> {
        Result<QByteArray> read = fileSystem().read(path);
        if (!read && read.error().failure == Failure::Missing)
            return QByteArray();
        return read;
    };
    const Result<QByteArray> entries = bytesOf(paths.entries);
    if (!entries)
        return entries.error();
    const Result<QByteArray> total = bytesOf(paths.total);
    if (!total)
        return total.error();
    return LedgerBytes{*entries, *total};
}

// A walk from the live ledger back through the versions, newest first. A
// version follows from the ledger reached last, or from the one before it
// while a version taken out of the middle still stands beside the older
// one that took over what it held (see prune()).
class Walk {
public:
    explicit Walk(LedgerBytes live) : m_current(fingerprint(live)), m_currentBytes(std::move(live)) {}

    // The ledger the version holds, when it follows from those reached; it
    // is then the one reached.
    std::optional<LedgerBytes> step(const Kept &kept) {
        if (kept.whole) {
            advance(kept.bytes, fingerprint(kept.bytes));
            return kept.bytes;
        }
        const bool fromCurrent = kept.newer == m_current;
        if (!fromCurrent && !(m_previous && kept.newer == *m_previous))
            return std::nullopt;
        const QByteArray &newer = fromCurrent ? m_currentBytes.entries : m_previousBytes.entries;
        if (kept.from > newer.size())
            return std::nullopt;
        LedgerBytes ledger{newer.left(kept.from) + kept.bytes.entries, kept.bytes.total};
        if (fingerprint(ledger) != kept.own)
            return std::nullopt;
        if (fromCurrent) {
            advance(ledger, kept.own);
        } else {
            m_current = kept.own;
            m_currentBytes = ledger;
        }
        return ledger;
    }

private:
    void advance(const LedgerBytes &ledger, quint64 own) {
        m_previous = m_current;
        m_previousBytes = std::exchange(m_currentBytes, ledger);
        m_current = own;
    }

    quint64 m_current;
    LedgerBytes m_currentBytes;
    std::optional<quint64> m_previous;
    LedgerBytes m_previousBytes;
};

// Writes a version's new bytes over it, durably, in one step.
bool replace(const QString &path, const QByteArray &bytes) {
    FileSystem &fs = fileSystem();
    const QString temporary = path + QLatin1String(kTemporary);
    if (fs.write(temporary, bytes, Links::Replace) && fs.rename(temporary, path) &&
        fs.syncDirectory(QFileInfo(path).path()))
        return true;
    (void)fs.remove(temporary);
    return false;
}

// The older version as it reads once the newer one it follows from is
// gone: following from what that one followed from, or whole.
std::optional<Kept> passedOn(const Kept &gone, Kept older) {
    if (gone.whole) {
        if (older.from > gone.bytes.entries.size())
            return std::nullopt;
        return Kept{true, {gone.bytes.entries.left(older.from) + older.bytes.entries, older.bytes.total}};
    }
    older.newer = gone.newer;
    if (older.from > gone.from) {
        const qsizetype kept = older.from - gone.from;
        if (kept > gone.bytes.entries.size())
            return std::nullopt;
        older.bytes.entries = gone.bytes.entries.left(kept) + older.bytes.entries;
        older.from = gone.from;
    }
    return older;
}

quint64 ownOf(const Kept &kept) {
    return kept.whole ? fingerprint(kept.bytes) : kept.own;
}

// Makes the next older version that follows from version i follow from
// what version i follows from (or hold its ledger whole); false when it
// still follows from version i. A version that no newer one leads to (a
// save cut short before its journal kept it) has none following from it.
bool passOn(const QList<Version> &versions, qsizetype i) {
    // The nearest version from index j on, going by step, that can be read.
    const auto readable = [&](qsizetype j, qsizetype step) {
        for (; j >= 0 && j < versions.size(); j += step) {
            if (std::optional<Kept> found = readKept(versions.at(j).path))
                return std::pair(j, found);
        }
        return std::pair(j, std::optional<Kept>());
    };
    const auto [at, older] = readable(i + 1, 1);
    if (!older || older->whole)
        return true;
    const std::optional<Kept> gone = readKept(versions.at(i).path);
    if (!gone || older->newer != ownOf(*gone))
        return true;
    if (!gone->whole) {
        const std::optional<Kept> newer = readable(i - 1, -1).second;
        if (!newer || ownOf(*newer) != gone->newer)
            return true;
    }
    const std::optional<Kept> taken = passedOn(*gone, *older);
    return taken && replace(versions.at(at).path, fileOf(*taken));
}

} // namespace

QList<QDateTime> toRemove(QList<QDateTime> times, const QDateTime &now) {
    std::sort(times.begin(), times.end(), std::greater<>());
    const QDate today = now.date();
    QSet<QDate> days; // those whose newest version is already counted
    QList<QDateTime> removed;
    for (qsizetype i = 0; i < times.size(); ++i) {
        const QDate day = times.at(i).date();
        const bool newestOfDay = !days.contains(day);
        days.insert(day);
        if (i >= kKeptRecent && (!newestOfDay || day.daysTo(today) >= kKeptDays))
            removed.append(times.at(i));
    }
    return removed;
}

QString folder(const LedgerPaths &paths) {
    return pathIn(pathIn(paths.directory, QLatin1String(kFolderName)), QFileInfo(paths.entries).fileName());
}

Result<QString> keep(const LedgerPaths &paths, const LedgerBytes &replaced, const LedgerBytes &saved,
                     const QDateTime &now) {
    FileSystem &fs = fileSystem();
    const QString directory = folder(paths);
    const QString parent = pathIn(paths.directory, QLatin1String(kFolderName));
    const Result<PathKind> there = fs.kind(directory);
    if (!there)
        return there.error();
    if (*there != PathKind::Directory) {
        if (*there != PathKind::Missing)
            return Error{Failure::FileInTheWay};
        // Both new names outlast a power cut, as the version in them does.
        Status made = fs.makeDirectory(directory);
        if (made)
            made = fs.syncDirectory(parent);
        if (made)
            made = fs.syncDirectory(paths.directory);
        if (!made) {
            (void)fs.removeDirectory(directory);
            (void)fs.removeDirectory(parent);
            return made.error();
        }
    }
    Kept kept;
    kept.whole = false;
    kept.from = ledgerformat::sharedPrefix(replaced.entries, saved.entries);
    kept.bytes = {replaced.entries.mid(kept.from), replaced.total};
    kept.newer = fingerprint(saved);
    kept.own = fingerprint(replaced);
    // Two saves within one millisecond: the later one takes the next free
    // name, and no version replaces another.
    QDateTime time = now.toUTC();
    QString name;
    for (;; time = time.addMSecs(1)) {
        name = pathIn(directory, nameOf(time));
        const Result<PathKind> taken = fs.kind(name);
        if (!taken)
            return taken.error();
        if (*taken == PathKind::Missing)
            break;
    }
    const QString temporary = name + QLatin1String(kTemporary);
    Status step = fs.write(temporary, fileOf(kept), Links::Replace);
    if (step)
        step = fs.rename(temporary, name);
    if (step)
        step = fs.syncDirectory(directory);
    if (!step) {
        (void)fs.remove(temporary);
        takeBack(name);
        return step.error();
    }
    return name;
}

void takeBack(const QString &version) {
    FileSystem &fs = fileSystem();
    if (!fs.remove(version))
        return;
    // The folders go too when this version was their only file.
    const QString directory = QFileInfo(version).path();
    const QString parent = QFileInfo(directory).path();
    const QString account = QFileInfo(parent).path();
    if (!fs.removeDirectory(directory))
        (void)fs.syncDirectory(directory);
    else if (!fs.removeDirectory(parent))
        (void)fs.syncDirectory(parent);
    else
        (void)fs.syncDirectory(account);
}

void prune(const LedgerPaths &paths, const QDateTime &now) {
    FileSystem &fs = fileSystem();
    const QString directory = folder(paths);
    const Result<QStringList> names = fs.list(directory);
    if (!names)
        return;
    for (const QString &name : *names) {
        if (name.endsWith(QLatin1String(kTemporary)))
            (void)fs.remove(pathIn(directory, name));
    }
    const Result<QList<Version>> versions = named(paths);
    if (!versions)
        return;
    // Days are the user's own.
    QList<QDateTime> local;
    local.reserve(versions->size());
    for (const Version &version : *versions)
        local.append(version.saved.toLocalTime());
    QSet<QString> gone;
    for (const QDateTime &time : toRemove(local, now.toLocalTime()))
        gone.insert(pathIn(directory, nameOf(time)));
    // Newest first: the next older version that follows from one that goes
    // takes over what it held, durably, before it goes.
    for (qsizetype i = 0; i < versions->size(); ++i) {
        if (gone.contains(versions->at(i).path) && passOn(*versions, i))
            (void)fs.remove(versions->at(i).path);
    }
}

Result<QList<Version>> list(const LedgerPaths &paths) {
    QList<Version> versions;
    const Status walked = forEach(paths, [&](const Version &version, const LedgerBytes &) {
        versions.append(version);
        return true;
    });
    if (!walked)
        return walked.error();
    return versions;
}

Status forEach(const LedgerPaths &paths,
               const std::function<bool(const Version &, const LedgerBytes &)> &each) {
    const Result<QList<Version>> versions = named(paths);
    if (!versions)
        return versions.error();
    if (versions->isEmpty())
        return Done{};
    Result<LedgerBytes> live = liveLedger(paths);
    if (!live)
        return live.error();
    Walk walk(std::move(*live));
    for (const Version &version : *versions) {
        const std::optional<Kept> kept = readKept(version.path);
        const std::optional<LedgerBytes> ledger = kept ? walk.step(*kept) : std::nullopt;
        if (ledger && !each(version, *ledger))
            break;
    }
    return Done{};
}

Result<LedgerBytes> read(const Version &version) {
    std::optional<LedgerBytes> found;
    const Status walked = forEach(version.ledger, [&](const Version &each, const LedgerBytes &ledger) {
        if (each.path == version.path)
            found = ledger;
        return !found;
    });
    if (!walked)
        return walked.error();
    if (!found)
        return Error::at(Failure::Shortened, QFileInfo(version.path).fileName());
    return *found;
}

} // namespace ledgerversions

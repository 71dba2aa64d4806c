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
            for (qsizetype i = 0; i < 4; ++i)
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

// A piece of a version's entries file: bytes of the newer ledger's
// entries file from offset `from` on, or the version's own bytes from
// offset `from` of those it holds.
struct Piece {
    bool copied = true;
    qsizetype from = 0;
    qsizetype size = 0;
};

// What a version file holds.
struct Kept {
    bool whole = true;
    // Whole, the ledger. Otherwise the bytes of the entries file that the
    // newer one lacks and the whole total file; the entries file is the
    // pieces in order.
    LedgerBytes bytes;
    QList<Piece> pieces;
    quint64 newer = 0; // the fingerprint of the ledger it follows from
    quint64 own = 0;   // and of the ledger it holds
};

// Adds a piece, joined to the last one where it goes on from it.
void append(QList<Piece> &pieces, const Piece &piece) {
    if (piece.size == 0)
        return;
    if (!pieces.isEmpty() && pieces.last().copied == piece.copied &&
        pieces.last().from + pieces.last().size == piece.from)
        pieces.last().size += piece.size;
    else
        pieces.append(piece);
}

// The entries file of a version of changes, from the newer one's; none
// when a piece lies outside either, or when it would be larger than any
// ledger file read.
std::optional<QByteArray> entriesOf(const Kept &kept, const QByteArray &newer) {
    constexpr qsizetype most = FileSystem::kDefaultReadLimit;
    qsizetype size = 0;
    for (const Piece &piece : kept.pieces) {
        if (piece.size > most - size)
            return std::nullopt;
        size += piece.size;
    }
    QByteArray entries;
    entries.reserve(size);
    for (const Piece &piece : kept.pieces) {
        const QByteArray &source = piece.copied ? newer : kept.bytes.entries;
        if (piece.from > source.size() || piece.size > source.size() - piece.from)
            return std::nullopt;
        entries.append(source.constData() + piece.from, piece.size);
    }
    return entries;
}

// The version of the replaced ledger from the saved one: the bytes both
// entries files share at the start and at the end are the saved one's.
Kept changesOf(const LedgerBytes &replaced, const LedgerBytes &saved) {
    Kept kept;
    kept.whole = false;
    const QByteArray &old = replaced.entries, &now = saved.entries;
    const qsizetype front = ledgerformat::sharedPrefix(old, now);
    const qsizetype back = ledgerformat::sharedSuffix(old, now, qMin(old.size(), now.size()) - front);
    kept.bytes = {old.mid(front, old.size() - front - back), replaced.total};
    append(kept.pieces, {true, 0, front});
    append(kept.pieces, {false, 0, kept.bytes.entries.size()});
    append(kept.pieces, {true, now.size() - back, back});
    kept.newer = fingerprint(saved);
    kept.own = fingerprint(replaced);
    return kept;
}

QByteArray hexOf(quint64 value) {
    return QByteArray::number(value, 16).rightJustified(16, '0');
}

// The line that closes a version file: a digest of the bytes before it
// for a whole one, the faster hash for one of changes (whose own bytes are
// also checked by the fingerprint of the ledger they give).
QByteArray checkOf(bool whole, const QByteArray &body) {
    return (whole ? digest(body) : hexOf(hash64(body, 1))) + "\r\n";
}

// A whole version: its tag, the sizes of the entries and total files, both
// files' bytes. One of changes: its tag, the fingerprints of the newer
// ledger and its own, the number of pieces, a line per piece ("offset
// size" for one copied, "+size" for one of its own bytes, which come in
// order), the size of the total file, its own bytes and the total file's.
// Either ends with the check line.
QByteArray fileOf(const Kept &kept) {
    QByteArray bytes;
    bytes.reserve(kept.bytes.entries.size() + kept.bytes.total.size() + 192 + 24 * kept.pieces.size());
    if (kept.whole) {
        bytes += QByteArray(kWholeMagic) + "\r\n" + QByteArray::number(kept.bytes.entries.size()) + "\r\n";
    } else {
        bytes += QByteArray(kChangeMagic) + "\r\n" + hexOf(kept.newer) + "\r\n" + hexOf(kept.own) + "\r\n" +
                 QByteArray::number(kept.pieces.size()) + "\r\n";
        for (const Piece &piece : kept.pieces)
            bytes += (piece.copied ? QByteArray::number(piece.from) + ' ' : QByteArray("+")) +
                     QByteArray::number(piece.size) + "\r\n";
    }
    bytes += QByteArray::number(kept.bytes.total.size()) + "\r\n";
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
    // A whole number: 16 hexadecimal digits, or decimal digits alone.
    const auto number = [](const std::optional<QByteArray> &text, bool hex) -> std::optional<qint64> {
        if (!text || text->isEmpty() || text->size() > (hex ? 16 : 18) ||
            !std::all_of(text->cbegin(), text->cend(),
                         [&](char c) { return (c >= '0' && c <= '9') || (hex && c >= 'a' && c <= 'f'); }))
            return std::nullopt;
        if (hex && text->size() != 16)
            return std::nullopt;
        return qint64(text->toULongLong(nullptr, hex ? 16 : 10));
    };
    if (line() != QByteArray(kept.whole ? kWholeMagic : kChangeMagic))
        return std::nullopt;
    qsizetype own = 0; // the bytes of its own before the total file's
    if (kept.whole) {
        const std::optional<qint64> entries = number(line(), false);
        if (!entries)
            return std::nullopt;
        own = *entries;
    } else {
        const std::optional<qint64> newer = number(line(), true), mark = number(line(), true),
                                    count = number(line(), false);
        if (!newer || !mark || !count)
            return std::nullopt;
        kept.newer = quint64(*newer);
        kept.own = quint64(*mark);
        for (qint64 i = 0; i < *count; ++i) {
            const std::optional<QByteArray> text = line();
            if (!text)
                return std::nullopt;
            const bool copied = !text->startsWith('+');
            const qsizetype gap = text->indexOf(' ');
            const std::optional<qint64> from =
                copied ? number(text->left(gap), false) : std::optional<qint64>(own);
            const std::optional<qint64> size = number(copied ? text->mid(gap + 1) : text->mid(1), false);
            if ((copied && gap < 0) || !from || !size || (!copied && *size > body.size()))
                return std::nullopt;
            kept.pieces.append({copied, *from, *size});
            if (!copied)
                own += *size;
        }
    }
    const std::optional<qint64> total = number(line(), false);
    if (!total || own > body.size() - start || *total != body.size() - start - own)
        return std::nullopt;
    kept.bytes = {body.mid(start, own), body.mid(start + own)};
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
// Read digit by digit: a folder of versions is read at every save, and
// QDateTime::fromString() takes far longer.
QDateTime timeOf(const QString &name) {
    if (name.size() != 18 || name.at(8) != QLatin1Char('T'))
        return {};
    const auto number = [&](qsizetype from, qsizetype size) {
        int value = 0;
        for (qsizetype i = from; i < from + size; ++i) {
            const char16_t c = name.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(4, 2), day = number(6, 2), hours = number(9, 2),
              minutes = number(11, 2), seconds = number(13, 2), milliseconds = number(15, 3);
    const QDate date(year, month, day);
    const QTime time(hours, minutes, seconds, milliseconds);
    return year >= 0 && date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
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
    const Result<QByteArray> entries = readOrEmpty(paths.entries);
    if (!entries)
        return entries.error();
    const Result<QByteArray> total = readOrEmpty(paths.total);
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

    // Whether a version of changes follows from the ledgers reached.
    bool follows(const Kept &kept) const {
        return !kept.whole && (kept.newer == m_current || (m_previous && kept.newer == *m_previous));
    }

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
        const std::optional<QByteArray> entries =
            entriesOf(kept, fromCurrent ? m_currentBytes.entries : m_previousBytes.entries);
        if (!entries)
            return std::nullopt;
        LedgerBytes ledger{*entries, kept.bytes.total};
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
std::optional<Kept> passedOn(const Kept &gone, const Kept &older) {
    if (gone.whole) {
        const std::optional<QByteArray> entries = entriesOf(older, gone.bytes.entries);
        if (!entries)
            return std::nullopt;
        return Kept{true, {*entries, older.bytes.total}, {}, 0, 0};
    }
    // Each piece copied from the gone version's ledger becomes the pieces
    // of the gone version it spans.
    Kept taken{false, {QByteArray(), older.bytes.total}, {}, gone.newer, older.own};
    const auto own = [&](const QByteArray &bytes, qsizetype from, qsizetype size) {
        append(taken.pieces, {false, taken.bytes.entries.size(), size});
        taken.bytes.entries.append(bytes.constData() + from, size);
    };
    for (const Piece &piece : older.pieces) {
        if (!piece.copied) {
            if (piece.from > older.bytes.entries.size() ||
                piece.size > older.bytes.entries.size() - piece.from)
                return std::nullopt;
            own(older.bytes.entries, piece.from, piece.size);
            continue;
        }
        qsizetype at = 0; // where the gone version's piece starts in its ledger
        qsizetype left = piece.size;
        for (const Piece &under : gone.pieces) {
            const qsizetype start = qMax(piece.from + piece.size - left, at);
            const qsizetype end = qMin(piece.from + piece.size, at + under.size);
            if (start < end) {
                const qsizetype from = under.from + start - at;
                if (under.copied)
                    append(taken.pieces, {true, from, end - start});
                else if (from + (end - start) <= gone.bytes.entries.size())
                    own(gone.bytes.entries, from, end - start);
                else
                    return std::nullopt;
                left -= end - start;
            }
            at += under.size;
        }
        if (left > 0)
            return std::nullopt; // past the end of the gone version's ledger
        if (taken.bytes.entries.size() > FileSystem::kDefaultReadLimit)
            return std::nullopt;
    }
    return taken;
}

quint64 ownOf(const Kept &kept) {
    return kept.whole ? fingerprint(kept.bytes) : kept.own;
}

// Makes the older version that follows from version i (as a rule the next
// one) follow from what version i follows from, or hold its ledger whole;
// false when it still follows from version i. A version that nothing newer
// leads to (a save cut short before its journal kept it) has none following
// from it. live is the fingerprint of the ledger files.
bool passOn(const QList<Version> &versions, qsizetype i, quint64 live) {
    const std::optional<Kept> gone = readKept(versions.at(i).path);
    if (!gone)
        return true;
    QList<std::optional<Kept>> kept(versions.size()); // read when first needed
    QList<bool> tried(versions.size(), false);
    const auto at = [&](qsizetype j) -> const std::optional<Kept> & {
        if (!tried[j]) {
            tried[j] = true;
            kept[j] = readKept(versions.at(j).path);
        }
        return kept[j];
    };
    // The nearest version that matches, going by step from version i.
    const auto find = [&](qsizetype step, const std::function<bool(const Kept &)> &matches) -> qsizetype {
        for (qsizetype j = i + step; j >= 0 && j < versions.size(); j += step) {
            if (at(j) && matches(*at(j)))
                return j;
        }
        return -1;
    };
    const quint64 own = ownOf(*gone);
    const qsizetype older = find(1, [&](const Kept &kept) { return !kept.whole && kept.newer == own; });
    if (older < 0)
        return true;
    if (!gone->whole && gone->newer != live &&
        find(-1, [&](const Kept &kept) { return ownOf(kept) == gone->newer; }) < 0)
        return true;
    const std::optional<Kept> taken = passedOn(*gone, *at(older));
    return taken && replace(versions.at(older).path, fileOf(*taken));
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
    const Kept kept = changesOf(replaced, saved);
    // Two saves within one millisecond: the later one takes the next free
    // name, and no version replaces another. Nor is a name older than the
    // newest one's, even after the clock was set back: the names keep the
    // order of the saves, which reading follows.
    QDateTime time = now.toUTC();
    if (const Result<QList<Version>> versions = named(paths);
        versions && !versions->isEmpty() && versions->first().saved.date().year() < 9999)
        time = qMax(time, versions->first().saved.addMSecs(1));
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

void prune(const LedgerPaths &paths, const LedgerBytes &live, const QDateTime &now) {
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
        if (gone.contains(versions->at(i).path) && passOn(*versions, i, fingerprint(live)))
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
    // Each step takes the newest version left that follows from the
    // ledgers reached (whatever the order of their times), and once none
    // does, the newest whole one left. Those never reached are not read.
    QList<std::pair<Version, Kept>> left;
    for (const Version &version : *versions) {
        if (std::optional<Kept> kept = readKept(version.path))
            left.append({version, std::move(*kept)});
    }
    Walk walk(std::move(*live));
    for (;;) {
        auto next =
            std::find_if(left.begin(), left.end(), [&](const auto &one) { return walk.follows(one.second); });
        if (next == left.end())
            next = std::find_if(left.begin(), left.end(), [](const auto &one) { return one.second.whole; });
        if (next == left.end())
            break;
        const auto [version, kept] = *next;
        left.erase(next);
        const std::optional<LedgerBytes> ledger = walk.step(kept);
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

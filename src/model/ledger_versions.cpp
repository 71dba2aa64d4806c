// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_versions.h"

#include "model/file_system.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace ledgerversions {

using namespace storage;
using ledgerformat::LedgerPaths;

namespace {

constexpr char kMagic[] = "Tesorila version 1";
constexpr char kTimeFormat[] = "yyyyMMdd'T'HHmmsszzz";
constexpr char kTemporary[] = ".nueva";
constexpr qsizetype kDigestLine = 64 + 2;

QByteArray digest(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
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

Result<QString> keep(const LedgerPaths &paths, const QByteArray &entries, const QByteArray &total,
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
    QByteArray bytes;
    bytes.reserve(entries.size() + total.size() + 128);
    bytes += QByteArray(kMagic) + "\r\n" + QByteArray::number(entries.size()) + "\r\n" +
             QByteArray::number(total.size()) + "\r\n";
    bytes += entries;
    bytes += total;
    bytes += digest(bytes) + "\r\n";
    const QString temporary = name + QLatin1String(kTemporary);
    Status step = fs.write(temporary, bytes, Links::Replace);
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
    QList<QDateTime> times;
    for (const QString &name : *names) {
        if (name.endsWith(QLatin1String(kTemporary)))
            (void)fs.remove(pathIn(directory, name));
        else if (const QDateTime time = timeOf(name); time.isValid())
            times.append(time);
    }
    // Days are the user's own.
    QList<QDateTime> local;
    local.reserve(times.size());
    for (const QDateTime &time : times)
        local.append(time.toLocalTime());
    for (const QDateTime &time : toRemove(local, now.toLocalTime()))
        (void)fs.remove(pathIn(directory, nameOf(time)));
}

Result<QList<Version>> list(const LedgerPaths &paths) {
    const QString directory = folder(paths);
    const Result<QStringList> names = fileSystem().list(directory);
    if (!names)
        return names.error().failure == Failure::Missing ? Result<QList<Version>>(QList<Version>())
                                                         : names.error();
    QList<Version> versions;
    for (const QString &name : *names) {
        if (const QDateTime time = timeOf(name); time.isValid())
            versions.append(Version{time, pathIn(directory, name)});
    }
    std::sort(versions.begin(), versions.end(),
              [](const Version &a, const Version &b) { return a.saved > b.saved; });
    return versions;
}

Result<ledgerformat::LedgerBytes> read(const Version &version) {
    const Result<QByteArray> bytes =
        fileSystem().read(version.path, 2 * FileSystem::kDefaultReadLimit + 4096);
    if (!bytes)
        return bytes.error();
    const Error damaged = Error::at(Failure::Shortened, QFileInfo(version.path).fileName());
    const QByteArray body = bytes->chopped(qMin(bytes->size(), kDigestLine));
    if (bytes->size() < kDigestLine || bytes->mid(body.size()) != digest(body) + "\r\n")
        return damaged;
    QList<QByteArray> header;
    qsizetype start = 0;
    while (header.size() < 3) {
        const qsizetype end = body.indexOf("\r\n", start);
        if (end < 0)
            return damaged;
        header.append(body.mid(start, end - start));
        start = end + 2;
    }
    bool entriesRead = false;
    bool totalRead = false;
    const qsizetype entries = header[1].toLongLong(&entriesRead);
    const qsizetype total = header[2].toLongLong(&totalRead);
    if (header[0] != kMagic || !entriesRead || !totalRead || entries < 0 || total < 0 ||
        start + entries + total != body.size())
        return damaged;
    return ledgerformat::LedgerBytes{body.mid(start, entries), body.mid(start + entries, total)};
}

} // namespace ledgerversions

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_format.h"
#include "model/storage_error.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The versions of a ledger: each save that changes the ledger keeps the one
// it replaces, in a hidden folder of the account folder,
// .versiones/<entries file name>/, one file per version named by the UTC
// time of that save (yyyyMMddTHHmmsszzz). A version file holds both files'
// bytes after a short header, and a digest of it all. It is written whole
// and made durable under a temporary name, then renamed: a version is
// whole or absent. A sign-in reads only the two ledger files, never a
// version.
namespace ledgerversions {

// The folder holding every ledger's versions, below the account folder.
inline constexpr char kFolderName[] = ".versiones";

// At least this many of the newest versions are kept...
inline constexpr int kKeptRecent = 20;
// ...and beyond them the newest version of each of this many last days,
// today included.
inline constexpr int kKeptDays = 60;

// The versions to remove: those beyond the kKeptRecent newest that are not
// the newest of their day, or whose day lies kKeptDays or more days before
// now's. Days are the dates of the times as given (the caller gives local
// times). The times may come in any order.
QList<QDateTime> toRemove(QList<QDateTime> times, const QDateTime &now);

// The folder of one ledger's versions.
QString folder(const ledgerformat::LedgerPaths &paths);

// Keeps the ledger a save at the UTC time now replaces: on return the
// version is durable under its own name, which it returns (a later time
// when another version has that one).
storage::Result<QString> keep(const ledgerformat::LedgerPaths &paths, const QByteArray &entries,
                              const QByteArray &total, const QDateTime &now);

// Removes a version just kept by a save that then failed before its
// journal was durable; where it cannot, the version stays.
void takeBack(const QString &version);

// Removes the versions the rule of toRemove() lets go, and temporary files
// of versions cut short. Nothing stops on a failure: the next save tries
// again.
void prune(const ledgerformat::LedgerPaths &paths, const QDateTime &now);

struct Version {
    QDateTime saved; // UTC
    QString path;
};

// The ledger's versions, newest first; none when it has no folder.
storage::Result<QList<Version>> list(const ledgerformat::LedgerPaths &paths);

// A version's ledger. A file that is not whole is Failure::Shortened.
storage::Result<ledgerformat::LedgerBytes> read(const Version &version);

} // namespace ledgerversions

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_format.h"
#include "model/storage_error.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// The versions of a ledger: each save that changes the ledger keeps the one
// it replaces, in a hidden folder of the account folder,
// .versiones/<entries file name>/, one file per version named by the UTC
// time of that save (yyyyMMddTHHmmsszzz). A version file holds only what
// the ledger it keeps has that the newer one lacks: how many leading bytes
// of the entries file the two share, the old entries from there on, and
// the old total file; with a fingerprint of each of the two ledgers, and a
// digest of it all. Reading a version walks from the two ledger files back
// through the newer versions; a version whose newer ledger is no longer
// there to walk from (a save cut short before its journal, a file changed
// by another program) is not read. A version is written whole and made
// durable under a temporary name, then renamed: a version is whole or
// absent. Versions written whole (both files' bytes) by earlier releases
// are read as they are. A sign-in reads only the two ledger files, never a
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

// Keeps the ledger replaced, which a save at the UTC time now replaces with
// the ledger saved: on return the version is durable under its own name,
// which it returns (a later time when another version has that one).
storage::Result<QString> keep(const ledgerformat::LedgerPaths &paths,
                              const ledgerformat::LedgerBytes &replaced,
                              const ledgerformat::LedgerBytes &saved, const QDateTime &now);

// Removes a version just kept by a save that then failed before its
// journal was durable; where it cannot, the version stays.
void takeBack(const QString &version);

// Removes the versions the rule of toRemove() lets go, and temporary files
// of versions cut short; live is the ledger the save left. A version that
// an older one follows from first passes on to it what it needs. Nothing
// stops on a failure: the next save tries again.
void prune(const ledgerformat::LedgerPaths &paths, const ledgerformat::LedgerBytes &live,
           const QDateTime &now);

struct Version {
    QDateTime saved; // UTC
    QString path;
    ledgerformat::LedgerPaths ledger; // whose version it is
};

// The ledger's versions that can be read, newest first (in the order of
// their saves); none when it has no folder.
storage::Result<QList<Version>> list(const ledgerformat::LedgerPaths &paths);

// Each version that can be read, newest first (in the order of their
// saves), with the ledger it keeps, until each returns false.
storage::Status forEach(const ledgerformat::LedgerPaths &paths,
                        const std::function<bool(const Version &, const ledgerformat::LedgerBytes &)> &each);

// A version's ledger. One that cannot be read is Failure::Shortened.
storage::Result<ledgerformat::LedgerBytes> read(const Version &version);

} // namespace ledgerversions

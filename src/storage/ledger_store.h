// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/ledger_format.h"

#include <QByteArray>

#include <optional>

// Saving and reading the two files of one ledger as a single unit.
//
// A save writes the new entries and total files under staging names beside
// the real ones (each through QSaveFile, so each is whole or absent), then
// writes a commit record. The record is the moment the new ledger becomes
// the saved one: the staging files are then renamed over the real ones and
// the record removed. The next read or save of that ledger completes a
// commit whose record exists and discards staging files without one. A
// reader that knows nothing of these extra files still finds the two real
// files with their usual names and contents.
namespace ledgerstore {

// The stored bytes of one ledger.
struct StoredLedger {
    QByteArray entries;
    QByteArray total;
};

// The commit record of a save: the names of the two files it commits, each
// with a BLAKE2b-256 digest of its new content. A staging file found
// missing counts as put in place only when the real file holds what the
// record vouches for; a record whose new content is not all there is taken
// back.
QByteArray commitRecord(const ledgerformat::LedgerPaths &paths, const QByteArray &entries,
                        const QByteArray &total);

// Replaces the ledger's two files with the bytes. The account directory
// must exist. True when the new ledger is the saved one (reading returns
// it, even if finishing the commit has to wait for the next read or save);
// false when the saved ledger is still the old one.
bool save(const ledgerformat::LedgerPaths &paths, const QByteArray &entries, const QByteArray &total);

// The saved ledger, or nothing when either file cannot be read. A pending
// commit is completed first where the directory allows it; where it does
// not, the committed files are read all the same.
std::optional<StoredLedger> read(const ledgerformat::LedgerPaths &paths);

// Completes a committed save or discards an unfinished one. True when the
// real files are the saved ledger and nothing left beside them can change
// what a read finds.
bool recover(const ledgerformat::LedgerPaths &paths);

} // namespace ledgerstore

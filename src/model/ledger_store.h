// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/file_system.h"
#include "model/ledger_format.h"
#include "model/ledger_stamp.h"

#include <QByteArray>

#include <optional>
#include <system_error>

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

// The stored bytes of one ledger, and the stamp of the files they came from.
struct StoredLedger {
    QByteArray entries;
    QByteArray total;
    Stamp stamp;
};

// The commit record of a save: the names of the two files it commits, each
// with a BLAKE2b-256 digest of its new content. A staging file found
// missing counts as put in place only when the real file holds what the
// record vouches for; a record whose new content is not all there is taken
// back.
QByteArray commitRecord(const ledgerformat::LedgerPaths &paths, const QByteArray &entries,
                        const QByteArray &total);

enum class Outcome {
    Saved,      // both real files hold the new ledger, durably
    NotSaved,   // the saved ledger is still the old one, and nothing is left behind
    Changed,    // nothing was written: the saved ledger is no longer the one seen
    Unfinished, // a read now finds the new ledger, but the save could not be
                // completed (or made durable); the next read or save finishes it
};

struct SaveResult {
    Outcome outcome = Outcome::NotSaved;
    std::error_code error; // why, unless saved
    Stamp stamp;           // the files a read now finds, when saved or unfinished

    explicit operator bool() const { return outcome == Outcome::Saved; }
};

// Replaces the ledger's two files with the bytes. The account directory
// must exist, and the two real files must be regular files or missing.
// With seen given, only the ledger it stamps is replaced: where either real
// file, once any pending commit is settled, exists and is not the file
// seen, another save has come in between and nothing is written. A missing
// file is no such sign, since no save removes one.
SaveResult save(const ledgerformat::LedgerPaths &paths, const QByteArray &entries, const QByteArray &total,
                const Stamp *seen = nullptr);

// The saved ledger, or nothing when either file cannot be read, with the
// reason in error where one is given. A pending commit is completed first
// where the directory allows it; where it does not, the committed files are
// read all the same. Neither file is read beyond limit bytes.
std::optional<StoredLedger> read(const ledgerformat::LedgerPaths &paths, std::error_code *error = nullptr,
                                 qint64 limit = storage::FileSystem::kDefaultReadLimit);

// Completes a committed save or discards an unfinished one. True when the
// real files are the saved ledger and nothing left beside them can change
// what a read finds.
bool recover(const ledgerformat::LedgerPaths &paths);

} // namespace ledgerstore

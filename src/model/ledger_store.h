// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_format.h"
#include "model/storage_error.h"

#include <QByteArray>
#include <QDateTime>

#include <optional>

// Saving and reading the two files of one ledger as a single unit.
//
// A save first writes a journal beside the entries file: for each file the
// new bytes from the first one that changes on, the files' names and a
// digest of it all. Once the journal is durable, the save is made: the two
// files are written in place from those offsets and the journal goes. A
// journal found whole at the next read or save is played again (rolled
// forward); one found in part is ignored and removed, and the old ledger
// stands. A reader that knows nothing of the journal finds the two files
// with their usual names and contents.
namespace ledgerstore {

using StoredLedger = ledgerformat::LedgerBytes;

// Replaces the ledger's two files with the bytes. The account directory
// must exist, and the two files must be regular files or missing. With
// seen, only files that still hold those bytes (or are missing) are
// replaced; otherwise nothing is written (ChangedSinceRead). A failure
// marked unfinished left the new ledger in the journal: a read finds it,
// and the next read or save completes it.
//
// With keptAt (the save's UTC time), a save that changes the files first
// keeps the ledger they hold as a version (ledgerversions), durable before
// the journal is written; a version that cannot be kept stops the save
// with nothing changed, and a save that fails before its journal is
// durable takes its version back.
storage::Status save(const ledgerformat::LedgerPaths &paths, const QByteArray &entries,
                     const QByteArray &total, const std::optional<StoredLedger> &seen = std::nullopt,
                     const std::optional<QDateTime> &keptAt = std::nullopt);

// The saved ledger: a whole journal's, or else the two files'. A missing
// file is Failure::Missing.
storage::Result<StoredLedger> read(const ledgerformat::LedgerPaths &paths);

} // namespace ledgerstore

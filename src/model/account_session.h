// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/storage_error.h"

#include <QString>
#include <QStringList>

#include <optional>

// One account as a window uses it: the save dialog, the open dialog and the
// quick save go through a session, which checks the account, finds its
// files, holds its lock while it reads or saves, and remembers the ledger it
// last read or wrote there. Each works on plain data; moving it into and
// out of the window is the callers' part. Each either does all of its work
// or changes nothing and says why.
namespace account {

// A ledger as the window shows it: the text of each line of its list, in
// order, and the text of its total.
struct Ledger {
    QStringList lines;
    QString total;
};

// What a sign-in found: the entries to append to the list, and the last
// line of the total file (none when the file is empty, which leaves the
// total as it was).
struct Loaded {
    QStringList entries;
    std::optional<QString> total;
};

// What a sign-in may add to: the lines the list shows and the most it can
// hold, and the longest total text the total box holds whole.
struct Room {
    qsizetype shownLines = 0;
    qsizetype maxLines = 0;
    qsizetype totalLength = 0;
};

// A ledger an account holds: how many entries, and whether it is the one
// the session last read or wrote there.
struct Held {
    qsizetype entries = 0;
    bool seen = false;
};

// Makes the data root and the marker file holding the date, unless the
// marker is there already. Only a data root that cannot be made fails.
storage::Status makeMarker(const QString &date);

class Session {
public:
    Session() = default; // no account
    Session(QString userName, QString password);

    const QString &userName() const { return m_userName; }
    const QString &password() const { return m_password; }
    // The account folder, as messages name it.
    QString directory() const;

    // Reads the account's ledger; afterwards the session has seen it.
    storage::Result<Loaded> open(const Room &room);

    // Writes the ledger as the account's. A new session makes the account
    // (and the data root with its marker) where missing and replaces what
    // it holds: that is what the save dialog is for. A session that has
    // read or written the account replaces only the ledger it saw there, so
    // a save by another running copy is never overwritten unseen
    // (ChangedSinceRead). The ledger it replaces is kept as a version
    // (ledgerversions). Afterwards, and after a save that a read already
    // finds (unfinished), the session has seen the ledger written.
    storage::Status save(const Ledger &ledger, const QString &markerDate = QString());

    // The ledger of this password the account holds now, none when it holds
    // none. Afterwards a save replaces only that ledger, so that a save by
    // another running copy in between is never overwritten unseen.
    storage::Result<std::optional<Held>> held();
    // The account's ledger files, as a sign-in finds them.
    storage::Result<ledgerformat::LedgerPaths> ledgerPaths() { return resolve(false); }

private:
    // The account's files: those of the current locale's names, unless only
    // the other decimal separator's are there.
    storage::Result<ledgerformat::LedgerPaths> resolve(bool saving);
    // The account's files and what they hold, read under its lock; a
    // missing folder or file is Failure::Missing.
    struct Found {
        ledgerformat::LedgerPaths paths;
        ledgerstore::StoredLedger ledger;
    };
    storage::Result<Found> readStored(bool saving);

    QString m_userName;
    QString m_password;
    std::optional<ledgerformat::LedgerPaths> m_paths; // as last read or written
    std::optional<ledgerstore::StoredLedger> m_seen;  // their bytes
};

} // namespace account

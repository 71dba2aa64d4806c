// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_stamp.h"

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// What the two account dialogs and the quick save do with files: make the
// marker, save a ledger under an account, and read an account's ledger.
// Each works on plain data (the lines of the list and the text of the
// total); moving them into and out of the ledger window is the callers'
// part. Each either does all of its work or changes nothing and says why.
namespace accountstore {

// A message for the user: its text and its title.
struct Message {
    QString text;
    QString title;
};

Message missingFields();
Message saved();
Message denied();

// A ledger as the window shows it: the text of each line of the list, in
// order, and the text of the total.
struct Ledger {
    QStringList lines;
    QString total;
};

// What a sign-in found: the entries to append to the list, the last line
// of the total file, the total the window shows (none when the file is
// empty, which leaves the total as it was), and the stamp of the files
// they came from.
struct Loaded {
    QStringList entries;
    std::optional<QString> total;
    ledgerstore::Stamp stamp;
};

// What a sign-in may add to: the lines the list shows and the most it can
// hold, and the longest total text the total box holds whole.
struct Room {
    qsizetype shownLines = 0;
    qsizetype maxLines = 0;
    qsizetype totalLength = 0;
};

// How a save treats the account directory: the save dialog creates it (and
// the data root with its marker) where missing; the quick save requires it.
enum class Directory { Create, MustExist };

// Makes the data root and the marker file holding the date, unless the
// marker is there already.
std::optional<Message> makeMarker(const QString &date);

// Writes the ledger as the ledger of the account. Nothing on success, which
// means both files hold it durably; otherwise the refusal or failure to
// show, with its reason. With seen given, the save replaces only the saved
// ledger whose files it stamps, and is refused when another save has come
// in between. Where the ledger is now the saved one (also after a save that
// could not be finished), stamp receives its files' stamp.
std::optional<Message> saveLedger(const Ledger &ledger, const QString &userName, const QString &password,
                                  Directory directory, const std::optional<ledgerstore::Stamp> &seen,
                                  ledgerstore::Stamp &stamp, const QString &markerDate = QString());

// The account's ledger, with each stored line in order, or the message to
// show. Refused when it would not fit the room given.
std::variant<Loaded, Message> loadLedger(const QString &userName, const QString &password, const Room &room);

// The lock of one account directory, held while this lives. Every read and
// save of an account holds it, so that another running copy never reads a
// half-saved ledger nor saves over a save it has not seen.
class AccountLock {
public:
    explicit AccountLock(const QString &directory);
    AccountLock(const AccountLock &) = delete;
    AccountLock &operator=(const AccountLock &) = delete;

    // False only when another process holds the lock. A directory where no
    // lock file can be made (a read-only one) cannot be written by anyone
    // either, so the work goes on there without one.
    bool held() const { return m_held; }

private:
    QLockFile m_file;
    bool m_held = false;
};

} // namespace accountstore

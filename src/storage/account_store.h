// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class Form1;
class QWidget;

// What the two account dialogs and the quick save do with files: make the
// marker, save the ledger window's ledger under an account, and load an
// account's ledger into the window. Each either does all of its work or
// changes nothing and says why.
namespace accountstore {

// A message for the user: its text and its title.
struct Message {
    QString text;
    QString title;
};

// Shows the message in a modal box with one OK button.
void show(QWidget *parent, const Message &message);

Message missingFields();
Message saved();
Message denied();

// How a save treats the account directory: the save dialog creates it (and
// the data root with its marker) where missing; the quick save requires it.
enum class Directory { Create, MustExist };

// Makes the data root and the marker file holding the date, unless the
// marker is there already.
std::optional<Message> makeMarker(const QString &date);

// Writes the window's list and total as the ledger of the account. The
// window itself is not changed. Nothing on success; otherwise the refusal or
// failure to show, and the account's saved ledger is the one it was.
std::optional<Message> saveLedger(const Form1 &ledger, const QString &userName, const QString &password,
                                  Directory directory, const QString &markerDate = QString());

// Appends the account's entries to the window's list (each with the amount
// in cents its text shows) and sets the total to the stored one. Nothing on
// success; otherwise the message to show, and the window is unchanged.
std::optional<Message> loadLedger(Form1 &ledger, const QString &userName, const QString &password);

} // namespace accountstore

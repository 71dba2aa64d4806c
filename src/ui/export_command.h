// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Form1;

// The ledger window's export commands: the list as a CSV file, the report
// as a PDF, each into a file the user names in a save dialog that proposes
// the user in use and today's date in the documents folder. A file that
// cannot be written is never left in part: the message says why.
namespace exporting {

void exportCsv(Form1 *ledger);
void exportPdf(Form1 *ledger);

// The file name proposed for the ledger window's export: "<user> <date>.ext",
// "Sin Usuario" when no account is in use.
QString proposedName(const Form1 &ledger, const QString &extension);

} // namespace exporting

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/report_lines.h"

#include <QDateTime>

class Form1;

namespace report {

// The ledger window's print command: prints the report of the ledger on the
// system's default printer, with no dialog. Without a default printer the
// report is saved as a PDF in the user's documents folder (the data root
// where there is none) and a message says where; a job
// the print system refuses is reported with a message. The ledger is only
// read.
void printLedger(Form1 *ledger);

// What the report of the ledger window shows when printed at the moment.
ReportInput ledgerInput(const Form1 &ledger, const QDateTime &moment);

// The title of every message of the print command.
QString messageTitle();

} // namespace report

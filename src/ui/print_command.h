// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/report_lines.h"
#include "model/storage_error.h"

#include <QDateTime>

#include <functional>

class Form1;
class QFileDevice;
class QSaveFile;

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

// The user's documents folder, or the data root where there is none, with
// a "/" at its end.
QString documentsFolder();

// Writes the report as a PDF of the locale's paper size into the file at
// path, which appears complete or not at all (a file there before stays as
// it was on failure).
storage::Status writePdf(const QString &path, const QList<ReportLine> &lines);

// Writes the file at path through a QSaveFile, which write fills, saying
// whether it could: the file appears complete, or not at all (a file there
// before stays as it was).
storage::Status writeWhole(const QString &path, const std::function<bool(QSaveFile &)> &write);

// Why a file to be written at the file device's name could not be opened:
// a folder or another thing in the way when one stands there, otherwise
// what the device names.
storage::Error openError(const QFileDevice &file);

// The title of every message of the print command.
QString messageTitle();

} // namespace report

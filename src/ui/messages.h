// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bank_import.h"
#include "model/storage_error.h"

#include <QString>

// The words of every storage message: each failure the model names is
// worded here, in Spanish, once.
namespace messages {

// A message for the user: its text and its title.
struct Message {
    QString text;
    QString title;
};

Message missingFields();
Message saved();

// A save into the account folder that failed, or did not finish.
Message saveFailed(const storage::Error &error, const QString &directory);
// A sign-in that failed; a missing account or ledger is the plain denial.
Message openFailed(const storage::Error &error);
// The data root or its marker that could not be made.
Message dataRootFailed(const storage::Error &error);

// An export of the ledger into the file at path that failed; the file is
// not there, or is as it was.
Message exportFailed(const storage::Error &error, const QString &path);
// A bank statement that could not be read, or in which nothing was found.
Message importFailed(const storage::Error &error, const QString &fileName);
// Why a line of a bank statement, or a movement in it, is not added.
QString skipReason(const bankimport::Skipped &skipped);

// Why a file operation failed, as the end of a sentence.
QString reason(const storage::Error &error);

} // namespace messages

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/storage_error.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// Bank statements read into movements, and movements made into ledger
// entries: a table of columns as Spanish banks export it (CSV), the AEB
// statement of fixed-width records (Norma 43) and OFX, in its SGML and its
// XML form. Each reader takes the file's bytes and gives the movements it
// found and the lines it could not take, with the reason for each.
namespace bankimport {

// Files larger than this are refused before they are read.
constexpr qint64 kMaxFileBytes = qint64(16) * 1024 * 1024;

struct Movement {
    QDate date;
    qint64 cents = 0; // signed: income above zero
    QString description;
    int line = 0; // where in the file it starts, from 1
};

// Why a line of the file, or a movement, is not added.
enum class Skip {
    BadDate,       // detail: the date text
    BadAmount,     // detail: the amount text
    NoAmount,      // neither a debit nor a credit
    TooFewColumns, // detail: how many the line has
    BadRecord,     // a Norma 43 record that is not one of its kinds or is cut short
    AmountTooLarge,
    Unsavable, // detail: the characters a ledger file cannot hold
    Duplicate, // the ledger already holds it
};

struct Skipped {
    int line = 0; // from 1
    QString text; // the line, or the movement as an entry
    Skip reason = Skip::BadDate;
    QString detail;
};

enum class Format { Csv, Norma43, Ofx };

// The columns of a table a movement is read from, counted from 0; -1 for
// none. With a credit column, amount is the debit column: the movement is
// the credit less the debit.
struct Columns {
    int date = -1;
    int description = -1;
    int amount = -1;
    int credit = -1;

    bool operator==(const Columns &other) const {
        return date == other.date && description == other.description && amount == other.amount &&
               credit == other.credit;
    }
};

struct Statement {
    Format format = Format::Csv;
    QList<Movement> movements;
    QList<Skipped> skipped;
    // A table's column names (its header's texts, or "Columna N") and the
    // columns read.
    QStringList columnNames;
    Columns columns;
};

// The file read as whichever format it is in. Nothing for an empty file
// (EmptyFile) or one in which no movement is found (NotAStatement,
// NoAmountColumn).
storage::Result<Statement> read(const QByteArray &bytes);

// Each format alone. A table's separator, encoding, header and columns are
// guessed from its content unless the columns are given.
storage::Result<Statement> readCsv(const QByteArray &bytes, const std::optional<Columns> &columns = {});
storage::Result<Statement> readNorma43(const QByteArray &bytes);
storage::Result<Statement> readOfx(const QByteArray &bytes);

// The text of a file: UTF-8 when it has the byte-order mark or decodes as
// UTF-8 without error, Windows-1252 otherwise.
QString decodeText(const QByteArray &bytes);

// A date as banks write it: d/m/yyyy, d/m/yy, with "/", "-" or "." between
// the fields, or yyyy-mm-dd; a time after it is ignored.
std::optional<QDate> parseDate(const QString &text);

// An amount as banks write it, in cents: "1.234,56", "-12,5", "1,234.56",
// "12.50 €", "(3,00)", "3,00-". Amounts past what 64 bits hold give nothing.
std::optional<qint64> parseAmount(const QString &text);

// The movements made into lines of the ledger, as the add-entry dialog
// makes them: the date in the locale's short form, the amount, the
// description as the source.
struct Plan {
    QStringList lines;
    QList<qint32> cents;
    qint64 totalCents = 0;
    QList<Skipped> skipped; // the statement's and the movements not added
};

// A movement is skipped when its amount does not fit an entry, when its
// description holds characters a ledger file cannot hold, and when the
// ledger already holds its line: as many of the same line as the ledger
// holds (a second coffee of the same day and price is a movement of its own).
Plan plan(const Statement &statement, const QStringList &ledgerLines, const QLocale &locale = QLocale());

} // namespace bankimport

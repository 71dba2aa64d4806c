// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The ledger as a spreadsheet file, in the form spreadsheets open straight
// away in Spanish settings.
namespace csvexport {

// The bytes of the CSV file of the list's lines: UTF-8 with a byte-order
// mark, CR LF line ends, ";" between fields, a field in double quotes (its
// own quotes doubled) where it holds ";", a double quote, CR or LF. The
// header "Fecha;Tipo;Importe;Procedencia;Saldo", then one row per line in
// list order: the date text, "Ingreso" or "Gasto", the signed amount with a
// decimal comma ("-45,30"), the source, and the running balance after that
// line, summed in cents. A line without an entry's layout is kept too: its
// whole text as the source, the other fields empty but the balance.
QByteArray ledgerCsv(const QStringList &lines);

// The file name an export proposes: the user, a blank, the date, and the
// extension, each character that a file name cannot hold on Windows or
// Linux ("/", "\", ":", "*", "?", '"', "<", ">", "|", controls) a "-".
QString proposedFileName(const QString &user, const QString &dateText, const QString &extension);

} // namespace csvexport

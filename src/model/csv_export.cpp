// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/csv_export.h"

#include "model/entry_text.h"

#include <algorithm>
#include <optional>

namespace csvexport {

namespace {

void appendField(QString &row, const QString &field) {
    const bool quoted = std::any_of(field.cbegin(), field.cend(), [](QChar c) {
        return c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
               c == QLatin1Char('\n');
    });
    if (!quoted) {
        row += field;
        return;
    }
    row += QLatin1Char('"');
    row += QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\""));
    row += QLatin1Char('"');
}

} // namespace

QByteArray ledgerCsv(const QStringList &lines) {
    const QString separator(QLatin1Char(';'));
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QStringLiteral("Fecha;Tipo;Importe;Procedencia;Saldo") + lineEnd;
    qsizetype size = text.size();
    for (const QString &line : lines)
        size += line.size() + 24; // the fields' own characters, the type and the balance
    text.reserve(size);
    qint64 balance = 0;
    for (const QString &line : lines) {
        const std::optional<entrytext::Fields> fields = entrytext::fields(line);
        if (fields) {
            balance += fields->cents;
            appendField(text, fields->date);
            text += separator;
            text += fields->cents >= 0 ? QStringLiteral("Ingreso") : QStringLiteral("Gasto");
            text += separator;
            text += entrytext::centsText(fields->cents);
            text += separator;
            appendField(text, fields->source);
        } else {
            text += separator + separator + separator;
            appendField(text, line);
        }
        text += separator;
        text += entrytext::centsText(balance);
        text += lineEnd;
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

QString proposedFileName(const QString &user, const QString &dateText, const QString &extension) {
    QString name = user + QLatin1Char(' ') + dateText;
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    }
    return name + QLatin1Char('.') + extension;
}

} // namespace csvexport

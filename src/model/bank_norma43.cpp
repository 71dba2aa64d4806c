// SPDX-License-Identifier: GPL-3.0-or-later
// The AEB statement of fixed-width records (Norma 43): per account a header
// (11), its movements (22), each followed by up to five lines of concept
// (23) and a line of foreign currency (24), and the account's end (33); the
// file's end (88) after the last account.
#include "model/bank_import.h"
#include "model/bank_import_text.h"

#include <algorithm>

namespace bankimport {

namespace {

// The common concepts the records' positions 23-24 name.
QString commonConcept(QStringView code) {
    static const char *const kNames[] = {"Reintegro",
                                         "Ingreso",
                                         "Recibo",
                                         "Transferencia",
                                         "Préstamo",
                                         "Remesa de efectos",
                                         "Suscripción",
                                         "Dividendos",
                                         "Operación de bolsa",
                                         "Cheque gasolina",
                                         "Cajero automático",
                                         "Tarjeta",
                                         "Operación con el extranjero",
                                         "Devolución",
                                         "Nómina",
                                         "Timbres y corretaje",
                                         "Intereses y comisiones"};
    bool ok = false;
    const int number = code.toInt(&ok);
    if (ok && number >= 1 && number <= int(std::size(kNames)))
        return QString::fromUtf8(kNames[number - 1]);
    if (number == 98)
        return QStringLiteral("Anulación");
    if (number == 99)
        return QStringLiteral("Varios");
    return QString();
}

struct Record22 {
    Movement movement;
    QStringList concepts;
    QString fallback;
};

} // namespace

storage::Result<Statement> readNorma43(const QByteArray &bytes) {
    Statement statement;
    statement.format = Format::Norma43;
    QList<Record22> records;
    bool open = false; // the last record is a movement, which concept lines follow
    const QStringList lines = detail::splitLines(decodeText(bytes));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const int number = int(i + 1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringView code = QStringView(line).left(2);
        const auto skip = [&](Skip reason, const QString &detail = {}) {
            statement.skipped.append({number, line, reason, detail});
        };
        if (code == u"23") {
            if (open)
                records.last().concepts << line.mid(4, 38).trimmed() << line.mid(42, 38).trimmed();
            else
                skip(Skip::BadRecord);
            continue;
        }
        if (code == u"24")
            continue; // the amount in another currency
        open = false;
        if (code == u"11" || code == u"33" || code == u"88")
            continue;
        if (code != u"22" || line.size() < 42) {
            skip(Skip::BadRecord);
            continue;
        }
        const QString date = line.mid(10, 6);
        const QChar key = line.at(27);
        const QString amount = line.mid(28, 14);
        bool digits = true;
        for (const QChar c : amount)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digits || (key != QLatin1Char('1') && key != QLatin1Char('2'))) {
            skip(Skip::BadRecord);
            continue;
        }
        // AAMMDD
        const std::optional<QDate> when =
            parseDate(date.mid(4, 2) + QLatin1Char('/') + date.mid(2, 2) + QLatin1Char('/') + date.left(2));
        if (!when) {
            skip(Skip::BadDate, date);
            continue;
        }
        const qint64 cents = amount.toLongLong();
        Record22 record;
        record.movement = {*when, key == QLatin1Char('1') ? -cents : cents, QString(), number};
        const QString reference = line.mid(64, 16).trimmed();
        record.fallback =
            detail::hasLetter(reference) ? reference : commonConcept(QStringView(line).mid(22, 2));
        records.append(record);
        open = true;
    }
    for (Record22 &record : records) {
        record.concepts.removeAll(QString());
        record.movement.description =
            record.concepts.isEmpty() ? record.fallback : record.concepts.join(QLatin1Char(' '));
        statement.movements.append(record.movement);
    }
    if (statement.movements.isEmpty())
        return detail::nothingFound();
    return statement;
}

} // namespace bankimport

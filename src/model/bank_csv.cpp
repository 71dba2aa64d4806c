// SPDX-License-Identifier: GPL-3.0-or-later
// Tables of movements as Spanish banks export them: fields between ";", ","
// or tabs, quoted or not, often below a few lines about the account and a
// header naming the columns.
#include "model/bank_import.h"
#include "model/bank_import_text.h"

#include <QHash>

#include <algorithm>

namespace bankimport {

namespace {

// No bank's table has this many columns: a file with more is read and
// offered only as far as these.
constexpr int kMostColumns = 100;

struct Record {
    QStringList fields;
    int line = 1; // where it starts, from 1
};

// The records of the text (RFC 4180: a quoted field may hold the separator,
// line breaks and doubled quotes), at most limit of them. A quote within an
// unquoted field is taken as it stands.
QList<Record> records(const QString &text, QChar separator, qsizetype limit) {
    QList<Record> found;
    Record current;
    int line = 1;
    const qsizetype n = text.size();
    const QChar *data = text.constData();
    const auto isLineEnd = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    qsizetype i = 0;
    while (i < n && found.size() < limit) {
        // One field: quoted, or up to the separator or the line end.
        while (i < n && data[i] != separator && !isLineEnd(data[i]) && data[i].isSpace())
            ++i;
        QString field;
        if (i < n && data[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                const qsizetype quote = text.indexOf(QLatin1Char('"'), i);
                const qsizetype stop = quote < 0 ? n : quote;
                for (qsizetype j = i; j < stop; ++j) {
                    if (data[j] == QLatin1Char('\n') ||
                        (data[j] == QLatin1Char('\r') && (j + 1 >= n || data[j + 1] != QLatin1Char('\n'))))
                        ++line;
                }
                field += QStringView(text).mid(i, stop - i);
                i = stop + 1;
                if (i < n && data[i] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    break;
                }
            }
        }
        const qsizetype start = qMin(i, n);
        while (i < n && data[i] != separator && !isLineEnd(data[i]))
            ++i;
        field += QStringView(text).mid(start, i - start);
        current.fields.append(field.trimmed());
        if (i < n && data[i] == separator) {
            ++i;
            continue;
        }
        // The record ends here, at a line end or at the end of the text.
        if (i < n)
            i += data[i] == QLatin1Char('\r') && i + 1 < n && data[i + 1] == QLatin1Char('\n') ? 2 : 1;
        ++line;
        found.append(std::move(current));
        current = Record{{}, line};
    }
    if (!current.fields.isEmpty() && found.size() < limit) // a separator ended the text
        found.append(std::move(current));
    return found;
}

// The separator that gives the most records of one number of fields, three
// or more of them preferred.
QChar guessSeparator(const QString &text) {
    QChar best = QLatin1Char(';');
    std::tuple<bool, int, int> bestScore{false, 0, 0};
    for (const char separator : {';', '\t', ','}) {
        QHash<int, int> shapes;
        for (const Record &record : records(text, QLatin1Char(separator), 60)) {
            if (record.fields.size() >= 2)
                ++shapes[int(record.fields.size())];
        }
        for (auto it = shapes.cbegin(); it != shapes.cend(); ++it) {
            const std::tuple<bool, int, int> score{it.key() >= 3, it.value(), it.key()};
            if (score > bestScore) {
                bestScore = score;
                best = QLatin1Char(separator);
            }
        }
    }
    return best;
}

enum class Role { None, Date, ValueDate, Description, MainDescription, Amount, Debit, Credit, Balance };

// Lower case, without accents, punctuation as blanks.
QString normalised(const QString &name) {
    QString plain;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (c.isLetterOrNumber())
            plain += c.toLower();
        else if (!c.isMark())
            plain += QLatin1Char(' ');
    }
    return plain.simplified();
}

Role roleOf(const QString &header) {
    const QString name = normalised(header);
    const auto any = [&name](std::initializer_list<const char *> words, bool start) {
        return std::any_of(words.begin(), words.end(), [&](const char *word) {
            return start ? name.startsWith(QLatin1String(word)) : name.contains(QLatin1String(word));
        });
    };
    if (name.isEmpty())
        return Role::None;
    if (any({"saldo", "balance", "disponible"}, false))
        return Role::Balance;
    if (any({"fecha", "f valor", "f operacion", "f contable", "date", "fec "}, true) ||
        name == QLatin1String("f"))
        return name.contains(QLatin1String("valor")) ? Role::ValueDate : Role::Date;
    if (any({"cargo", "debe", "debito", "debit", "gasto", "salida"}, false))
        return Role::Debit;
    if (any({"abono", "haber", "credito", "credit", "ingreso", "entrada"}, false))
        return Role::Credit;
    if (any({"importe", "cantidad", "amount", "monto", "euros"}, false))
        return Role::Amount;
    if (any({"concepto", "descripcion", "detalle", "movimiento", "description"}, true))
        return Role::MainDescription;
    if (any({"observaciones", "beneficiario", "ordenante", "comercio", "referencia", "texto", "memo",
             "nombre", "name", "info"},
            true))
        return Role::Description;
    return Role::None;
}

int firstOf(const QList<Role> &roles, Role role) {
    return int(roles.indexOf(role));
}

// The header among the first records: a date column and another one named,
// and no cell that is a date itself.
int findHeader(const QList<Record> &all, Columns &columns) {
    const qsizetype last = std::min<qsizetype>(all.size(), 40);
    for (qsizetype i = 0; i < last; ++i) {
        QList<Role> roles;
        bool holdsDate = false;
        for (const QString &field : all.at(i).fields.mid(0, kMostColumns)) {
            roles.append(roleOf(field));
            holdsDate = holdsDate || parseDate(field).has_value();
        }
        const int named =
            int(std::count_if(roles.begin(), roles.end(), [](Role r) { return r != Role::None; }));
        const int date =
            firstOf(roles, Role::Date) >= 0 ? firstOf(roles, Role::Date) : firstOf(roles, Role::ValueDate);
        if (holdsDate || date < 0 || named < 2)
            continue;
        columns.date = date;
        columns.description = firstOf(roles, Role::MainDescription) >= 0
                                  ? firstOf(roles, Role::MainDescription)
                                  : firstOf(roles, Role::Description);
        columns.amount = firstOf(roles, Role::Amount);
        if (columns.amount < 0 && firstOf(roles, Role::Debit) >= 0 && firstOf(roles, Role::Credit) >= 0) {
            columns.amount = firstOf(roles, Role::Debit);
            columns.credit = firstOf(roles, Role::Credit);
        }
        return int(i);
    }
    return -1;
}

bool hasDecimals(const QString &field) {
    const qsizetype at = std::max(field.lastIndexOf(QLatin1Char(',')), field.lastIndexOf(QLatin1Char('.')));
    return at >= 0 && field.size() - at <= 3 + (field.endsWith(QChar(0x20AC)) ? 1 : 0);
}

// The columns still unknown, from what the rows hold: the dates, the first
// column of amounts with decimals (a balance comes after the amount), and
// the column with the most text.
void guessFromContent(const QList<Record> &rows, Columns &columns) {
    int width = 0;
    for (const Record &row : rows)
        width = std::max(width, int(std::min<qsizetype>(row.fields.size(), kMostColumns)));
    QList<int> dates(width), amounts(width), decimals(width), texts(width);
    QList<qint64> lengths(width);
    for (const Record &row : rows) {
        for (int c = 0; c < std::min(width, int(row.fields.size())); ++c) {
            const QString &field = row.fields.at(c);
            const bool date = parseDate(field).has_value();
            dates[c] += date;
            const bool amount = !date && parseAmount(field).has_value();
            amounts[c] += amount;
            decimals[c] += amount && hasDecimals(field);
            texts[c] += !date && !amount && detail::hasLetter(field);
            lengths[c] += field.size();
        }
    }
    const int half = std::max(1, int(rows.size() + 1) / 2);
    const auto taken = [&columns](int c) {
        return c == columns.date || c == columns.amount || c == columns.credit || c == columns.description;
    };
    if (columns.date < 0) {
        const auto most = std::max_element(dates.begin(), dates.end());
        if (most != dates.end() && *most >= half)
            columns.date = int(most - dates.begin());
    }
    if (columns.amount < 0) {
        for (const QList<int> *hits : {&decimals, &amounts}) {
            for (int c = 0; c < width && columns.amount < 0; ++c) {
                if (!taken(c) && hits->at(c) >= half)
                    columns.amount = c;
            }
        }
    }
    if (columns.description < 0) {
        for (int c = 0; c < width; ++c) {
            if (taken(c) || texts[c] == 0)
                continue;
            if (columns.description < 0 ||
                std::pair(texts[c], lengths[c]) >
                    std::pair(texts[columns.description], lengths[columns.description]))
                columns.description = c;
        }
    }
}

// The movement a record holds, or why it holds none.
struct RowResult {
    std::optional<Movement> movement;
    Skip reason = Skip::BadDate;
    QString detail;
};

RowResult readRow(const Record &row, const Columns &columns) {
    const int needed = std::max({columns.date, columns.amount, columns.credit, columns.description}) + 1;
    if (row.fields.size() < needed || columns.date < 0 || columns.amount < 0)
        return {std::nullopt, Skip::TooFewColumns, QString::number(row.fields.size())};
    const QString &dateText = row.fields.at(columns.date);
    const std::optional<QDate> date = parseDate(dateText);
    if (!date)
        return {std::nullopt, Skip::BadDate, dateText};
    qint64 cents = 0;
    const QList<int> amountColumns =
        columns.credit >= 0 ? QList<int>{columns.amount, columns.credit} : QList<int>{columns.amount};
    bool any = false;
    for (const int c : amountColumns) {
        const QString &field = row.fields.at(c);
        if (field.isEmpty())
            continue;
        const std::optional<qint64> value = parseAmount(field);
        if (!value)
            return {std::nullopt, Skip::BadAmount, field};
        any = true;
        if (columns.credit < 0)
            cents = *value;
        else // a debit takes away, a credit adds, whatever sign the bank wrote
            cents += (c == columns.credit ? 1 : -1) * (*value < 0 ? -*value : *value);
    }
    if (!any)
        return {std::nullopt, Skip::NoAmount, QString()};
    const QString description = columns.description >= 0 ? row.fields.at(columns.description) : QString();
    return {Movement{*date, cents, description, row.line}, Skip::BadDate, QString()};
}

bool blank(const Record &row) {
    return std::all_of(row.fields.begin(), row.fields.end(), [](const QString &f) { return f.isEmpty(); });
}

} // namespace

storage::Result<Statement> readCsv(const QByteArray &bytes, const std::optional<Columns> &given) {
    const QString text = decodeText(bytes);
    const QChar separator = guessSeparator(text);
    const QList<Record> all = records(text, separator, std::numeric_limits<qsizetype>::max());

    Statement statement;
    statement.format = Format::Csv;
    Columns columns;
    const int header = findHeader(all, columns);

    // The rows of the most common shape tell the columns apart.
    QHash<int, int> shapes;
    for (qsizetype i = header + 1; i < all.size(); ++i) {
        if (all.at(i).fields.size() >= 2)
            ++shapes[int(all.at(i).fields.size())];
    }
    int shape = 0;
    for (auto it = shapes.cbegin(); it != shapes.cend(); ++it) {
        if (it.value() > shapes.value(shape) || (it.value() == shapes.value(shape) && it.key() > shape))
            shape = it.key();
    }
    QList<Record> sample;
    for (qsizetype i = header + 1; i < all.size() && sample.size() < 200; ++i) {
        if (all.at(i).fields.size() == shape)
            sample.append(all.at(i));
    }
    guessFromContent(sample, columns);
    if (given)
        columns = *given;
    statement.columns = columns;

    const int width =
        std::min(kMostColumns, std::max(shape, header >= 0 ? int(all.at(header).fields.size()) : 0));
    for (int c = 0; c < width; ++c) {
        const QString name =
            header >= 0 && c < all.at(header).fields.size() ? all.at(header).fields.at(c) : QString();
        statement.columnNames.append(name.isEmpty() ? QStringLiteral("Columna %1").arg(c + 1) : name);
    }
    if (!given && columns.date < 0)
        return detail::nothingFound();
    if (!given && columns.amount < 0)
        return storage::Error(storage::Failure::NoAmountColumn);

    const QString joint = separator == QLatin1Char('\t') ? QStringLiteral("  ") : QString(separator);
    // Without a header, the lines before the first movement are about the account.
    bool started = header >= 0;
    for (qsizetype i = header + 1; i < all.size(); ++i) {
        const Record &row = all.at(i);
        if (blank(row))
            continue;
        const RowResult result = readRow(row, columns);
        if (result.movement) {
            statement.movements.append(*result.movement);
            started = true;
        } else if (started) {
            statement.skipped.append({row.line, row.fields.join(joint), result.reason, result.detail});
        }
    }
    if (!given && statement.movements.isEmpty())
        return detail::nothingFound();
    return statement;
}

} // namespace bankimport

// SPDX-License-Identifier: GPL-3.0-or-later
// OFX statements: each movement a STMTTRN element with its date (DTPOSTED),
// amount (TRNAMT), payee (NAME) and note (MEMO). The older SGML form leaves
// out the closing tags of the values; both forms are read alike, a value
// running from its tag to the next tag or line end.
#include "model/bank_import.h"
#include "model/bank_import_text.h"

namespace bankimport {

namespace {

QString unescaped(QString text) {
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

// The value of the first element of that tag ("<NAME>") in the block.
QString value(QStringView block, QLatin1String open) {
    const qsizetype at = block.indexOf(open, 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    const qsizetype start = at + open.size();
    qsizetype end = start;
    while (end < block.size() && block.at(end) != QLatin1Char('<') && block.at(end) != QLatin1Char('\n') &&
           block.at(end) != QLatin1Char('\r'))
        ++end;
    return unescaped(block.mid(start, end - start).trimmed().toString());
}

} // namespace

storage::Result<Statement> readOfx(const QByteArray &bytes) {
    Statement statement;
    statement.format = Format::Ofx;
    const QString text = decodeText(bytes);
    const QLatin1String open("<STMTTRN>");
    const QLatin1String close("</STMTTRN>");
    int number = 1;        // the line at counted
    qsizetype counted = 0; // where the line count has reached
    qsizetype at = text.indexOf(open, 0, Qt::CaseInsensitive);
    qsizetype closing = -1; // the next closing tag found, looked for again only once passed
    while (at >= 0) {
        number += int(QStringView(text).mid(counted, at - counted).count(QLatin1Char('\n')));
        counted = at;
        const qsizetype start = at + open.size();
        const qsizetype next = text.indexOf(open, start, Qt::CaseInsensitive);
        if (closing < start) {
            closing = text.indexOf(close, start, Qt::CaseInsensitive);
            if (closing < 0)
                closing = text.size(); // none: never looked for again
        }
        qsizetype end = closing;
        if (end >= text.size() || (next >= 0 && next < end))
            end = next < 0 ? text.size() : next;
        const QStringView block = QStringView(text).mid(start, end - start);
        at = next;

        const QString posted = value(block, QLatin1String("<DTPOSTED>"));
        const QString amount = value(block, QLatin1String("<TRNAMT>"));
        const QString name = value(block, QLatin1String("<NAME>"));
        const QString memo = value(block, QLatin1String("<MEMO>"));
        const QString shown = QStringLiteral("%1  %2  %3").arg(posted, amount, name.isEmpty() ? memo : name);
        const std::optional<QDate> date = parseDate(posted.left(8));
        if (!date) {
            statement.skipped.append({number, shown, Skip::BadDate, posted});
            continue;
        }
        // OFX writes a decimal point; a few banks write a comma instead.
        const QChar decimal = amount.contains(QLatin1Char(',')) && !amount.contains(QLatin1Char('.'))
                                  ? QChar(QLatin1Char(','))
                                  : QChar(QLatin1Char('.'));
        const std::optional<qint64> cents = detail::parseAmount(amount, decimal);
        if (!cents) {
            statement.skipped.append(
                {number, shown, amount.isEmpty() ? Skip::NoAmount : Skip::BadAmount, amount});
            continue;
        }
        QString description = name;
        if (memo.startsWith(name))
            description = memo;
        else if (!memo.isEmpty())
            description = name + QStringLiteral(" - ") + memo;
        statement.movements.append({*date, *cents, description, number});
    }
    if (statement.movements.isEmpty())
        return detail::nothingFound();
    return statement;
}

} // namespace bankimport

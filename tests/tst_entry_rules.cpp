// SPDX-License-Identifier: GPL-3.0-or-later
#include "model_support.h"

#include "model/bank_import.h"
#include "model/csv_export.h"
#include "model/entry_dates.h"
#include "model/entry_text.h"
#include "model/month_summary.h"

#include <QCoreApplication>
#include <QTest>

namespace {
const QString kEuro = QString(QChar(0x20AC));
}

class TestEntryRules : public QObject {
    Q_OBJECT
private slots:
    void completeCents_data();
    void completeCents();
    void amountCents_data();
    void amountCents();
    void typedAmount_data();
    void typedAmount();
    void displayText();
    void centsFromDisplayText_data();
    void centsFromDisplayText();
    void csvBytes_data();
    void csvBytes();
    void entryDates_data();
    void entryDates();
    void monthSummary();
    void bankStatements_data();
    void bankStatements();
};

void TestEntryRules::completeCents_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("completed");
    QTest::newRow("lone digit is tenths") << "5"
                                          << "50";
    QTest::newRow("lone zero") << "0"
                               << "00";
    QTest::newRow("empty") << ""
                           << "00";
    QTest::newRow("leading zero kept") << "05"
                                       << "05";
    QTest::newRow("two digits kept") << "99"
                                     << "99";
    QTest::newRow("lone letter untouched") << "a"
                                           << "a";
    QTest::newRow("lone blank untouched") << " "
                                          << " ";
    QTest::newRow("non-ASCII digit untouched") << QString(QChar(0x0665)) << QString(QChar(0x0665));
}

void TestEntryRules::completeCents() {
    QFETCH(QString, typed);
    QFETCH(QString, completed);
    QCOMPARE(entrytext::completeCents(typed), completed);
}

void TestEntryRules::amountCents_data() {
    QTest::addColumn<QString>("units");
    QTest::addColumn<QString>("cents");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("amount");
    QTest::newRow("plain") << "12"
                           << "50" << true << 1250;
    QTest::newRow("leading zeros") << "007"
                                   << "45" << true << 745;
    QTest::newRow("zero") << "0"
                          << "00" << true << 0;
    QTest::newRow("five cents") << "0"
                                << "05" << true << 5;
    QTest::newRow("largest") << "21474836"
                             << "47" << true << 2147483647;
    QTest::newRow("one cent too many") << "21474836"
                                       << "48" << false << 0;
    QTest::newRow("huge units") << "99999999999999999999999"
                                << "00" << false << 0;
    QTest::newRow("many leading zeros") << "000000000000000000000012"
                                        << "00" << true << 1200;
    QTest::newRow("pasted letters") << "1a"
                                    << "00" << false << 0;
    QTest::newRow("pasted sign") << "-5"
                                 << "00" << false << 0;
    QTest::newRow("blank") << "1 2"
                           << "00" << false << 0;
    QTest::newRow("letters in cents") << "1"
                                      << "ab" << false << 0;
    QTest::newRow("sign in cents") << "1"
                                   << "-5" << false << 0;
    QTest::newRow("empty units") << ""
                                 << "00" << false << 0;
    QTest::newRow("non-ASCII digits") << QString(QChar(0x0661)) << "00" << false << 0;
}

void TestEntryRules::amountCents() {
    QFETCH(QString, units);
    QFETCH(QString, cents);
    QFETCH(bool, valid);
    QFETCH(int, amount);
    const std::optional<qint32> result = entrytext::amountCents(units, cents);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, amount);
}

// Keys typed one after another into the add-entry dialog's amount, from an
// empty units box and cents of "00": the amount in cents, or -1 for a
// refusal.
void TestEntryRules::typedAmount_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("cents");
    const struct {
        const char *locale, *keys;
        int cents;
    } rows[] = {
        {"es_ES", "12,50", 1250},
        {"es_ES", "12,5", 1250},
        {"es_ES", "1.234,56", 123456},
        {"es_ES", "1.234", 123400},
        {"es_ES", "1.234.567,8", 123456780},
        {"es_ES", "12.50", -1},
        {"es_ES", "1.23", -1},
        {"es_ES", "1,234", -1},
        {"es_ES", "1a2", 1200},
        {"en_US", "12,50", 1250},
        {"en_US", "12.50", 1250},
        {"en_US", "1,234.56", 123456},
        {"en_US", "1,234", 123400},
        {"en_US", "1,234,567.8", 123456780},
        {"en_US", "1,23", 123},
        {"en_US", "7", 700},
        {"en_US", "1,2345", -1},
        {"en_US", "1.234,56", -1},
        {"en_US", "21474836,48", -1},
    };
    for (const auto &row : rows)
        QTest::addRow("%s %s", row.locale, row.keys)
            << QString::fromLatin1(row.locale) << QString::fromLatin1(row.keys) << row.cents;
}

void TestEntryRules::typedAmount() {
    QFETCH(QString, locale);
    QFETCH(QString, keys);
    QFETCH(int, cents);
    const QLocale typing(locale);
    entrytext::AmountBoxes boxes;
    for (const QChar key : keys)
        entrytext::typeKey(boxes, key, typing);
    const entrytext::Amount amount = entrytext::readAmount(boxes, typing);
    QCOMPARE(amount.problem == entrytext::AmountProblem::None ? amount.cents : -1, cents);
}

void TestEntryRules::displayText() {
    QCOMPARE(entrytext::displayText(QStringLiteral("08/12/2026"), true, QStringLiteral("1500"),
                                    QStringLiteral("00"), QStringLiteral("Nómina")),
             QStringLiteral("08/12/2026\t\t+1500,00") + kEuro + QStringLiteral("\t\tNómina"));
    QCOMPARE(entrytext::displayText(QStringLiteral("hoy"), false, QStringLiteral("007"), QStringLiteral("45"),
                                    QString()),
             QStringLiteral("hoy\t\t-007,45") + kEuro + QStringLiteral("\t\t"));
}

void TestEntryRules::centsFromDisplayText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cents");
    auto line = [](const QString &date, bool income, const char *units, const char *cents,
                   const QString &source) {
        return entrytext::displayText(date, income, QLatin1String(units), QLatin1String(cents), source);
    };
    QTest::newRow("income") << line(QStringLiteral("8/12/26"), true, "12", "50", QStringLiteral("Nómina"))
                            << 1250;
    QTest::newRow("expense") << line(QStringLiteral("8/12/26"), false, "0", "45", QString()) << -45;
    QTest::newRow("leading zeros") << line(QStringLiteral("x"), true, "007", "45", QStringLiteral("y"))
                                   << 745;
    QTest::newRow("largest") << line(QString(), false, "21474836", "47", QString()) << -2147483647;
    QTest::newRow("too large carries 0") << line(QString(), true, "21474836", "48", QString()) << 0;
    QTest::newRow("tabs in the date")
        << line(QStringLiteral("a\t\tb"), true, "3", "00", QStringLiteral("c")) << 300;
    QTest::newRow("amount-like source after the real one")
        << line(QStringLiteral("d"), true, "1", "00",
                QStringLiteral("\t\t-9,99") + kEuro + QStringLiteral("\t\t"))
        << 100;
    QTest::newRow("no layout") << "Compra del mes" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no euro sign") << "d\t\t+5,00\t\tx" << 0;
    QTest::newRow("one cent digit") << QStringLiteral("d\t\t+5,0") + kEuro + QStringLiteral("\t\tx") << 0;
    QTest::newRow("point instead of comma")
        << QStringLiteral("d\t\t+5.00") + kEuro + QStringLiteral("\t\tx") << 0;
    QTest::newRow("no sign") << QStringLiteral("d\t\t5,00") + kEuro + QStringLiteral("\t\tx") << 0;
    QTest::newRow("cut short") << QStringLiteral("d\t\t+5,00") + kEuro + QStringLiteral("\t") << 0;
}

void TestEntryRules::centsFromDisplayText() {
    QFETCH(QString, text);
    QFETCH(int, cents);
    QCOMPARE(entrytext::centsFromDisplayText(text), cents);
}

void TestEntryRules::csvBytes_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("csv");
    const QByteArray head = "\xEF\xBB\xBF"
                            "Fecha;Tipo;Importe;Procedencia;Saldo\r\n";
    auto line = [](const char *date, bool income, const char *units, const char *cents, const char *source) {
        return entrytext::displayText(QString::fromUtf8(date), income, QLatin1String(units),
                                      QLatin1String(cents), QString::fromUtf8(source));
    };
    QTest::newRow("empty ledger") << QStringList() << head;
    QTest::newRow("quotes and semicolons, balance in cents")
        << QStringList{line("8/12/26", true, "1500", "00", "Nómina"),
                       line("9/12/26", false, "0", "45", "Luz; \"Iberdrola\""),
                       line("10/12/26", false, "1500", "10", "")}
        << head + "8/12/26;Ingreso;1500,00;Nómina;1500,00\r\n"
                  "9/12/26;Gasto;-0,45;\"Luz; \"\"Iberdrola\"\"\";1499,55\r\n"
                  "10/12/26;Gasto;-1500,10;;-0,55\r\n";
    QTest::newRow("line breaks quoted")
        << QStringList{line("1/1/26", true, "1", "00", "a\nb"), line("1/1/26", true, "1", "00", "c\rd")}
        << head + "1/1/26;Ingreso;1,00;\"a\nb\";1,00\r\n1/1/26;Ingreso;1,00;\"c\rd\";2,00\r\n";
    QTest::newRow("line without the layout kept whole")
        << QStringList{line("1/1/26", false, "2", "50", "x"), QStringLiteral("texto; libre")}
        << head + "1/1/26;Gasto;-2,50;x;-2,50\r\n;;;\"texto; libre\";-2,50\r\n";
}

void TestEntryRules::csvBytes() {
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, csv);
    QCOMPARE(csvexport::ledgerCsv(lines), csv);
}

void TestEntryRules::entryDates_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("short format") << "es_ES"
                                  << "8/12/26" << QDate(2026, 12, 8);
    QTest::newRow("as written by the program") << "es_ES"
                                               << "08/12/2026" << QDate(2026, 12, 8);
    QTest::newRow("last year of the 1900s") << "es_ES"
                                            << " 31/12/99 " << QDate(1999, 12, 31);
    QTest::newRow("no such day") << "es_ES"
                                 << "31/2/26" << QDate();
    QTest::newRow("three-digit year") << "es_ES"
                                      << "1/2/026" << QDate();
    QTest::newRow("words") << "es_ES"
                           << "ayer" << QDate();
    QTest::newRow("trailing text") << "es_ES"
                                   << "1/2/26x" << QDate();
    QTest::newRow("empty") << "es_ES"
                           << "" << QDate();
    QTest::newRow("month first in the United States") << "en_US"
                                                      << "12/8/26" << QDate(2026, 12, 8);
    QTest::newRow("day first when month first cannot be") << "en_US"
                                                          << "25/12/2026" << QDate(2026, 12, 25);
    QTest::newRow("German points") << "de_DE"
                                   << "08.12.2026" << QDate(2026, 12, 8);
    QTest::newRow("slashes in Germany") << "de_DE"
                                        << "8/12/26" << QDate(2026, 12, 8);
}

void TestEntryRules::entryDates() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(entrydates::DateReader(QLocale(locale)).read(text).value_or(QDate()), date);
}

void TestEntryRules::monthSummary() {
    auto line = [](const char *date, bool income, const char *units, const char *cents) {
        return entrytext::displayText(QLatin1String(date), income, QLatin1String(units), QLatin1String(cents),
                                      QStringLiteral("x"));
    };
    // Out of date order, a month without entries between, two years, and
    // lines without a date: 0,10 + 0,20 exactly, never 0,30000000000000004.
    const summary::Summary result =
        summary::summarise({line("3/2/26", false, "0", "20"), line("30/11/25", true, "0", "10"),
                            line("1/2/26", true, "1500", "00"), line("sin fecha", false, "7", "05"),
                            QStringLiteral("texto libre"), line("3/2/26", true, "0", "10")});
    QCOMPARE(result.undatedCount, 2);
    QCOMPARE(result.undated.expenses, 705);
    QCOMPARE(result.years.size(), 2);
    QStringList months;
    for (const summary::Year &year : result.years) {
        for (const summary::Month &month : year.months)
            months << QStringLiteral("%1 %2 %3")
                          .arg(summary::monthTitle(month.month, year.year))
                          .arg(month.totals.income)
                          .arg(month.totals.expenses);
        months << QStringLiteral("%1: %2").arg(year.year).arg(year.totals.balance());
    }
    QCOMPARE(months, QStringList({"noviembre de 2025 10 0", "diciembre de 2025 0 0", "2025: 10",
                                  "enero de 2026 0 0", "febrero de 2026 150010 20", "2026: 149990"}));
    QStringList running;
    for (const summary::Point &point : result.running)
        running << point.date.toString(Qt::ISODate) + QLatin1Char(' ') + QString::number(point.total);
    QCOMPARE(running, QStringList({"2025-11-30 10", "2026-02-01 150010", "2026-02-03 150000"}));
}

namespace {

// A Norma 43 record: its fields at their places, blank-padded to 80.
QByteArray record(const QByteArray &fields) {
    return fields.leftJustified(80, ' ') + "\r\n";
}

// A movement (22): operation and value date AAMMDD, common concept, debit
// (1) or credit (2), amount in cents, and the second reference.
QByteArray movement(const char *date, const char *concept, char key, qint64 cents,
                    const QByteArray &ref = {}) {
    return record("22    0901" + QByteArray(date) + date + concept + "000" + key +
                  QByteArray::number(cents).rightJustified(14, '0') + "0000000000" + "000000000000" + ref);
}

QByteArray account(const char *number) {
    return record("1120381234" + QByteArray(number) +
                  "26010126013120000000010000097831BEGO\xd1"
                  "A PEREZ");
}

QString skipName(bankimport::Skip reason) {
    switch (reason) {
    case bankimport::Skip::BadDate:
        return QStringLiteral("date");
    case bankimport::Skip::BadAmount:
        return QStringLiteral("amount");
    case bankimport::Skip::NoAmount:
        return QStringLiteral("no amount");
    case bankimport::Skip::TooFewColumns:
        return QStringLiteral("columns");
    case bankimport::Skip::BadRecord:
        return QStringLiteral("record");
    case bankimport::Skip::AmountTooLarge:
        return QStringLiteral("too large");
    case bankimport::Skip::Unsavable:
        return QStringLiteral("unsavable");
    case bankimport::Skip::Duplicate:
        return QStringLiteral("duplicate");
    }
    return QString();
}

QString entry(const char *date, const char *amount, const char *source) {
    return QLatin1String(date) + QStringLiteral("\t\t") + QLatin1String(amount) + kEuro +
           QStringLiteral("\t\t") + QString::fromUtf8(source);
}

} // namespace

// Statements as banks write them, read into the lines the ledger would get
// and the lines left out ("line reason").
void TestEntryRules::bankStatements_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("skipped");

    QTest::newRow("semicolons, decimal commas, account lines above the header")
        << QByteArray("\xEF\xBB\xBF"
                      "Cuenta;ES12 0049 1500 0512 3456 7890\r\n"
                      "Titular;Bego\xC3\xB1"
                      "a P\xC3\xA9rez\r\n"
                      "Periodo;01/01/2026 - 31/01/2026\r\n\r\n"
                      "Fecha;Fecha valor;Concepto;Importe;Saldo\r\n"
                      "02/01/2026;02/01/2026;N\xC3\xB3mina enero;1.850,00;2.350,00\r\n"
                      "03/01/2026;03/01/2026;Recibo luz;-45,3;2.304,70\r\n"
                      "04/01/2026;04/01/2026;Ajuste;abc;2.304,70\r\n"
                      "05/01/2026;05/01/2026;Compra \"Mercadona\";-1.123,45 \xE2\x82\xAC;1.181,25\r\n")
        << QStringList{entry("02/01/2026", "+1850,00", "Nómina enero"),
                       entry("03/01/2026", "-45,30", "Recibo luz"),
                       entry("05/01/2026", "-1123,45", "Compra \"Mercadona\"")}
        << QStringList{"8 amount"};
    QTest::newRow("commas, decimal points, quotes")
        << QByteArray("\"F. Operaci\xC3\xB3n\",\"Descripci\xC3\xB3n\",\"Importe (EUR)\",\"Saldo\"\n"
                      "\"15/01/2026\",\"Alquiler, enero\",\"-750.00\",\"1,250.00\"\n"
                      "\"20/01/2026\",\"Devoluci\xC3\xB3n \"\"Amazon\"\"\",\"19.9\",\"1,269.90\"\n"
                      "\"21/01/2026\",\"Sin fecha\"\n")
        << QStringList{entry("15/01/2026", "-750,00", "Alquiler, enero"),
                       entry("20/01/2026", "+19,90", "Devolución \"Amazon\"")}
        << QStringList{"4 columns"};
    QTest::newRow("tabs, debit and credit columns")
        << QByteArray("Fecha\tConcepto\tCargo\tAbono\tSaldo\n"
                      "10/02/2026\tCajero\t60,00\t\t940,00\n"
                      "11/02/2026\tBizum de Ana\t\t25,50\t965,50\n"
                      "12/02/2026\tComisi\xC3\xB3n\t-1,20\t\t964,30\n"
                      "13/02/2026\tNada\t\t\t964,30\n")
        << QStringList{entry("10/02/2026", "-60,00", "Cajero"), entry("11/02/2026", "+25,50", "Bizum de Ana"),
                       entry("12/02/2026", "-1,20", "Comisión")}
        << QStringList{"5 no amount"};
    QTest::newRow("Windows-1252, no header, two-digit years")
        << QByteArray("Movimientos de la cuenta\r\n"
                      "15/03/26;Pago en Peluquer\xED"
                      "a Mu\xF1oz;-18,00;1.000,00\r\n"
                      "31/02/26;Fecha imposible;-1,00;999,00\r\n"
                      "16/03/26;Devoluci\xF3n IVA;230,50;1.230,50\r\n")
        << QStringList{entry("15/03/2026", "-18,00", "Pago en Peluquería Muñoz"),
                       entry("16/03/2026", "+230,50", "Devolución IVA")}
        << QStringList{"3 date"};
    QTest::newRow("Norma 43, two accounts")
        << account("0123456789") + movement("260105", "03", '1', 4530) + record("2301RECIBO IBERDROLA") +
               record("2302FACTURA ENERO") + movement("260131", "15", '2', 150000) +
               record("3320381234012345678900001000000453000001000001500000000000110547097") +
               account("9876543210") + movement("260201", "12", '1', 2000, "LIBRERIA LOPEZ") +
               record("99 basura") +
               record("3320381234987654321000001000000020000000000000000000000000098000978") +
               record("88999999999999999999000010")
        << QStringList{entry("05/01/2026", "-45,30", "RECIBO IBERDROLA FACTURA ENERO"),
                       entry("31/01/2026", "+1500,00", "Nómina"),
                       entry("01/02/2026", "-20,00", "LIBRERIA LOPEZ")}
        << QStringList{"9 record"};
    QTest::newRow("OFX 1, SGML")
        << QByteArray("OFXHEADER:100\r\nDATA:OFXSGML\r\nVERSION:102\r\nCHARSET:1252\r\n\r\n"
                      "<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\r\n"
                      "<STMTTRN>\r\n<TRNTYPE>DEBIT\r\n<DTPOSTED>20260310120000.000[+1:CET]\r\n"
                      "<TRNAMT>-34.51\r\n<FITID>1\r\n<NAME>Caf\xE9 Central\r\n</STMTTRN>\r\n"
                      "<STMTTRN>\r\n<DTPOSTED>20261340\r\n<TRNAMT>1.00\r\n</STMTTRN>\r\n"
                      "<STMTTRN>\r\n<DTPOSTED>20260311\r\n<TRNAMT>1500\r\n<NAME>NOMINA\r\n"
                      "<MEMO>Empresa &amp; Hijos\r\n</STMTTRN>\r\n</BANKTRANLIST></STMTRS></STMTTRNRS>"
                      "</BANKMSGSRSV1></OFX>\r\n")
        << QStringList{entry("10/03/2026", "-34,51", "Café Central"),
                       entry("11/03/2026", "+1500,00", "NOMINA - Empresa & Hijos")}
        << QStringList{"14 date"};
    QTest::newRow("OFX 2, XML")
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?OFX OFXHEADER=\"200\" VERSION=\"220\"?>\n"
               "<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\n"
               "<STMTTRN><TRNTYPE>POS</TRNTYPE><DTPOSTED>20260402</DTPOSTED><TRNAMT>-80.5</TRNAMT>"
               "<NAME>Farmacia L\xC3\xB3pez</NAME><MEMO>Farmacia L\xC3\xB3pez Madrid</MEMO></STMTTRN>\n"
               "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n")
        << QStringList{entry("02/04/2026", "-80,50", "Farmacia López Madrid")} << QStringList{};
}

void TestEntryRules::bankStatements() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, skipped);
    const storage::Result<bankimport::Statement> statement = bankimport::read(file);
    QVERIFY(statement.ok());
    const bankimport::Plan plan = bankimport::plan(*statement, {});
    QCOMPARE(plan.lines, lines);
    QStringList left;
    for (const bankimport::Skipped &line : plan.skipped)
        left << QStringLiteral("%1 %2").arg(line.line).arg(skipName(line.reason));
    QCOMPARE(left, skipped);
    qint64 total = 0;
    for (const QString &line : lines)
        total += entrytext::centsFromDisplayText(line);
    QCOMPARE(plan.totalCents, total);
}

TESORILA_MODEL_TEST_MAIN(TestEntryRules)
#include "tst_entry_rules.moc"

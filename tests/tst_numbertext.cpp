// SPDX-License-Identifier: GPL-3.0-or-later
#include "model_support.h"

#include "model/clock.h"
#include "model/numbertext.h"

#include <QCoreApplication>
#include <QTest>

#include <cmath>
#include <limits>

class TestNumberText : public QObject {
    Q_OBJECT
private slots:
    void format_data();
    void format();
    void parse_data();
    void parse();
    void roundTrip_data();
    void roundTrip();
    void decimalPlaces_data();
    void decimalPlaces();
    void movingByCentsIsExact();
    void dateText_data();
    void dateText();
};

void TestNumberText::format_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("spanish");
    QTest::addColumn<QString>("english");

    QTest::newRow("zero") << 0.0 << "0"
                          << "0";
    QTest::newRow("negative zero") << -0.0 << "0"
                                   << "0";
    QTest::newRow("fraction") << 12.5 << "12,5"
                              << "12.5";
    QTest::newRow("negative cent") << -0.01 << "-0,01"
                                   << "-0.01";
    QTest::newRow("no grouping") << 1234567.0 << "1234567"
                                 << "1234567";
    QTest::newRow("binary noise rounded away") << 0.1 + 0.2 << "0,3"
                                               << "0.3";
    QTest::newRow("cents sum") << 0.1 + 0.7 << "0,8"
                               << "0.8";
    QTest::newRow("sixteenth digit shows as noise") << 10.0 - 9.99 << "0,00999999999999979"
                                                    << "0.00999999999999979";
    QTest::newRow("15 digits kept") << 999999999999999.0 << "999999999999999"
                                    << "999999999999999";
    QTest::newRow("exponent from 1e15") << 1e15 << "1E+15"
                                        << "1E+15";
    QTest::newRow("negative exponent form") << -2.5e15 << "-2,5E+15"
                                            << "-2.5E+15";
    QTest::newRow("mantissa rounded to 15") << 123456789012345678.0 << "1,23456789012346E+17"
                                            << "1.23456789012346E+17";
    QTest::newRow("rounding carries into the exponent") << 9999999999999999.0 << "1E+16"
                                                        << "1E+16";
    QTest::newRow("three exponent digits") << 1e100 << "1E+100"
                                           << "1E+100";
    QTest::newRow("small stays plain") << 0.0001 << "0,0001"
                                       << "0.0001";
    QTest::newRow("very small in exponent form") << 0.00001 << "1E-05"
                                                 << "1E-05";
    QTest::newRow("fifteen significant digits") << 1235.142857142857 << "1235,14285714286"
                                                << "1235.14285714286";
    QTest::newRow("rounded up at digit 15") << 0.1234567890123456789 << "0,123456789012346"
                                            << "0.123456789012346";
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << "1,79769313486232E+308"
                                    << "1.79769313486232E+308";
    QTest::newRow("not finite") << std::numeric_limits<double>::infinity() << ""
                                << "";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << ""
                                  << "";
}

void TestNumberText::format() {
    QFETCH(double, value);
    QFETCH(QString, spanish);
    QFETCH(QString, english);
    QCOMPARE(numbertext::format(value, QLocale(QStringLiteral("es_ES"))), spanish);
    QCOMPARE(numbertext::format(value, QLocale(QStringLiteral("en_US"))), english);
}

void TestNumberText::parse_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");

    QTest::newRow("es integer") << "es_ES"
                                << "12" << true << 12.0;
    QTest::newRow("es comma") << "es_ES"
                              << "12,5" << true << 12.5;
    QTest::newRow("es point is not its separator") << "es_ES"
                                                   << "12.5" << false << 0.0;
    QTest::newRow("es grouping refused") << "es_ES"
                                         << "1.234,5" << false << 0.0;
    QTest::newRow("en point") << "en_US"
                              << "12.5" << true << 12.5;
    QTest::newRow("en comma refused") << "en_US"
                                      << "12,5" << false << 0.0;
    QTest::newRow("en grouping refused") << "en_US"
                                         << "1,234.5" << false << 0.0;
    QTest::newRow("negative") << "es_ES"
                              << "-5" << true << -5.0;
    QTest::newRow("plus sign") << "es_ES"
                               << "+7" << true << 7.0;
    QTest::newRow("leading separator") << "es_ES"
                                       << ",5" << true << 0.5;
    QTest::newRow("exponent") << "es_ES"
                              << "1,5E+15" << true << 1.5e15;
    QTest::newRow("small exponent") << "es_ES"
                                    << "1E-05" << true << 1e-5;
    QTest::newRow("surrounding blanks") << "es_ES"
                                        << " 5 " << true << 5.0;
    QTest::newRow("lone blank") << "es_ES"
                                << " " << false << 0.0;
    QTest::newRow("empty") << "es_ES"
                           << "" << false << 0.0;
    QTest::newRow("lone minus") << "es_ES"
                                << "-" << false << 0.0;
    QTest::newRow("blank then minus") << "es_ES"
                                      << " -" << false << 0.0;
    QTest::newRow("letters") << "es_ES"
                             << "abc" << false << 0.0;
    QTest::newRow("trailing letters") << "es_ES"
                                      << "12abc" << false << 0.0;
    QTest::newRow("exponent without digits") << "es_ES"
                                             << "1E" << false << 0.0;
    QTest::newRow("overflow") << "es_ES"
                              << "1e999" << false << 0.0;
    QTest::newRow("infinity word") << "en_US"
                                   << "inf" << false << 0.0;
    QTest::newRow("nan word") << "en_US"
                              << "nan" << false << 0.0;
    QTest::newRow("hex") << "en_US"
                         << "0x10" << false << 0.0;
    QTest::newRow("two signs") << "es_ES"
                               << "--5" << false << 0.0;
    QTest::newRow("arabic digits") << "es_ES" << QString::fromUtf8("\u0661\u0662") << false << 0.0;
    // The largest doubles are written rounded up to 15 digits, a text just
    // past the largest double; it must read back as that double.
    constexpr double largest = std::numeric_limits<double>::max();
    QTest::newRow("largest double's text") << "es_ES"
                                           << "1,79769313486232E+308" << true << largest;
    QTest::newRow("largest double's text, negative") << "en_US"
                                                     << "-1.79769313486232E+308" << true << -largest;
    QTest::newRow("largest double's text, other shape") << "es_ES"
                                                        << "0017976931348623,20E+295" << true << largest;
    QTest::newRow("past the largest double's text") << "es_ES"
                                                    << "1,797693134862321E+308" << false << 0.0;
    QTest::newRow("next 15-digit text") << "es_ES"
                                        << "1,79769313486233E+308" << false << 0.0;
    QTest::newRow("largest double's digits, wrong power") << "es_ES"
                                                          << "1,79769313486232E+309" << false << 0.0;
    QTest::newRow("underflow") << "es_ES"
                               << "1E-400" << false << 0.0;
}

void TestNumberText::parse() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const std::optional<double> result = numbertext::parse(text, QLocale(locale));
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, value);
}

void TestNumberText::roundTrip_data() {
    QTest::addColumn<double>("value");
    for (double v : {0.01, -0.45, 12.5, 1250.0 / 100, 927.5, 1e15, 3.0e-7, 2147483647 / 100.0, -21474836.48,
                     1.0 / 3.0, 98765432109876543.0, 5e-324, std::numeric_limits<double>::max(),
                     -std::numeric_limits<double>::max(), 1.797693134862315e308, 1.79769313486231e308})
        QTest::newRow(qPrintable(QString::number(v, 'g', 17))) << v;
}

void TestNumberText::roundTrip() {
    QFETCH(double, value);
    for (const char *name : {"es_ES", "en_US"}) {
        const QLocale locale{QLatin1String(name)};
        const QString text = numbertext::format(value, locale);
        const std::optional<double> back = numbertext::parse(text, locale);
        QVERIFY2(back.has_value(), qPrintable(text));
        QCOMPARE(numbertext::format(*back, locale), text);
    }
}

void TestNumberText::decimalPlaces_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("places");
    QTest::newRow("integer") << "12" << 0;
    QTest::newRow("one") << "12,5" << 1;
    QTest::newRow("many") << "-0,123456789" << 9;
    QTest::newRow("small exponent") << "1,25E-03" << 5;
    QTest::newRow("large exponent") << "1,5E+15" << 0;
    QTest::newRow("not a number") << "abc" << 0;
    // Exponents at and past the 64-bit range must not overflow the count.
    QTest::newRow("exponent at the 64-bit limit") << "0E-9223372036854775808" << 400;
    QTest::newRow("negative exponent past 64 bits") << "0E-99999999999999999999" << 400;
    QTest::newRow("positive exponent past 64 bits") << "0E+99999999999999999999" << 0;
    QTest::newRow("largest double's text") << "1,79769313486232E+308" << 0;
}

void TestNumberText::decimalPlaces() {
    QFETCH(QString, text);
    QFETCH(int, places);
    QCOMPARE(numbertext::decimalPlaces(text, QLocale(QStringLiteral("es_ES"))), places);
}

void TestNumberText::movingByCentsIsExact() {
    // Adding and taking off the same cents gives back the same text, where a
    // plain double sum leaves binary noise in the fifteenth digit.
    const QLocale es(QStringLiteral("es_ES"));
    QVERIFY(numbertext::format(0.1 + 21474836.47 - 21474836.47, es) != QStringLiteral("0,1"));
    for (const char *start : {"0", "0,1", "-3,3", "1000000,01", "0,001", "123456789012,34", "1E-05"}) {
        const QString text = QLatin1String(start);
        for (qint64 cents : {1LL, 10LL, 99LL, 745LL, -45LL, 2147483647LL, -2147483648LL, 333333LL}) {
            const double total = *numbertext::parse(text, es);
            const double up = numbertext::moveByCents(total, numbertext::decimalPlaces(text, es), cents);
            const QString upText = numbertext::format(up, es);
            const double down = numbertext::moveByCents(*numbertext::parse(upText, es),
                                                        numbertext::decimalPlaces(upText, es), -cents);
            QCOMPARE(numbertext::format(down, es), numbertext::format(total, es));
        }
    }
    QCOMPARE(numbertext::format(numbertext::moveByCents(0.1, 1, 20), es), QStringLiteral("0,3"));
    QCOMPARE(numbertext::format(numbertext::moveByCents(10, 0, -999), es), QStringLiteral("0,01"));
}

void TestNumberText::dateText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");
    const QDate december(2026, 12, 9);
    QTest::newRow("Spanish") << "es_ES" << december << "09/12/2026";
    QTest::newRow("Spanish, early date") << "es_ES" << QDate(2003, 2, 1) << "01/02/2003";
    QTest::newRow("US English: month first") << "en_US" << december << "12/09/2026";
    QTest::newRow("German: dots") << "de_DE" << december << "09.12.2026";
    QTest::newRow("Swedish: year first") << "sv_SE" << december << "2026-12-09";
    QTest::newRow("Korean: blanks and closing dot") << "ko_KR" << december << "2026. 12. 09.";
    QTest::newRow("C: month name, so the Spanish form") << "C" << december << "09/12/2026";
    QTest::newRow("Arabic: marks around the slashes") << "ar_EG" << december << "09/12/2026";
    QTest::newRow("Bengali: ASCII digits") << "bn_BD" << december << "09/12/2026";
    QTest::newRow("invalid date") << "es_ES" << QDate() << "";
}

void TestNumberText::dateText() {
    QFETCH(QString, locale);
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCOMPARE(clocktext::dateText(date, QLocale(locale)), text);
}

TESORILA_MODEL_TEST_MAIN(TestNumberText)
#include "tst_numbertext.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// The rules of one ledger entry: cents completion, the amount in cents and
// the display text the ledger list shows and the ledger files store.
namespace entrytext {

// The largest amount an entry can carry, in cents.
constexpr qint32 kMaxAmountCents = 2147483647;

// The units box lets through only the digits and Backspace (code 8).
constexpr bool passesUnitsFilter(char16_t code) {
    return code == 8 || (code >= '0' && code <= '9');
}

// Completes the cents box: a single digit is read as tenths ("5" gives
// "50", "0" gives "00") and an empty box gives "00". Any other text is
// returned as it is.
QString completeCents(const QString &cents);

// True when the text is one or more ASCII digits "0" to "9".
bool isDigits(const QString &text);

// The amount in cents, units × 100 + cents, when both texts are made of
// digits and the amount fits a signed 32-bit integer; nothing otherwise.
// Leading zeros are allowed ("007" is 7 units).
std::optional<qint32> amountCents(const QString &units, const QString &cents);

// The two amount boxes of the add-entry dialog as typing leaves them: the
// units, then the comma the dialog draws, then the cents.
struct AmountBoxes {
    QString units;
    QString cents = QStringLiteral("00");
    bool inCents = false;       // the cents box has the focus
    bool centsSelected = false; // its whole text is selected: typing replaces it
    // Set by a move to the cents on the locale's group separator (the comma
    // of English settings): what the cents box held before it.
    std::optional<QString> centsBeforeGroup;
    // A character was typed into a full cents box and dropped.
    bool centsOverflow = false;
};

// One character typed at the end of the box with the focus. In the units:
// digits and the locale's group separator are typed; the comma the dialog
// draws and the locale's decimal separator move to the cents box with its
// text selected; anything else is dropped. The cents box holds two
// characters; typing into it when full is noted as an overflow. A third
// digit after a move on the group separator shows that it grouped three
// digits: the separator and the digits go back to the units, and the cents
// box gets back what it held.
void typeKey(AmountBoxes &boxes, QChar key, const QLocale &locale = QLocale());

// Why the amount boxes give no amount.
enum class AmountProblem {
    None,
    NotDigits, // characters that are neither digits nor separators
    Unclear,   // separators that do not group three digits, or overflowing cents
    TooLarge,
};

// The amount the boxes mean: units of digits, or grouped in threes by the
// locale's group separator ("1.234" under Spanish settings, "1,234" under
// English ones); cents completed as completeCents() does, two digits.
struct Amount {
    AmountProblem problem = AmountProblem::None;
    qint32 cents = 0;
    QString units;       // digits only, leading zeros as typed
    QString centsDigits; // the two cent digits
};
Amount readAmount(const AmountBoxes &boxes, const QLocale &locale = QLocale());

// The characters of a typed text (a source, a date, a total) that an entry
// or the total cannot hold: those no ledger file can hold (see
// ledgerformat::unsavableCharacters) and every control character, the tab
// included, which would break the list's columns. Each is listed once.
QString unusableCharacters(const QString &text);

// The display text: date, two tabs, sign, units as typed, ",", the two cent
// digits, "€", two tabs, source.
QString displayText(const QString &date, bool income, const QString &units, const QString &cents,
                    const QString &source);

// The signed amount in cents that a display text of the layout above
// carries (its first "\t\t±units,cc€\t\t" part), or 0 when the text does not
// have that layout or its amount does not fit 32 bits.
qint32 centsFromDisplayText(const QString &text);

// A display text taken apart at its first "\t\t±units,cc€\t\t" part: the
// text before it (the date), the signed amount and the text after it (the
// source), with the sign, units and cent digits as written, so that
// displayText(date, income, units, centsDigits, source) gives the text
// back. Nothing when the text has no such part or its amount does not fit
// 32 bits.
struct Fields {
    QString date;
    qint32 cents = 0;
    QString source;
    bool income = true;
    QString units;
    QString centsDigits;
};
std::optional<Fields> fields(const QString &text);

// Cents as a signed decimal text with a comma and no grouping: "-45,30",
// "1500,00", "0,05".
QString centsText(qint64 cents);

} // namespace entrytext

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

// The pure rules of a saved ledger: where its two files lie, what they are
// called, and how their text becomes bytes and back.
namespace ledgerformat {

// The numeric value of a password text: one or more digits 0 to 9 (leading
// zeros allowed) whose value is finite as a double. Anything else (blanks,
// signs, separators, letters, 400 nines) has no value.
std::optional<double> passwordValue(const QString &text);

// The number text of P ÷ 4 × 3 + 2 and of P + 8 ÷ 7 (in that order, in
// double precision) followed by ".text".
QString entriesFileName(double password, const QLocale &locale = QLocale());
QString totalFileName(double password, const QLocale &locale = QLocale());

// True when the password's two file names can be no other password's:
// exactly when the total-file name shows decimals. For a whole password the
// entries-file value is a multiple of 0.25, so its name shows no decimals or
// the decimals 2, 3, 25, 5, 75 or 8 (rounded to 15 digits); a total-file
// name that shows decimals shows the rounded fraction of 8 ÷ 7 (1, 14, 143,
// …), so it never equals an entries-file name, and its whole part is the
// password plus one, so it never equals another password's total-file name.
// Such a password is below 99999999999999, and its entries-file names stay
// 0.75 apart with a tenth shown. Once the total-file name is a whole number
// (or in exponent form), some other password's entries file bears it.
bool namesStayApart(double password, const QLocale &locale = QLocale());

// The bytes of a ledger's two files.
struct LedgerBytes {
    QByteArray entries;
    QByteArray total;
};

// The files of one ledger, and the journal that makes a save of the two an
// all-or-nothing step (see ledgerstore).
struct LedgerPaths {
    QString directory; // the account directory, without a closing separator
    QString entries;
    QString total;

    QString journal() const { return entries + QStringLiteral(".commit"); }
};

// Paths built by plain concatenation: root (with its closing separator) +
// user name, then separator + file name.
LedgerPaths ledgerPaths(const QString &root, const QString &userName, double password,
                        const QString &separator, const QLocale &locale = QLocale());

// The characters of the text that cannot stand in a line of a ledger file:
// those without a Windows-1252 byte, and the carriage return and the line
// feed, which would split the line in two. Each is listed once, in order of appearance.
QString unsavableCharacters(const QString &text);

// A file's text is Windows-1252, byte for byte: every byte decodes (0x81,
// 0x8D, 0x8F, 0x90 and 0x9D to the control characters of the same number,
// as Windows does). Each line ends at CR LF, at a lone CR or at a lone LF;
// a last line without a line end counts too, and an empty file has none.

// The bytes of a file holding the lines, each followed by CR LF, or nothing
// when a line holds an unsavable character.
std::optional<QByteArray> fileBytes(const QStringList &lines);

// The lines of a file, decoded.
QStringList fileLines(const QByteArray &bytes);

// The bytes decoded as Windows-1252, line ends and all.
QString windows1252Text(const QByteArray &bytes);

// How many lines a file has and the length of the longest, in bytes.
struct LineShape {
    qsizetype count = 0;
    qsizetype longest = 0;
};

// A file's shape and its lines, found and decoded in one pass. Lines are
// decoded only while there are at most maxLines of them and none is longer
// than maxLength: past either limit the lines are only counted and
// measured, so that a file too big to take costs no decoding of the rest.
struct ShapedLines {
    LineShape shape;
    QStringList lines;
};
ShapedLines fileLines(const QByteArray &bytes, qsizetype maxLines, qsizetype maxLength);

// The length of the longest line fileLines() gives, in bytes.
qsizetype longestLine(const QByteArray &bytes);

// The last line fileLines() gives, decoded alone; none for an empty file.
std::optional<QString> lastLine(const QByteArray &bytes);

// How many leading bytes two texts share.
qsizetype sharedPrefix(const QByteArray &a, const QByteArray &b);

// How many trailing bytes two texts share, at most limit (which neither
// text's size is below).
qsizetype sharedSuffix(const QByteArray &a, const QByteArray &b, qsizetype limit);

} // namespace ledgerformat

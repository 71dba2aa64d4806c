// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ledger_format.h"

#include "model/numbertext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace ledgerformat {

namespace {

// The characters of bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves
// unassigned stand for the control character of the same number.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character of each byte: the others stand for the character of the
// same number.
constexpr std::array<char16_t, 256> kCharacters = [] {
    std::array<char16_t, 256> characters{};
    for (int byte = 0; byte < 256; ++byte)
        characters[byte] = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte);
    return characters;
}();

std::optional<char> byteFor(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return char(0x80 + i);
    }
    return std::nullopt;
}

// Writes the byte of each character of a line from out onwards and moves
// out past them; false when a character has no byte or would end the line
// (CR, LF). Plain ASCII, nearly every character, takes no look-up.
bool encodeLine(QStringView text, char *&out) {
    char *next = out; // a local pointer: stores through out could alias it
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 && u != u'\r' && u != u'\n') {
            *next++ = char(u);
            continue;
        }
        const std::optional<char> byte = u < 0x80 ? std::nullopt : byteFor(u);
        if (!byte)
            return false;
        *next++ = *byte;
    }
    out = next;
    return true;
}

// Calls line(start, length) for each line of the bytes, in order.
template <class Line> void forEachLine(const QByteArray &bytes, Line line) {
    const char *data = bytes.constData();
    const qsizetype n = bytes.size();
    // The next CR and the next LF, each looked for again only once passed.
    qsizetype cr = -1;
    qsizetype lf = -1;
    const auto next = [&](char c, qsizetype &at, qsizetype from) {
        if (at < from) {
            const auto *found = static_cast<const char *>(std::memchr(data + from, c, size_t(n - from)));
            at = found ? found - data : n;
        }
    };
    for (qsizetype start = 0; start < n;) {
        next('\r', cr, start);
        next('\n', lf, start);
        const qsizetype end = qMin(cr, lf);
        line(start, end - start);
        start = end + (end + 1 < n && data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1);
    }
}

// The text of bytes, in Windows-1252: one look-up per byte.
QString decodeBytes(const char *bytes, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = kCharacters[in[i]];
    return text;
}

// P ÷ 4 × 3 + 2 and P + 8 ÷ 7, in that order, in double precision.
double entriesFileValue(double password) {
    return password / 4.0 * 3.0 + 2.0;
}

double totalFileValue(double password) {
    return password + 8.0 / 7.0;
}

} // namespace

std::optional<double> passwordValue(const QString &text) {
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (text.isEmpty() || !std::all_of(text.cbegin(), text.cend(), digit))
        return std::nullopt;
    const QByteArray digits = text.toLatin1();
    double value = 0.0;
    const auto result = std::from_chars(digits.cbegin(), digits.cend(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString entriesFileName(double password, const QLocale &locale) {
    return numbertext::format(entriesFileValue(password), locale) + QStringLiteral(".text");
}

QString totalFileName(double password, const QLocale &locale) {
    return numbertext::format(totalFileValue(password), locale) + QStringLiteral(".text");
}

bool namesStayApart(double password, const QLocale &locale) {
    const QString name = numbertext::format(totalFileValue(password), locale);
    return name.contains(numbertext::decimalSeparator(locale)) && !name.contains(QLatin1Char('E'));
}

LedgerPaths ledgerPaths(const QString &root, const QString &userName, double password,
                        const QString &separator, const QLocale &locale) {
    LedgerPaths paths;
    paths.directory = root + userName;
    paths.entries = paths.directory + separator + entriesFileName(password, locale);
    paths.total = paths.directory + separator + totalFileName(password, locale);
    return paths;
}

namespace {
bool isLineEnd(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}
} // namespace

QString unsavableCharacters(const QString &text) {
    QString found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString one(text.at(i));
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            one.append(text.at(++i));
        const bool savable = one.size() == 1 && !isLineEnd(one.at(0)) && byteFor(one.at(0).unicode());
        if (!savable && !found.contains(one))
            found += one;
    }
    return found;
}

std::optional<QByteArray> fileBytes(const QStringList &lines) {
    // One character is one byte, so the size is known before encoding.
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QByteArray bytes(size, Qt::Uninitialized);
    char *out = bytes.data();
    for (const QString &line : lines) {
        if (!encodeLine(line, out))
            return std::nullopt;
        *out++ = '\r';
        *out++ = '\n';
    }
    return bytes;
}

QStringList fileLines(const QByteArray &bytes) {
    constexpr qsizetype kAll = std::numeric_limits<qsizetype>::max();
    return fileLines(bytes, kAll, kAll).lines;
}

QString windows1252Text(const QByteArray &bytes) {
    return decodeBytes(bytes.constData(), bytes.size());
}

ShapedLines fileLines(const QByteArray &bytes, qsizetype maxLines, qsizetype maxLength) {
    ShapedLines found;
    LineShape &shape = found.shape;
    forEachLine(bytes, [&](qsizetype start, qsizetype length) {
        ++shape.count;
        shape.longest = qMax(shape.longest, length);
        if (shape.count <= maxLines && shape.longest <= maxLength)
            found.lines.append(decodeBytes(bytes.constData() + start, length));
    });
    return found;
}

qsizetype longestLine(const QByteArray &bytes) {
    qsizetype longest = 0;
    forEachLine(bytes, [&](qsizetype, qsizetype length) { longest = qMax(longest, length); });
    return longest;
}

std::optional<QString> lastLine(const QByteArray &bytes) {
    qsizetype lastStart = -1;
    qsizetype lastLength = 0;
    forEachLine(bytes, [&](qsizetype start, qsizetype length) {
        lastStart = start;
        lastLength = length;
    });
    if (lastStart < 0)
        return std::nullopt;
    return decodeBytes(bytes.constData() + lastStart, lastLength);
}

qsizetype sharedPrefix(const QByteArray &a, const QByteArray &b) {
    const qsizetype n = qMin(a.size(), b.size());
    qsizetype i = 0;
    // Whole blocks first: most saves change only the end of a file.
    for (constexpr qsizetype block = 4096; i + block <= n; i += block) {
        if (std::memcmp(a.constData() + i, b.constData() + i, block) != 0)
            break;
    }
    while (i < n && a.at(i) == b.at(i))
        ++i;
    return i;
}

qsizetype sharedSuffix(const QByteArray &a, const QByteArray &b, qsizetype limit) {
    const char *endA = a.constData() + a.size(), *endB = b.constData() + b.size();
    qsizetype n = 0;
    for (constexpr qsizetype block = 4096; n + block <= limit; n += block) {
        if (std::memcmp(endA - n - block, endB - n - block, block) != 0)
            break;
    }
    while (n < limit && endA[-n - 1] == endB[-n - 1])
        ++n;
    return n;
}

} // namespace ledgerformat

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the text of a PDF back with poppler's pdftotext, for the report
// tests. Header only: each test program that includes it gets its own copy.

#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pdftext {

// The pdftotext program, or "" when poppler-utils is not installed.
inline QString tool() {
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

inline QByteArray run(const QStringList &arguments) {
    QProcess process;
    process.start(tool(), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

// The text of every page in its physical layout, each line with its blanks
// collapsed and the blank lines left out. Empty when the file cannot be read
// as a PDF.
inline QList<QStringList> pages(const QString &pdfPath) {
    const QByteArray out = run({QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                pdfPath, QStringLiteral("-")});
    QList<QStringList> result;
    const QStringList pageTexts = QString::fromUtf8(out).split(QLatin1Char('\f'));
    for (const QString &pageText : pageTexts) {
        QStringList lines;
        for (const QString &line : pageText.split(QLatin1Char('\n'))) {
            const QString simplified = line.simplified();
            if (!simplified.isEmpty())
                lines.append(simplified);
        }
        result.append(lines);
    }
    // pdftotext ends the last page with a form feed too.
    while (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

// All pages' lines in one list.
inline QStringList lines(const QString &pdfPath) {
    QStringList all;
    for (const QStringList &page : pages(pdfPath))
        all += page;
    return all;
}

// One word and its box, in points from the top-left corner of its page.
struct Word {
    QString text;
    int page = 0;
    qreal left = 0;
    qreal top = 0;
    qreal right = 0;
    qreal bottom = 0;
};

struct Boxes {
    QList<QSizeF> pageSizes;
    QList<Word> words;
};

inline QString unescape(QString text) {
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

// Every word of the file with its position.
inline Boxes boxes(const QString &pdfPath) {
    const QString html = QString::fromUtf8(run({QStringLiteral("-bbox"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")}));
    static const QRegularExpression tag(
        QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">|"
                       "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
                       "([^<]*)</word>"));
    Boxes result;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength(1) > 0) {
            result.pageSizes.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
            continue;
        }
        Word word;
        word.page = int(result.pageSizes.size()) - 1;
        word.left = m.captured(3).toDouble();
        word.top = m.captured(4).toDouble();
        word.right = m.captured(5).toDouble();
        word.bottom = m.captured(6).toDouble();
        word.text = unescape(m.captured(7));
        result.words.append(word);
    }
    return result;
}

// The first word with exactly this text, or an empty one.
inline Word word(const Boxes &boxes, const QString &text) {
    for (const Word &w : boxes.words) {
        if (w.text == text)
            return w;
    }
    return Word{};
}

// The first page drawn at the resolution by poppler's pdftoppm, through a
// PNG file of that name; a null image when it is missing or fails.
inline QImage firstPage(const QString &pdfPath, int dpi, const QString &pngStem) {
    const QString rasteriser = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (rasteriser.isEmpty() ||
        QProcess::execute(rasteriser, {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                       QStringLiteral("-singlefile"), pdfPath, pngStem}) != 0)
        return QImage();
    return QImage(pngStem + QStringLiteral(".png"));
}

// The colour of a word's ink on a page drawn at the resolution: the mean of
// its dark pixels; invalid when it has none.
inline QColor ink(const QImage &page, const Word &word, int dpi) {
    const qreal scale = dpi / 72.0;
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = int(word.top * scale); y <= int(word.bottom * scale); ++y) {
        for (int x = int(word.left * scale); x <= int(word.right * scale); ++x) {
            if (!page.valid(x, y))
                continue;
            const QColor c = page.pixelColor(x, y);
            if (c.lightness() < 160) {
                r += c.red();
                g += c.green();
                b += c.blue();
                ++n;
            }
        }
    }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

// Colours that print alike: each channel within 60 of the other's.
inline bool near(const QColor &a, const QColor &b) {
    return a.isValid() && b.isValid() && qAbs(a.red() - b.red()) < 60 && qAbs(a.green() - b.green()) < 60 &&
           qAbs(a.blue() - b.blue()) < 60;
}

} // namespace pdftext

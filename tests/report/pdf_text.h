// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the text of a PDF back with poppler's pdftotext, for the report
// tests. Header only: each test program that includes it gets its own copy.

#include <QFile>
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

} // namespace pdftext

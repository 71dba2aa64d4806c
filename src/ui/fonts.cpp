// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/fonts.h"

#include "ui/platform.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>

namespace fonts {

namespace {

const QString kTahoma = QStringLiteral("Tahoma");
const QString kMsSansSerif = QStringLiteral("MS Sans Serif");

// The installed families, listed once: the list changes only when the
// application adds a face of its own, which empties it. Each listing walks
// the whole font database, and every font made asks.
Q_GLOBAL_STATIC(QStringList, knownFamilies)

// Whether the family is installed under its own name. Unlike
// QFontDatabase::hasFamily(), no alias is looked up, which costs a font
// match for each family at start-up.
bool installed(const QString &family) {
    if (knownFamilies->isEmpty())
        *knownFamilies = QFontDatabase::families();
    return knownFamilies->contains(family, Qt::CaseInsensitive);
}

void registerIfMissing(const QString &family, const QStringList &files) {
    if (installed(family))
        return;
    for (const QString &folder : platform::fontFolders()) {
        for (const QString &file : files) {
            const QString path = folder + QLatin1Char('/') + file;
            // A face that cannot be read leaves its stand-in to the
            // system's closest sans face; the log says which file.
            if (!QFile::exists(path))
                continue;
            if (QFontDatabase::addApplicationFont(path) < 0)
                qWarning("Tesorila: no se puede cargar el tipo de letra %s", qPrintable(path));
            else
                knownFamilies->clear();
        }
    }
}

QFont withFallback(const QString &family, qreal pointSize) {
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setStyleHint(QFont::SansSerif);
    // Where the family is not available, similar sans faces stand in. Only
    // then: a font given stand-ins has the desktop's whole list of faces
    // for missing letters sorted when it is first used (several
    // milliseconds at start-up), where one without has it only on a letter
    // its face lacks.
    if (!installed(family))
        font.setFamilies({family, QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Sans Serif")});
    return font;
}

// Whether any screen draws the layout at other than one device pixel per
// pixel (QT_SCALE_FACTOR, a desktop's scaling, QT_FONT_DPI).
bool layoutIsScaled() {
    const QList<QScreen *> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [](const QScreen *screen) { return screen->devicePixelRatio() != 1.0; });
}

} // namespace

void registerFonts() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // Only the regular face: fonts-wine's tahomabd.ttf has bold widths but
    // regular strokes, so text in it looks regular with gaps after narrow
    // letters such as "/". Bold is drawn by emboldening the regular face.
    registerIfMissing(kTahoma, {QStringLiteral("tahoma.ttf")});
    registerIfMissing(kMsSansSerif, {QStringLiteral("ms_sans_serif.ttf")});
    // The artwork's captions ask for the generic "sans-serif", which the
    // desktop's fonts resolve elsewhere; where the system would draw a serif
    // face for it, it is Tahoma, the dialogs' own face.
    if (platform::lacksSansSerif())
        QFont::insertSubstitution(QStringLiteral("sans-serif"), kTahoma);
}

QFont tahoma(qreal pointSize, bool bold) {
    QFont font = withFallback(kTahoma, pointSize);
    font.setBold(bold);
    return font;
}

QFont msSansSerif(qreal pointSize) {
    // The bitmap face comes in a few pixel sizes and is never scaled: drawn
    // on a screen that scales the layout (HiDPI), its letters would keep
    // their one-to-one size. There, and at sizes it does not have, the
    // scalable Tahoma, of similar shape, stands in; and where the face is
    // missing (Windows' offscreen platform reads no bitmap font files).
    if (!installed(kMsSansSerif))
        return tahoma(pointSize);
    if (!QFontDatabase::isScalable(kMsSansSerif)) {
        const QList<int> sizes = QFontDatabase::pointSizes(kMsSansSerif);
        bool close = false;
        for (int size : sizes)
            close = close || qAbs(size - pointSize) <= 2;
        if (!close || layoutIsScaled())
            return tahoma(pointSize);
    }
    return withFallback(kMsSansSerif, pointSize);
}

QFont dialogFont() {
    return msSansSerif(8);
}

} // namespace fonts

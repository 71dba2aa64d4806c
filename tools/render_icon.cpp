// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time helper: draws an SVG picture into a square PNG of the given
// size, so that the icon theme gets bitmaps made from our own artwork; or
// into a Windows icon file holding one PNG image for each size given.
//
//     tesorila_render_icon INPUT.svg OUTPUT.png SIZE
//     tesorila_render_icon INPUT.svg OUTPUT.ico SIZE,SIZE,...
//
// The output is replaced atomically: a failed run leaves no half-written
// file behind for the build to mistake as up to date.

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QStringList>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int kMaxSize = 4096;

int fail(const QString &message) {
    std::fprintf(stderr, "tesorila_render_icon: %s\n", qPrintable(message));
    return 1;
}

QByteArray png(QSvgRenderer &renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void appendLittleEndian(QByteArray &out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// An icon file: a directory of the images, then the images themselves, each
// a whole PNG file (which Windows reads since Vista). A size of 256 is
// written as 0 in the directory's one-byte fields.
QByteArray iconFile(const QList<QByteArray> &images, const QList<int> &sizes) {
    QByteArray out;
    appendLittleEndian(out, 0, 2); // reserved
    appendLittleEndian(out, 1, 2); // an icon, not a cursor
    appendLittleEndian(out, quint32(images.size()), 2);
    quint32 offset = quint32(6 + 16 * images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const quint32 side = sizes.at(i) >= 256 ? 0 : quint32(sizes.at(i));
        appendLittleEndian(out, side, 1);
        appendLittleEndian(out, side, 1);
        appendLittleEndian(out, 0, 1);  // no palette
        appendLittleEndian(out, 0, 1);  // reserved
        appendLittleEndian(out, 1, 2);  // colour planes
        appendLittleEndian(out, 32, 2); // bits per pixel
        appendLittleEndian(out, quint32(images.at(i).size()), 4);
        appendLittleEndian(out, offset, 4);
        offset += quint32(images.at(i).size());
    }
    for (const QByteArray &image : images)
        out += image;
    return out;
}

} // namespace

int main(int argc, char *argv[]) {
    // A build machine needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return fail(QStringLiteral("uso: tesorila_render_icon ENTRADA.svg SALIDA.png TAMAÑO\n"
                                   "     tesorila_render_icon ENTRADA.svg SALIDA.ico TAMAÑO,TAMAÑO,…"));

    const QString input = args.at(1);
    const QString output = args.at(2);
    const bool icon = output.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive);
    const QStringList sizeTexts = args.at(3).split(QLatin1Char(','));
    // An icon file holds at most 256 x 256 pixels.
    const int maxSize = icon ? 256 : kMaxSize;
    QList<int> sizes;
    for (const QString &text : sizeTexts) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > maxSize || (!icon && sizeTexts.size() > 1))
            return fail(QStringLiteral("tamaño no válido: %1 (de 1 a %2)").arg(args.at(3)).arg(maxSize));
        sizes.append(size);
    }

    QSvgRenderer renderer(input);
    if (!renderer.isValid())
        return fail(QStringLiteral("no se puede leer el dibujo %1").arg(input));
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);

    QList<QByteArray> images;
    for (int size : sizes)
        images.append(png(renderer, size));
    const QByteArray bytes = icon ? iconFile(images, sizes) : images.first();

    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("no se puede escribir %1: %2").arg(output, file.errorString()));
    return 0;
}

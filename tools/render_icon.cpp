// SPDX-License-Identifier: GPL-3.0-or-later
// Build-time helper: draws an SVG picture into a square PNG of the given
// size, so that the icon theme gets bitmaps made from our own artwork.
//
//     tesorila_render_icon INPUT.svg OUTPUT.png SIZE
//
// The output is replaced atomically: a failed run leaves no half-written
// file behind for the build to mistake as up to date.

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

} // namespace

int main(int argc, char *argv[]) {
    // A build machine needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return fail(QStringLiteral("uso: tesorila_render_icon ENTRADA.svg SALIDA.png TAMAÑO"));

    const QString input = args.at(1);
    const QString output = args.at(2);
    bool ok = false;
    const int size = args.at(3).toInt(&ok);
    if (!ok || size < 1 || size > kMaxSize)
        return fail(QStringLiteral("tamaño no válido: %1 (de 1 a %2)").arg(args.at(3)).arg(kMaxSize));

    QSvgRenderer renderer(input);
    if (!renderer.isValid())
        return fail(QStringLiteral("no se puede leer el dibujo %1").arg(input));
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();

    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return fail(QStringLiteral("no se puede escribir %1: %2").arg(output, file.errorString()));
    return 0;
}

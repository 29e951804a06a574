// Build-time helper: renders an SVG icon into a square PNG of the given size,
// so the fixed-size hicolor icons and the tray icon come from the one
// scalable drawing each.
//
//   render-icon [--tray] <input.svg> <size> <output>
//
// --tray draws the symbol as the tray icon shows it: tray hosts come with
// light and with dark panels, and the icon cannot ask which, so the glyph is
// light and ringed in dark, visible on either. Its output is the pixels as
// they lie in memory (premultiplied ARGB, row by row), which the program
// shows without asking Qt's image readers: the first image read loads every
// image format plugin installed.

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

namespace {

QImage blank(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawn(QSvgRenderer& renderer, int size) {
    QImage image = blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

QImage tinted(QImage image, QColor color) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}

QImage ringed(QSvgRenderer& renderer, int size) {
    const QImage glyph = drawn(renderer, size);
    const QImage light = tinted(glyph, QColor(0xdc, 0xdc, 0xdc));
    const QImage dark = tinted(glyph, QColor(0x30, 0x30, 0x30));
    QImage image = blank(size);
    QPainter painter(&image);
    for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
        painter.drawImage(offset, dark);
    painter.drawImage(0, 0, light);
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    QTextStream err(stderr);
    const bool tray = argc > 1 && QByteArray(argv[1]) == "--tray";
    char** args = argv + (tray ? 1 : 0);
    if (argc - (tray ? 1 : 0) != 4) {
        err << "usage: render-icon [--tray] <input.svg> <size> <output>\n";
        return 2;
    }
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(args[2]).toInt(&sizeOk);
    if (!sizeOk || size < 1 || size > 1024) {
        err << "render-icon: bad size " << args[2] << "\n";
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(args[1]));
    if (!renderer.isValid()) {
        err << "render-icon: cannot read " << args[1] << "\n";
        return 1;
    }
    const QString output = QString::fromLocal8Bit(args[3]);
    bool written = false;
    if (tray) {
        const QImage image = ringed(renderer, size);
        QFile file(output);
        written = file.open(QIODevice::WriteOnly) &&
                  file.write(reinterpret_cast<const char*>(image.constBits()),
                             image.sizeInBytes()) == image.sizeInBytes();
    } else {
        written = drawn(renderer, size).save(output, "PNG");
    }
    if (!written) {
        err << "render-icon: cannot write " << args[3] << "\n";
        return 1;
    }
    return 0;
}

// Build-time helper: renders an SVG icon into a square PNG of the given size,
// so the fixed-size hicolor icons come from the one scalable drawing.
//
//   render-icon <input.svg> <size> <output.png>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    QTextStream err(stderr);
    if (argc != 4) {
        err << "usage: render-icon <input.svg> <size> <output.png>\n";
        return 2;
    }
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&sizeOk);
    if (!sizeOk || size < 1 || size > 1024) {
        err << "render-icon: bad size " << argv[2] << "\n";
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        err << "render-icon: cannot read " << argv[1] << "\n";
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        err << "render-icon: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}

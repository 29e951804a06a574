#include "platform/common/Symbols.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImageIOPlugin>
#include <QLibraryInfo>
#include <QPainter>
#include <QPluginLoader>
#include <QVersionNumber>
#include <cstdio>
#include <map>
#include <memory>
#include <tuple>

// The resources live in a static library, whose initializer the linker drops
// unless something calls it. (Outside any namespace: the initializer's name is global.)
static void loadSymbolResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(quoblin);
        return true;
    }();
    (void)loaded;
}

namespace {

QString resourcePath(const QString& name) {
    return QStringLiteral(":/symbols/") + name + QStringLiteral(".svg");
}

// The size QIcon asks an engine's scaledPixmap for, in points: Qt counted
// it in device pixels before 6.8, and the icons came out twice too large,
// or half as sharp, on the other side of that change.
QSize pointsAsked(const QSize& size, qreal scale) {
    static const bool inPoints = QLibraryInfo::version() >= QVersionNumber(6, 8);
    return inPoints ? size : size / scale;
}

// Qt's SVG image plugin, loaded by itself when the first drawing is made, so
// that the SVG module is loaded then and not with the program: binding its
// symbols cost every start a million instructions. (An image reader would
// load every image format plugin installed, to ask each whether it reads
// SVG.) Nothing when it is not installed.
QImageIOPlugin* svgPlugin() {
    static QImageIOPlugin* const plugin = []() -> QImageIOPlugin* {
        static QPluginLoader loader(QStringLiteral("imageformats/qsvg"));
        if (auto* found = qobject_cast<QImageIOPlugin*>(loader.instance()))
            return found;
        std::fprintf(stderr, "quoblin: the program's symbols stay blank: %s\n",
                     qPrintable(loader.errorString()));
        return nullptr;
    }();
    return plugin;
}

// The drawing at `path`, `size` points at `ratio` device pixels each, in the
// one colour `tint` when it is valid. Each is drawn once and kept (GUI thread
// only): the tray's menu and every shelf's buttons ask for the same few
// again and again, and parsing the drawing costs more than drawing it.
QPixmap drawn(const QString& path, QColor tint, QSize size, qreal ratio) {
    using Key = std::tuple<QString, bool, QRgb, int, int, qreal>;
    static std::map<Key, QPixmap> made;
    const Key key{path, tint.isValid(), tint.rgba(), size.width(), size.height(), ratio};
    if (const auto it = made.find(key); it != made.end())
        return it->second;
    loadSymbolResources();
    const QSize pixels = size * ratio;
    QImage image;
    QFile file(path);
    QImageIOPlugin* plugin = svgPlugin();
    const std::unique_ptr<QImageIOHandler> reader(
        plugin && file.open(QIODevice::ReadOnly) ? plugin->create(&file, "svg") : nullptr);
    if (reader) {
        reader->setOption(QImageIOHandler::ScaledSize, pixels);
        if (!reader->read(&image))
            image = QImage();
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != pixels) {
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    } else if (tint.isValid()) {
        // Keep the drawing's coverage, replace its colour.
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), tint);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(ratio);
    return made.emplace(key, pixmap).first->second;
}

// A drawing, as it stands or in one colour, at any size and density. Qt's
// own engine for SVG files is a plugin, and finding it reads the metadata of
// every icon engine installed.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(QString path, QColor tint)
        : m_path(std::move(path))
        , m_tint(tint) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const qreal opacity = painter->opacity();
        if (mode == QIcon::Disabled)
            painter->setOpacity(opacity * 0.45);
        painter->drawPixmap(rect, drawn(m_path, m_tint, rect.size(), ratio));
        painter->setOpacity(opacity);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        const QSize points = pointsAsked(size, scale);
        if (mode != QIcon::Disabled)
            return drawn(m_path, m_tint, points, scale);
        QPixmap faded(points * scale);
        faded.setDevicePixelRatio(scale);
        faded.fill(Qt::transparent);
        QPainter painter(&faded);
        paint(&painter, QRect(QPoint(), points), mode, state);
        return faded;
    }

    QIconEngine* clone() const override { return new SymbolEngine(m_path, m_tint); }

private:
    QString m_path;
    QColor m_tint;
};

} // namespace

namespace Symbols {

QIcon icon(const QString& name) {
    loadSymbolResources();
    const QString path = resourcePath(name);
    return QFile::exists(path) ? QIcon(new SymbolEngine(path, QColor())) : QIcon();
}

QIcon appIcon() {
    return QIcon(new SymbolEngine(QStringLiteral(":/app/quoblin.svg"), QColor()));
}

QIcon tintedIcon(const QString& name, QColor color) {
    return QIcon(new SymbolEngine(resourcePath(name), color));
}

} // namespace Symbols

namespace Symbols {

QRectF inkBounds(const QString& name) {
    // Found once per symbol (GUI thread only) from a drawing at eight times
    // the size, so that edges fall within an eighth of a point.
    static QHash<QString, QRectF> found;
    if (const auto it = found.constFind(name); it != found.constEnd())
        return *it;
    constexpr int scale = 8;
    const QImage image = drawn(resourcePath(name), Qt::black, QSize(16, 16), scale).toImage();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 127)
                ink |= QRect(x, y, 1, 1);
    const QRectF bounds = ink.isEmpty()
                              ? QRectF(0, 0, 16, 16)
                              : QRectF(QRectF(ink).topLeft() / scale, QRectF(ink).size() / scale);
    found.insert(name, bounds);
    return bounds;
}

} // namespace Symbols

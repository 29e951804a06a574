#include "platform/common/Symbols.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QPainter>
#include <QSvgRenderer>
#include <QVersionNumber>
#include <map>
#include <memory>

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

// Each drawing is parsed once and kept (GUI thread only): the tray icon and
// every shelf's buttons draw the same few files again and again, and a parse
// costs more than the drawing itself.
QSvgRenderer& rendererAt(const QString& path) {
    static std::map<QString, std::unique_ptr<QSvgRenderer>> parsed;
    std::unique_ptr<QSvgRenderer>& renderer = parsed[path];
    if (!renderer)
        renderer = std::make_unique<QSvgRenderer>(path);
    return *renderer;
}

// The size QIcon asks an engine's scaledPixmap for, in points: Qt counted
// it in device pixels before 6.8, and the icons came out twice too large,
// or half as sharp, on the other side of that change.
QSize pointsAsked(const QSize& size, qreal scale) {
    static const bool inPoints = QLibraryInfo::version() >= QVersionNumber(6, 8);
    return inPoints ? size : size / scale;
}

// The drawing at `path`, `size` points at `ratio` device pixels each, in the
// one colour `tint` when it is valid.
QPixmap drawn(const QString& path, QColor tint, QSize size, qreal ratio) {
    loadSymbolResources();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer& renderer = rendererAt(path);
    if (!renderer.isValid())
        return pixmap;
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(), QSizeF(size)));
    if (tint.isValid()) {
        // Keep the drawing's coverage, replace its colour.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(), QSizeF(size)), tint);
    }
    return pixmap;
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

QPixmap tinted(const QString& name, QColor color, QSize size, qreal ratio) {
    return drawn(resourcePath(name), color, size, ratio);
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
    const QPixmap drawn = tinted(name, Qt::black, QSize(16, 16), scale);
    const QImage image = drawn.toImage();
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

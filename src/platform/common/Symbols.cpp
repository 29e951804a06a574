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

QSvgRenderer& rendererOf(const QString& name) {
    return rendererAt(resourcePath(name));
}

// The size QIcon asks an engine's scaledPixmap for, in points: Qt counted
// it in device pixels before 6.8, and the icons came out twice too large,
// or half as sharp, on the other side of that change.
QSize pointsAsked(const QSize& size, qreal scale) {
    static const bool inPoints = QLibraryInfo::version() >= QVersionNumber(6, 8);
    return inPoints ? size : size / scale;
}

// A drawing as it stands, at any size. Qt's own engine for SVG files is a
// plugin, and finding it reads the metadata of every icon engine installed.
class DrawingEngine final : public QIconEngine {
public:
    explicit DrawingEngine(QString path)
        : m_path(std::move(path)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (mode == QIcon::Disabled)
            painter->setOpacity(painter->opacity() * 0.45);
        rendererAt(m_path).render(painter, rect);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap result(pointsAsked(size, scale) * scale);
        result.fill(Qt::transparent);
        {
            QPainter painter(&result);
            paint(&painter, QRect(QPoint(), result.size()), mode, state);
        }
        result.setDevicePixelRatio(scale);
        return result;
    }

    QIconEngine* clone() const override { return new DrawingEngine(m_path); }

private:
    QString m_path;
};

class TintedEngine final : public QIconEngine {
public:
    TintedEngine(QString name, QColor color)
        : m_name(std::move(name))
        , m_color(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QColor color = m_color;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.45f);
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, Symbols::tinted(m_name, color, rect.size(), ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return result;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap result = Symbols::tinted(m_name, m_color, pointsAsked(size, scale), scale);
        if (mode == QIcon::Disabled) {
            QPixmap faded(result.size());
            faded.setDevicePixelRatio(result.devicePixelRatio());
            faded.fill(Qt::transparent);
            QPainter painter(&faded);
            painter.setOpacity(0.45);
            painter.drawPixmap(0, 0, result);
            return faded;
        }
        (void)state;
        return result;
    }

    QIconEngine* clone() const override { return new TintedEngine(m_name, m_color); }

private:
    QString m_name;
    QColor m_color;
};

} // namespace

namespace Symbols {

QIcon icon(const QString& name) {
    loadSymbolResources();
    const QString path = resourcePath(name);
    return QFile::exists(path) ? QIcon(new DrawingEngine(path)) : QIcon();
}

QIcon appIcon() {
    loadSymbolResources();
    return QIcon(new DrawingEngine(QStringLiteral(":/app/quoblin.svg")));
}

QPixmap tinted(const QString& name, QColor color, QSize size, qreal ratio) {
    loadSymbolResources();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer& renderer = rendererOf(name);
    if (!renderer.isValid())
        return pixmap;
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(), QSizeF(size)));
    // Keep the drawing's coverage, replace its colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(), QSizeF(size)), color);
    return pixmap;
}

QIcon tintedIcon(const QString& name, QColor color) {
    return QIcon(new TintedEngine(name, color));
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

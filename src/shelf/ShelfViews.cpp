#include "shelf/ShelfViews.h"

#include "platform/Pasteboard.h"
#include "platform/PrivateTempDir.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTime>
#include <QUuid>

namespace {

// A decodable image re-encoded as PNG, or nothing.
std::optional<QByteArray> asPng(const QByteArray& data) {
    QImage image;
    if (!image.loadFromData(data) || image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return std::nullopt;
    return png;
}

QString imageFileName() {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QStringLiteral("Image ") + QTime::currentTime().toString(QStringLiteral("HH.mm.ss")) +
           QLatin1Char('-') + id.left(4) + QStringLiteral(".png");
}

std::optional<QString> savePng(const QByteArray& png) {
    const auto folder = ShelfDropView::dropsDirectory();
    if (!folder)
        return std::nullopt;
    const QString path = *folder + QLatin1Char('/') + imageFileName();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(png) != png.size())
        return std::nullopt;
    file.close();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return path;
}

} // namespace

ShelfDropView::ShelfDropView(QWidget* parent)
    : QWidget(parent) {}

std::vector<ShelfItemPtr> ShelfDropView::items(const Pasteboard& from) {
    std::vector<ShelfItemPtr> result;

    const QList<QUrl> files = from.fileUrls();
    if (!files.isEmpty()) {
        for (const QUrl& url : files)
            result.push_back(ShelfItem::makeFile(url));
        return result;
    }

    std::optional<QByteArray> image = from.pngData();
    if (!image)
        image = from.tiffData();
    if (image) {
        if (const auto png = asPng(*image)) {
            // A found image that cannot be saved yields nothing at all, not
            // the text that may come with it.
            if (const auto path = savePng(*png))
                result.push_back(ShelfItem::makeFile(QUrl::fromLocalFile(*path)));
            return result;
        }
    }

    if (const auto text = from.string(); text && !text->isEmpty()) {
        result.push_back(ShelfItem::makeText(*text));
        return result;
    }

    const QList<QUrl> urls = from.urls();
    if (!urls.isEmpty())
        result.push_back(ShelfItem::makeText(urls.first().toString(QUrl::FullyEncoded)));
    return result;
}

std::optional<QString> ShelfDropView::dropsDirectory() {
    return PrivateTempDir::subdirectory(QStringLiteral("ShelfDrops"));
}

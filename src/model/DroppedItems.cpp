#include "model/DroppedItems.h"

#include "platform/MimeContents.h"
#include "platform/files/PrivateTempDir.h"

#include <QFile>
#include <QTime>
#include <QUuid>

namespace DroppedItems {

std::optional<QString> directory() {
    return PrivateTempDir::subdirectory(QStringLiteral("ShelfDrops"));
}

namespace {

QString imageFileName() {
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QStringLiteral("Image ") + QTime::currentTime().toString(QStringLiteral("HH.mm.ss")) +
           QLatin1Char('-') + id.left(4) + QStringLiteral(".png");
}

std::optional<QString> savePng(const QByteArray& png) {
    const auto folder = directory();
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

std::vector<ShelfItemPtr> from(const MimeContents& contents, const ToPng& toPng) {
    std::vector<ShelfItemPtr> result;

    const QList<QUrl> files = contents.fileUrls();
    if (!files.isEmpty()) {
        for (const QUrl& url : files)
            result.push_back(ShelfItem::makeFile(url));
        return result;
    }

    std::optional<QByteArray> image = contents.pngData();
    if (!image)
        image = contents.tiffData();
    if (image) {
        if (const auto png = toPng(*image)) {
            // A found image that cannot be saved yields nothing at all, not
            // the text that may come with it.
            if (const auto path = savePng(*png))
                result.push_back(ShelfItem::makeFile(QUrl::fromLocalFile(*path)));
            return result;
        }
    }

    const auto makeText = contents.isSecret() ? &ShelfItem::makeSecretText : &ShelfItem::makeText;
    if (const auto text = contents.text(); text && !text->isEmpty()) {
        result.push_back(makeText(*text));
        return result;
    }

    const QList<QUrl> urls = contents.urls();
    if (!urls.isEmpty())
        result.push_back(makeText(urls.first().toString(QUrl::FullyEncoded)));
    return result;
}

} // namespace DroppedItems

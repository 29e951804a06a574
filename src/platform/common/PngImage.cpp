#include "platform/common/PngImage.h"

#include <QBuffer>
#include <QImage>

namespace PngImage {

std::optional<QByteArray> from(const QByteArray& data) {
    QImage image;
    if (!image.loadFromData(data) || image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return std::nullopt;
    return png;
}

} // namespace PngImage

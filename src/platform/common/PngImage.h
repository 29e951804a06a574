#pragma once

#include <QByteArray>
#include <optional>

namespace PngImage {

// A decodable image of any format Qt reads, re-encoded as PNG, or nothing.
std::optional<QByteArray> from(const QByteArray& data);

} // namespace PngImage

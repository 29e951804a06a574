#pragma once

#include "model/ShelfItem.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class MimeContents;

// What a shelf receives from a drop or from the clipboard.
namespace DroppedItems {

// An image's data re-encoded as PNG, or nothing when it does not decode; the
// user interface hands in its image codecs.
using ToPng = std::function<std::optional<QByteArray>(const QByteArray&)>;

// The items a shelf should receive, by a fixed priority and never mixed:
// local files (one item each, in order), else an image (PNG before TIFF)
// saved as a PNG file in directory(), else non-empty plain text, else the
// first URL as text. Empty when nothing fits, and also when an image was
// found but could not be saved.
std::vector<ShelfItemPtr> from(const MimeContents& contents, const ToPng& toPng);

// "ShelfDrops" in the program's private temporary folder, created when
// missing; nothing when that folder is refused or cannot be made (the caller
// then writes nothing). Safe from any thread.
std::optional<QString> directory();

} // namespace DroppedItems

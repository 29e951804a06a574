#pragma once

#include "model/ShelfItem.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class Pasteboard;

// The drop target of a shelf. For now only the conversions that need no view.
class ShelfDropView : public QWidget {
    Q_OBJECT

public:
    explicit ShelfDropView(QWidget* parent = nullptr);

    // The items a shelf should receive from a drop or the clipboard, by a fixed
    // priority and never mixed: local files (one item each, in order), else an
    // image (PNG before TIFF) saved as a PNG file in dropsDirectory(), else
    // non-empty plain text, else the first URL as text. Empty when nothing fits,
    // and also when an image was found but could not be saved.
    static std::vector<ShelfItemPtr> items(const Pasteboard& from);

    // "ShelfDrops" in the program's private temporary folder, created when
    // missing; nothing when that folder is refused or cannot be made (the
    // caller then writes nothing). Safe from any thread.
    static std::optional<QString> dropsDirectory();
};

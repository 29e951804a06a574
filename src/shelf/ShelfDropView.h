#pragma once

#include "model/ShelfItem.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class FilePromiseReceiver;
class Pasteboard;

// The whole shelf panel as one drop target: it highlights its border while an
// acceptable drag hovers, turns a drop into items, and refuses every drag that
// starts inside this program.
class ShelfDropView : public QWidget {
    Q_OBJECT

public:
    explicit ShelfDropView(QWidget* parent = nullptr);

    // Receives every batch of dropped items: one batch per ordinary drop, one
    // batch per promise once its files have arrived.
    std::function<void(std::vector<ShelfItemPtr>)> onDrop;
    // Files that other programs only promise; absent when the desktop offers none.
    FilePromiseReceiver* promises = nullptr;

    void setHighlighted(bool highlighted);

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_highlighted = false;
};

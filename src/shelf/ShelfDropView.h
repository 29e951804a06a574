#pragma once

#include "model/ShelfItem.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class FilePromiseReceiver;

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

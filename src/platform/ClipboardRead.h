#pragma once

#include <QMimeData>
#include <memory>

// What a backend read of the clipboard: no data when it could not ask, and
// then the toolkit's clipboard is asked instead. What was left out is said.
struct ClipboardRead {
    std::unique_ptr<QMimeData> data;
    enum class Shortfall { none, tooLarge, tooSlow } shortfall = Shortfall::none;
};

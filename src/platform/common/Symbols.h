#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

// The program's own symbol images ("tray", "pin", "pin.fill",
// "xmark.circle.fill", "link", "text.alignleft", "doc", "folder"), drawn as SVG and compiled in,
// so they stay sharp at any scale.
namespace Symbols {

// The symbol as drawn (black strokes), or an empty icon for an unknown name.
QIcon icon(const QString& name);

// The program's own icon, in colour.
QIcon appIcon();

// Where a symbol's drawing lies inside its 16 by 16 point square: its
// glyph, without the empty margin around it.
QRectF inkBounds(const QString& name);

// An icon that renders the symbol in one colour at any requested size.
QIcon tintedIcon(const QString& name, QColor color);

} // namespace Symbols

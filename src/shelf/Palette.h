#pragma once

#include <QColor>

// The six named colours of a shelf's look, in sRGB with floating-point
// components (not rounded to multiples of 1/255).
namespace Palette {

const QColor& surfaceTint();  // the tint over the card's dark base
const QColor& border();       // the drop target's border at rest
const QColor& borderSubtle(); // the header's separator, the footer buttons' border
const QColor& textMuted();    // the pin and close symbols
const QColor& buttonText();   // the footer buttons' titles
const QColor& buttonFill();   // the footer buttons' fill

} // namespace Palette

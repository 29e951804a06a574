#include "shelf/Palette.h"

namespace Palette {

// Each colour is made once, on first use, and the same object is handed out after.
#define QUOBLIN_COLOUR(name, r, g, b, a)                                                           \
    const QColor& name() {                                                                         \
        static const QColor colour = QColor::fromRgbF(r, g, b, a);                                 \
        return colour;                                                                             \
    }

QUOBLIN_COLOUR(surfaceTint, 0.075f, 0.086f, 0.141f, 0.72f)
QUOBLIN_COLOUR(border, 0.588f, 0.627f, 1.0f, 0.28f)
QUOBLIN_COLOUR(borderSubtle, 0.588f, 0.627f, 1.0f, 0.14f)
QUOBLIN_COLOUR(textMuted, 0.588f, 0.608f, 0.722f, 1.0f)
QUOBLIN_COLOUR(buttonText, 0.788f, 0.808f, 0.894f, 1.0f)
QUOBLIN_COLOUR(buttonFill, 1.0f, 1.0f, 1.0f, 0.04f)

#undef QUOBLIN_COLOUR

} // namespace Palette

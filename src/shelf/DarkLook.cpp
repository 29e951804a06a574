#include "shelf/DarkLook.h"

#include "shelf/Palette.h"

#include <QColor>

namespace DarkLook {

namespace {

QString css(const QColor& colour) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(colour.red())
        .arg(colour.green())
        .arg(colour.blue())
        .arg(colour.alpha());
}

QString popup() {
    return QStringLiteral("background-color: rgb(24, 26, 38); color: %1; border: 1px solid %2;")
        .arg(css(Palette::buttonText()), css(Palette::border()));
}

} // namespace

QString menu() {
    // The highlight stays the desktop's accent colour.
    return QStringLiteral("QMenu { %1 padding: 4px 0; }"
                          "QMenu::item { padding: 4px 18px; background: transparent; }"
                          "QMenu::item:selected { background-color: palette(highlight); "
                          "color: palette(highlighted-text); }"
                          "QMenu::item:disabled { color: %2; }"
                          "QMenu::separator { height: 1px; margin: 4px 8px; background: %3; }")
        .arg(popup(), css(Palette::textMuted()), css(Palette::borderSubtle()));
}

QString toolTip() {
    return QStringLiteral("QToolTip { %1 padding: 3px; }").arg(popup());
}

QString scrollBar() {
    return QStringLiteral("QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
                          "QScrollBar::handle:vertical { background: %1; border-radius: 3px; "
                          "min-height: 24px; margin: 0 1px; }"
                          "QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }"
                          "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
        .arg(css(QColor::fromRgbF(1, 1, 1, 0.25f)));
}

} // namespace DarkLook

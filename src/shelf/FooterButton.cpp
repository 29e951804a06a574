#include "shelf/FooterButton.h"

#include "shelf/Palette.h"

#include <QPainter>
#include <QPainterPath>

FooterButton::FooterButton(QWidget* parent)
    : QAbstractButton(parent) {
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    QFont f = font();
    // 11.5 points of the shelf's geometry, which are logical pixels here.
    f.setPointSizeF(11.5 * 72.0 / 96.0);
    f.setWeight(QFont::DemiBold);
    setFont(f);
}

void FooterButton::setAlpha(qreal alpha) {
    m_alpha = alpha;
    update();
}

QSize FooterButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 16, 30};
}

void FooterButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_alpha);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    QColor fill = Palette::buttonFill();
    if (isDown())
        fill.setAlphaF(fill.alphaF() * 3);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(Palette::borderSubtle(), 1));
    painter.drawPath(shape);
    painter.setPen(Palette::buttonText());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

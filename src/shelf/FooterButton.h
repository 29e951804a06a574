#pragma once

#include <QAbstractButton>

// One of the three equal buttons at the foot of a shelf: a faint rounded fill
// with a subtle border and a small semibold title.
class FooterButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit FooterButton(QWidget* parent = nullptr);

    // How opaque the whole button is drawn: 1 when usable, 0.45 when not.
    void setAlpha(qreal alpha);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_alpha = 1.0;
};

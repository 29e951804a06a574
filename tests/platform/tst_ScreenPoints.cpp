#include "platform/ScreenPoints.h"

#include <QTest>

class ScreenPointsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pointsFlipAroundThePrimaryScreensBottomLeft() {
        const QRectF primary(0, 0, 1920, 1080);
        QCOMPARE(ScreenPoints::fromQtGlobal(QPointF(-300, 1500), primary), QPointF(-300, -420));
        QCOMPARE(ScreenPoints::toQtGlobal(QPointF(-300, -420), primary), QPointF(-300, 1500));
        // A primary screen right of and below another one.
        const QRectF offset(1280, 200, 1024, 768);
        QCOMPARE(ScreenPoints::fromQtGlobal(QPointF(1280, 968), offset), QPointF(1280, 0));
    }
};

QTEST_GUILESS_MAIN(ScreenPointsTest)
#include "tst_ScreenPoints.moc"

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

    void rectanglesKeepTheirSizeAndSwapTheirVerticalEdges() {
        const QRectF primary(0, 0, 1920, 1080);
        const QRectF qt(100, 50, 280, 360); // top edge 50, bottom edge 410
        const QRectF points = ScreenPoints::rectFromQtGlobal(qt, primary);
        QCOMPARE(points, QRectF(100, 670, 280, 360)); // bottom edge at 1080 - 410
        QCOMPARE(ScreenPoints::rectToQtGlobal(points, primary), qt);
    }
};

QTEST_GUILESS_MAIN(ScreenPointsTest)
#include "tst_ScreenPoints.moc"

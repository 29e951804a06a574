// desktop-options: --screens 1280x800,1024x768
#include "TestEnvironment.h"
#include "model/ShelfManager.h"
#include "platform/ScreenPoints.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

namespace {

// A screen's visible area in screen points.
QRectF visibleArea(const QScreen* screen) {
    return ScreenPoints::rectFromQtGlobal(QRectF(screen->availableGeometry()));
}

// Waits until the window manager has settled the panel where it was asked to be.
QRectF settledFrame(ShelfController* shelf) {
    if (!QTest::qWaitForWindowExposed(shelf->panel()))
        return {};
    QTest::qWait(100);
    return shelf->panel()->frame();
}

} // namespace

class TwoScreens : public QObject {
    Q_OBJECT

    ScopedPreferences m_prefs;
    QScreen* m_primary = nullptr;
    QScreen* m_second = nullptr;

private slots:
    void initTestCase() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        m_primary = QGuiApplication::primaryScreen();
        m_second = screens[0] == m_primary ? screens[1] : screens[0];
        QCOMPARE(m_primary->geometry(), QRect(0, 0, 1280, 800));
        QCOMPARE(m_second->geometry(), QRect(1280, 0, 1024, 768));
        // The second screen's bottom is 32 points above the primary's.
        QCOMPARE(visibleArea(m_second).y(), 32.0);
    }

    void shelvesOpenOnTheScreenUnderThePointClampedInsideIt_data() {
        QTest::addColumn<bool>("onSecond");
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("edge");
        QTest::newRow("primary, near its right edge beside the second")
            << false << QPointF(1275, 400) << QStringLiteral("right");
        QTest::newRow("second, near its bottom") << true << QPointF(1500, 40) << "bottom";
        QTest::newRow("second, free") << true << QPointF(1600, 400) << "";
    }

    void shelvesOpenOnTheScreenUnderThePointClampedInsideIt() {
        QFETCH(bool, onSecond);
        QFETCH(QPointF, point);
        QFETCH(QString, edge);
        const QRectF area = visibleArea(onSecond ? m_second : m_primary);
        QVERIFY(area.contains(point));

        ShelfManager manager;
        ShelfController* shelf = manager.newShelf(point);
        const QRectF frame = settledFrame(shelf);
        QCOMPARE(frame.size(), QSizeF(280, 360));
        QVERIFY(area.adjusted(8, 8, -8, -8).contains(frame));
        QCOMPARE(shelf->panel()->screen(), onSecond ? m_second : m_primary);
        if (edge == QLatin1String("right"))
            QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - 8);
        else if (edge == QLatin1String("bottom"))
            QCOMPARE(frame.y(), area.y() + 8);
        else
            QCOMPARE(frame.topLeft(), QPointF(point.x() + 16, point.y() - 180));
        shelf->close();
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TwoScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_TwoScreens.moc"

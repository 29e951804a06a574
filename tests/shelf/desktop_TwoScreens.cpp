// desktop-options: --screens 1024x768,1280x1024
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "model/ShelfManager.h"
#include "platform/ScreenPoints.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

class TwoScreens : public QObject {
    Q_OBJECT

    ScopedPreferences m_prefs;

private slots:
    void shelvesOpenOnTheScreenUnderThePointClampedInsideIt_data() {
        QTest::addColumn<bool>("onSecond");
        QTest::addColumn<QPointF>("point");
        QTest::newRow("primary, near its right edge beside the second")
            << false << QPointF(1019, 400);
        // The taller second screen reaches 256 points below the primary's bottom.
        QTest::newRow("second, near its bottom") << true << QPointF(1500, -250);
    }

    void shelvesOpenOnTheScreenUnderThePointClampedInsideIt() {
        QFETCH(bool, onSecond);
        QFETCH(QPointF, point);
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        QScreen* primary = QGuiApplication::primaryScreen();
        QScreen* screen = onSecond ? screens[screens[0] == primary ? 1 : 0] : primary;
        const QRectF area = ScreenPoints::rectFromQtGlobal(QRectF(screen->availableGeometry()));
        QVERIFY(area.contains(point));

        DesktopServices desktop;
        ShelfManager manager(desktop.shelfServices());
        ShelfController* shelf = manager.newShelf(point);
        QVERIFY(QTest::qWaitForWindowExposed(shelf->panel()));
        QTest::qWait(100); // the window manager may still move it
        const QRectF frame = shelf->panel()->frame();
        QCOMPARE(shelf->panel()->screen(), screen);
        if (onSecond)
            QCOMPARE(frame.y(), area.y() + 8);
        else
            QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - 8);
        QVERIFY(area.adjusted(8, 8, -8, -8).contains(frame));
        shelf->close();
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TwoScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_TwoScreens.moc"

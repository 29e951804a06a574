// desktop-options: --screens 1024x768,1280x1024
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
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
    // The placement rules have their unit table; this shows the real screens
    // reaching them, negative screen points included.
    void aShelfNearTheBottomOfTheTallerSecondScreenStaysInsideIt() {
        const QList<QScreen*> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        QScreen* screen = screens[screens[0] == QGuiApplication::primaryScreen() ? 1 : 0];
        const QRectF area = ScreenPoints::rectFromQtGlobal(QRectF(screen->availableGeometry()));
        // The second screen reaches 256 points below the primary's bottom.
        const QPointF point(1500, -250);
        QVERIFY(area.contains(point));

        DesktopServices desktop;
        ShelfController shelf({}, desktop.timers(), nullptr, desktop.windowHints());
        shelf.show(point);
        QVERIFY(QTest::qWaitForWindowExposed(shelf.panel()));
        QTest::qWait(100); // the window manager may still move it
        const QRectF frame = shelf.panel()->frame();
        QCOMPARE(shelf.panel()->screen(), screen);
        QCOMPARE(frame.y(), area.y() + 8);
        QVERIFY(area.adjusted(8, 8, -8, -8).contains(frame));
        shelf.close();
    }
};

QTEST_MAIN(TwoScreens)
#include "desktop_TwoScreens.moc"

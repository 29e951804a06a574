// desktop-options:
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "platform/LocalPressMonitor.h"
#include "platform/Timers.h"
#include "platform/x11/GlobalPressMonitor.h"
#include "platform/x11/SystemDragPasteboard.h"
#include "platform/x11/SystemPointer.h"
#include "platform/x11/X11Connection.h"
#include "shake/ShakeDetector.h"

#include <QApplication>
#include <QTemporaryFile>
#include <QTest>

using DesktopDriver::xdotool;

class ShakeOverDragTest : public QObject {
    Q_OBJECT

    std::unique_ptr<X11Connection> m_x11 = X11Connection::open();
    SystemTimers m_timers;
    GlobalPressMonitor m_global{m_x11.get()};
    LocalPressMonitor m_local;
    SystemPointer m_pointer{m_x11.get()};
    std::unique_ptr<SystemDragPasteboard> m_drag;
    QTemporaryFile m_file;

    // Shakes with the button held starting at `at`, releases, and gives the shakes reported.
    QList<QPointF> shakesOfAPressAndShakeAt(QPoint at) {
        ScopedPreferences prefs;
        ShakeDetector detector({&m_global, &m_local, &m_pointer, m_drag.get(), &m_timers});
        QList<QPointF> shakes;
        detector.onShake = [&](QPointF p) { shakes.append(p); };
        detector.start();
        if (!xdotool(DesktopDriver::pressAndShake(at, 60)) || !detector.isSampling() ||
            !xdotool({"mouseup", "1", "sleep", "0.2"}) ||
            !QTest::qWaitFor([&] { return !detector.isSampling(); }))
            return {QPointF(-1, -1)}; // a point no shake reports: the run itself failed
        return shakes;
    }

private Q_SLOTS:
    void initTestCase() {
        m_drag = std::make_unique<SystemDragPasteboard>(m_x11.get());
        QVERIFY2(m_drag->isWatching(), "the X server offers no XFixes");
        QVERIFY(m_file.open());
    }

    void shakingWhileDraggingAFileReportsOneShakeAtTheCursor() {
        DesktopDriver::Tool source(QStringLiteral("drag_source"), {m_file.fileName()});
        const QPoint centre = source.waitForReady();
        const QList<QPointF> shakes = shakesOfAPressAndShakeAt(centre);
        QVERIFY(!source.waitForLine(QStringLiteral("DRAG ")).isEmpty());
        QCOMPARE(shakes.size(), 1);
        // Screen points: the primary screen is 1080 high, y grows upwards.
        QCOMPARE(shakes[0].y(), 1080.0 - centre.y());
        QVERIFY(QList<double>({centre.x() + 25.0, centre.x() + 85.0}).contains(shakes[0].x()));
    }

    void zigZagWithTheButtonHeldButNoDragReportsNothing() {
        // The bare desktop: pressing there starts no drag.
        QCOMPARE(shakesOfAPressAndShakeAt(QPoint(400, 700)).size(), 0);
    }
};

QTEST_MAIN(ShakeOverDragTest)
#include "desktop_ShakeOverDrag.moc"

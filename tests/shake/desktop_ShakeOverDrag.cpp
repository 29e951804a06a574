// desktop-options:
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "platform/GlobalPressMonitor.h"
#include "platform/LocalPressMonitor.h"
#include "platform/ScreenPoints.h"
#include "platform/SystemDragPasteboard.h"
#include "platform/SystemPointer.h"
#include "platform/Timers.h"
#include "shake/ShakeDetector.h"

#include <QApplication>
#include <QTemporaryFile>
#include <QTest>

using DesktopDriver::Tool;
using DesktopDriver::xdotool;

namespace {

QString num(int v) {
    return QString::number(v);
}

QStringList release() {
    return {QStringLiteral("mouseup"), QStringLiteral("1"), QStringLiteral("sleep"),
            QStringLiteral("0.2")};
}

} // namespace

class ShakeOverDragTest : public QObject {
    Q_OBJECT

    GlobalPressMonitor m_global;
    LocalPressMonitor m_local;
    SystemPointer m_pointer;
    std::unique_ptr<SystemDragPasteboard> m_drag;
    QTemporaryFile m_file;

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_drag = std::make_unique<SystemDragPasteboard>();
        QVERIFY2(m_drag->isWatching(), "the X server offers no XFixes");
        QVERIFY(m_file.open());
    }

    void pressInAnotherClientsWindowIsSeen() {
        Tool source(QStringLiteral("drag_source"), {m_file.fileName()});
        const QPoint centre = source.waitForReady();
        QVERIFY(centre.x() > 0);
        int presses = 0;
        auto token = m_global.addLeftPressMonitor([&] { ++presses; });
        QVERIFY2(token, "XInput 2.1 raw presses are not available");
        QVERIFY(xdotool({QStringLiteral("mousemove"), num(centre.x()), num(centre.y()),
                         QStringLiteral("sleep"), QStringLiteral("0.1"), QStringLiteral("click"),
                         QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.1"),
                         QStringLiteral("click"), QStringLiteral("3")}));
        QTRY_COMPARE(presses, 1); // the right click is no left press
        token.reset();
        QVERIFY(xdotool({QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("sleep"),
                         QStringLiteral("0.2")}));
        QCOMPARE(presses, 1); // removed monitors report nothing
    }

    void shakingWhileDraggingAFileReportsOneShakeAtTheCursor() {
        ScopedPreferences prefs;
        Tool source(QStringLiteral("drag_source"), {m_file.fileName()});
        const QPoint centre = source.waitForReady();
        QVERIFY(centre.x() > 0);

        ShakeDetector detector(
            {&m_global, &m_local, &m_pointer, m_drag.get(), &SystemTimers::instance()});
        QList<QPointF> shakes;
        QList<QPointF> cursorAtShake;
        detector.onShake = [&](QPointF p) {
            shakes.append(p);
            cursorAtShake.append(m_pointer.position());
        };
        detector.start();

        const long before = m_drag->changeCount();
        QVERIFY(xdotool(DesktopDriver::pressAndShake(centre, 60)));
        QVERIFY(detector.isSampling());
        QVERIFY(m_drag->changeCount() > before); // the drag did start
        QVERIFY(xdotool(release()));
        QCOMPARE(source.waitForLine(QStringLiteral("DRAG ")).isEmpty(), false);
        QTRY_VERIFY(!detector.isSampling());

        QCOMPARE(shakes.size(), 1);
        // Screen points: the primary screen is 1080 high, y grows upwards.
        QCOMPARE(shakes[0].y(), 1080.0 - centre.y());
        const QList<double> legXs{double(centre.x() + 25), double(centre.x() + 85)};
        QVERIFY2(legXs.contains(shakes[0].x()), qPrintable(QString::number(shakes[0].x())));
        QCOMPARE(shakes[0], cursorAtShake[0]);
    }

    void zigZagWithTheButtonHeldButNoDragReportsNothing() {
        ScopedPreferences prefs;
        ShakeDetector detector(
            {&m_global, &m_local, &m_pointer, m_drag.get(), &SystemTimers::instance()});
        int shakes = 0;
        detector.onShake = [&](QPointF) { ++shakes; };
        detector.start();
        // The bare desktop: pressing there starts no drag.
        QVERIFY(xdotool(DesktopDriver::pressAndShake(QPoint(400, 700), 60)));
        QVERIFY(detector.isSampling());
        QVERIFY(xdotool(release()));
        QTRY_VERIFY(!detector.isSampling());
        QCOMPARE(shakes, 0);
    }
};

QTEST_MAIN(ShakeOverDragTest)
#include "desktop_ShakeOverDrag.moc"

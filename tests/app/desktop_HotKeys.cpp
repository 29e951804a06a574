// Global hot keys on a real X server, pressed with xdotool.
#include "app/HotKey.h"
#include "platform/x11/GlobalKeyGrabs.h"
#include "platform/x11/X11Connection.h"

#include "DesktopDriver.h"

#include <QTest>

namespace {

constexpr uint32_t controlOption = 6144;

bool press(const QString& keys) {
    return DesktopDriver::xdotool(
        {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys}, 10000);
}

} // namespace

class DesktopHotKeysTest : public QObject {
    Q_OBJECT

    QList<int> counts{0, 0, 0}; // N, V, S
    std::unique_ptr<X11Connection> x11 = X11Connection::open();
    GlobalKeyGrabs keys{x11.get()};
    std::unique_ptr<HotKey> n, v, s;

    std::unique_ptr<HotKey> makeKey(uint32_t keyCode, int index) {
        return std::make_unique<HotKey>(keys, keyCode, controlOption,
                                        [this, index] { ++counts[index]; });
    }

private Q_SLOTS:
    void initTestCase() {
        n = makeKey(45, 0);
        v = makeKey(9, 1);
        s = makeKey(1, 2);
        QVERIFY(n->isRegistered() && v->isRegistered() && s->isRegistered());
        // The first xdotool key on a fresh server changes the key mapping,
        // which the grabs must survive.
        QVERIFY(press(QStringLiteral("shift")));
    }

    // Caps Lock on, both on, Num Lock on, neither. Which action each
    // combination runs is the unit test's; this is the server's part.
    void capsLockOrNumLockOnDoesNotBreakThem() {
        QList<int> expected = counts;
        for (const char* lock : {"Caps_Lock", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
            QVERIFY(press(QString::fromLatin1(lock)));
            ++expected[0];
            QVERIFY(press(QStringLiteral("ctrl+alt+n")));
            QTRY_COMPARE(counts, expected);
        }
    }

    void aCombinationAnotherClientHoldsFailsSilentlyWhileTheOthersWork() {
        v.reset();
        // A second connection is another client to the server.
        const auto otherClient = X11Connection::open();
        GlobalKeyGrabs otherKeys(otherClient.get());
        int held = 0;
        const auto holder = otherKeys.grabKey({55, 12}, [&] { ++held; });
        QVERIFY(holder);

        int taken = 0;
        HotKey refused(keys, 9, controlOption, [&] { ++taken; });
        QVERIFY(!refused.isRegistered());
        QList<int> expected = counts;
        QVERIFY(press(QStringLiteral("ctrl+alt+v")));
        QTRY_COMPARE(held, 1);
        // X delivers events in order: once a later S has arrived, an earlier
        // V that was going to reach us has done so.
        ++expected[2];
        QVERIFY(press(QStringLiteral("ctrl+alt+s")));
        QTRY_COMPARE(counts, expected);
        QCOMPARE(taken, 0);
    }
};

QTEST_MAIN(DesktopHotKeysTest)
#include "desktop_HotKeys.moc"

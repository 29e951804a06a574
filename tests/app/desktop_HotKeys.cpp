// Global hot keys on a real X server, pressed with xdotool.
#include "app/HotKey.h"

#include "DesktopDriver.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <memory>

namespace {

constexpr uint32_t controlOption = 6144;

struct Counts {
    int n = 0;
    int v = 0;
    int s = 0;
    friend bool operator==(const Counts&, const Counts&) = default;
};

bool press(const QString& keys) {
    return DesktopDriver::xdotool(
        {QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30"), keys}, 10000);
}

} // namespace

namespace QTest {
template <> char* toString(const Counts& c) {
    return qstrdup(QStringLiteral("n=%1 v=%2 s=%3").arg(c.n).arg(c.v).arg(c.s).toUtf8());
}
} // namespace QTest

class DesktopHotKeysTest : public QObject {
    Q_OBJECT

    // X delivers our events in order: once a later control+option+S has
    // arrived, an earlier press that was going to arrive has done so.
    void settleWithS(Counts expected) {
        ++expected.s;
        QVERIFY(press(QStringLiteral("ctrl+alt+s")));
        QTRY_COMPARE(counts, expected);
    }

    std::unique_ptr<HotKey> makeKey(uint32_t keyCode, int Counts::*field) {
        return std::make_unique<HotKey>(keyCode, controlOption, [this, field] {
            QCOMPARE(QThread::currentThread(), qApp->thread());
            ++(counts.*field);
        });
    }

    Counts counts;
    std::unique_ptr<HotKey> n, v, s;

private Q_SLOTS:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        n = makeKey(45, &Counts::n);
        v = makeKey(9, &Counts::v);
        s = makeKey(1, &Counts::s);
        QVERIFY(n->isRegistered() && v->isRegistered() && s->isRegistered());
        // The first xdotool key on a fresh server changes the key mapping,
        // which the grabs must survive.
        QVERIFY(press(QStringLiteral("shift")));
    }

    void eachCombinationRunsOnlyItsOwnAction() {
        QVERIFY(press(QStringLiteral("ctrl+alt+n")));
        QTRY_COMPARE(counts, (Counts{1, 0, 0}));
        QVERIFY(press(QStringLiteral("ctrl+alt+v")));
        QTRY_COMPARE(counts, (Counts{1, 1, 0}));
        QVERIFY(press(QStringLiteral("ctrl+alt+s")));
        QTRY_COMPARE(counts, (Counts{1, 1, 1}));
    }

    void anotherModifierHeldTriggersNothing() {
        const Counts before = counts;
        for (const char* keys : {"ctrl+alt+shift+n", "ctrl+alt+super+v", "ctrl+n", "alt+v", "n"})
            QVERIFY(press(QString::fromLatin1(keys)));
        settleWithS(before);
    }

    // Caps Lock on, both on, Num Lock on, neither.
    void capsLockOrNumLockOnDoesNotBreakThem() {
        Counts expected = counts;
        for (const char* lock : {"Caps_Lock", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
            QVERIFY(press(QString::fromLatin1(lock)));
            ++expected.n;
            QVERIFY(press(QStringLiteral("ctrl+alt+n")));
            QTRY_COMPARE(counts, expected);
        }
    }

    void aDestroyedHotKeyRunsNothing() {
        v.reset();
        const Counts before = counts;
        QVERIFY(press(QStringLiteral("ctrl+alt+v")));
        settleWithS(before);
    }

    void aCombinationAnotherClientHoldsFailsSilentlyWhileTheOthersWork() {
        QProcess holder;
        holder.start(qEnvironmentVariable("QUOBLIN_TEST_TOOLS") + QStringLiteral("/grab_key"),
                     {QStringLiteral("55"), QStringLiteral("12")});
        QByteArray output;
        auto readHolder = [&] { return output += holder.readAllStandardOutput(); };
        QTRY_VERIFY_WITH_TIMEOUT(readHolder().contains("grabbed\n"), 10000);

        int taken = 0;
        HotKey refused(9, controlOption, [&] { ++taken; });
        QVERIFY(!refused.isRegistered());
        QVERIFY(press(QStringLiteral("ctrl+alt+v")));
        QTRY_VERIFY_WITH_TIMEOUT(readHolder().contains("pressed\n"), 10000);
        settleWithS(counts);
        QCOMPARE(taken, 0);

        holder.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(holder.state() == QProcess::NotRunning, 10000);
    }

    void cleanupTestCase() {
        n.reset();
        s.reset();
    }
};

QTEST_MAIN(DesktopHotKeysTest)
#include "desktop_HotKeys.moc"

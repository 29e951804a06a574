#include "platform/kde/KWinRules.h"
#include "platform/kde/KdeKeyGrabs.h"

#include <QtTest>

using namespace std::chrono_literals;

class KdeBackendTest : public QObject {
    Q_OBJECT

    // A user's own rules as KWin writes them, and odder spacing as a hand might.
    const QByteArray userRules = "[General]\ncount=2\nrules=3f0c,b2e1\n\n"
                                 "[3f0c]\nDescription=Editor on screen 2\nscreen=1\n"
                                 "screenrule=3\nwmclass=kate\n\n"
                                 "[b2e1]\n Description = Terminal  \n# a comment\nabove=true\n";

private Q_SLOTS:
    void theUsersRulesStayByteForByteAroundOurs() {
        const QByteArray with = KWinRules::withRule(userRules);
        QVERIFY(with.contains("[General]\ncount=3\nrules=3f0c,b2e1,quoblin-shelves\n"));
        QVERIFY(with.contains(userRules.mid(userRules.indexOf("[3f0c]"))));
        QVERIFY(with.contains("\n[quoblin-shelves]\n") && with.contains("acceptfocusrule=2\n"));
        QCOMPARE(KWinRules::withRule(with), with);
        QCOMPARE(KWinRules::withoutRule(with), userRules);
        // A file from before the list: its numbered groups join it.
        QVERIFY(KWinRules::withRule("[General]\ncount=1\n\n[1]\nx=y\n")
                    .contains("rules=1,quoblin-shelves\n"));
        QCOMPARE(KWinRules::withoutRule(userRules), userRules);
    }

    void aHeldKeyActsOncePerPress() {
        PressRepeatFilter filter;
        const auto t = PressRepeatFilter::Clock::now();
        QVERIFY(filter.pressed(t));
        // KWin's repeats of a held key: after about 660 ms, then every 40 ms.
        for (auto repeat = 660ms; repeat < 2s; repeat += 40ms)
            QVERIFY(!filter.pressed(t + repeat));
        filter.released();
        QVERIFY(filter.pressed(t + 2s));
        // Where no release is told, a press after a pause is a new one.
        QVERIFY(filter.pressed(t + 3s));
        QVERIFY(!filter.pressed(t + 3s + 40ms));
    }
};

QTEST_MAIN(KdeBackendTest)
#include "tst_KdeBackend.moc"

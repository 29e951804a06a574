// The whole program on Plasma on Wayland in a private headless KWin (with-kwin):
// a native Wayland drag source (tests/tools) and the fake-input client for hands.
#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

// Another program's rule, spaced and commented by hand, which must come through the
// program's own untouched, byte for byte; it also puts the drag source where the test presses.
static const QByteArray userRules = "[General]\ncount=1\nrules=a1b2\n\n[a1b2]\n"
                                    " Description = Drag source  \n# placed by hand\n"
                                    "position=100,100\npositionrule=2\nwmclass=drag_source\n"
                                    "wmclassmatch=1\n";

class KWinWholeProgramTest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Probe")
    QProcess m_quoblin, m_source, m_fakeInput;
    QByteArray m_errors;
    QStringList m_windows;
    int m_answers = 0;
    bool m_keyShared = false;
    QTemporaryDir m_dir;
    const QString m_rules = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/kwinrulesrc"_s;
    QDBusInterface m_kwin{u"org.kde.KWin"_s, u"/Scripting"_s, u"org.kde.kwin.Scripting"_s};
    QDBusInterface m_effects{u"org.kde.KWin"_s, u"/Effects"_s, u"org.kde.kwin.Effects"_s};

    void drive(const QString& commands) {
        m_fakeInput.write((commands + u"sync\n"_s).toUtf8());
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer += m_fakeInput.readAllStandardOutput()).contains("ok"),
                                 30000);
    }
    // A press on the drag source and the motion that starts its drag.
    const QString startDrag = u"move 250 200\nwait 300\npress 272\nwait 300\nmove 255 205\n"
                              "wait 100\nmove 300 260\nwait 300\n"_s;
    // Back and forth around (x, y), 60 points wide, 10 points every 15 ms.
    static QString zigZag(int x, int y, int legs) {
        QString out;
        for (int step = 0; step < legs * 7; ++step)
            out += u"move %1 %2\nwait 15\n"_s
                       .arg(x + (step / 7 % 2 ? 60 - step % 7 * 10 : step % 7 * 10))
                       .arg(y);
        return out;
    }
    // Every window KWin shows: caption|x|y|width|height|above|on all desktops|active.
    QStringList windows() {
        QFile script(m_dir.filePath(u"probe.js"_s));
        if (!script.open(QIODevice::WriteOnly))
            return {u"?"_s};
        script.write(
            R"(var ws = workspace.windowList ? workspace.windowList() : workspace.clientList();
            var active = workspace.activeWindow || workspace.activeClient;
            callDBus("io.github.quoblin.Test", "/probe", "io.github.quoblin.Probe", "Windows",
                ws.map(function (w) { var g = w.frameGeometry; return [w.caption, g.x, g.y,
                g.width, g.height, w.keepAbove, w.onAllDesktops, w === active].join("|"); }).join("\n"));)");
        script.close();
        const int before = m_answers;
        m_kwin.call(u"unloadScript"_s, u"probe"_s);
        m_kwin.call(u"loadScript"_s, script.fileName(), u"probe"_s);
        m_kwin.call(u"start"_s);
        return QTest::qWaitFor([&] { return m_answers > before; }) ? m_windows
                                                                   : QStringList{u"?"_s};
    }
    QStringList shelves() { return windows().filter(QRegularExpression(u"^Shelf #"_s)); }
    bool effect(const QString& method) {
        return m_effects.call(method, u"quoblindragcheck"_s).arguments() == QVariantList{true};
    }
    bool scriptLoaded() {
        return m_kwin.call(u"isScriptLoaded"_s, u"quoblin"_s).arguments() == QVariantList{true};
    }

public Q_SLOTS:
    void Windows(const QString& found) {
        m_windows = found.split(u'\n', Qt::SkipEmptyParts);
        ++m_answers;
    }

private Q_SLOTS:
    void initTestCase() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/probe"_s, this, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"io.github.quoblin.Test"_s));
        QFile rules(m_rules);
        QVERIFY(rules.open(QIODevice::WriteOnly) && rules.write(userRules) == userRules.size());
        rules.close();
        QDBusInterface(u"org.kde.KWin"_s, u"/KWin"_s, u"org.kde.KWin"_s).call(u"reconfigure"_s);
        // Another program holds Ctrl+Alt+S. Plain messages: KWin 6 describes
        // this interface with key-sequence types a program without QtGui cannot build.
        const auto accel = [](const QString& method, const QVariantList& arguments) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                u"org.kde.kglobalaccel"_s, u"/kglobalaccel"_s, u"org.kde.KGlobalAccel"_s, method);
            call.setArguments(arguments);
            return QDBusConnection::sessionBus().call(call);
        };
        const QList<int> keys{(Qt::CTRL | Qt::ALT | Qt::Key_S).toCombined()};
        // Registers a component holding Ctrl+Alt+S; the keys KWin leaves it.
        const auto hold = [&](const QString& name) {
            const QStringList id{name, u"grab"_s, name, u"Grab"_s};
            QDBusMessage answer = accel(u"doRegister"_s, {id});
            for (const uint flags : {3u, 6u})
                if (answer.type() != QDBusMessage::ErrorMessage)
                    answer = accel(u"setShortcut"_s, {id, QVariant::fromValue(keys), flags});
            return answer.type() == QDBusMessage::ReplyMessage
                       ? std::optional(qdbus_cast<QList<int>>(answer.arguments().value(0)))
                       : std::nullopt;
        };
        QVERIFY(hold(u"other"_s));
        const std::optional<QList<int>> given = hold(u"probe"_s);
        QVERIFY(given);
        accel(u"unregister"_s, {u"probe"_s, u"grab"_s});
        // KWin 6.7 gives a second program a key another one holds; earlier ones refuse it.
        m_keyShared = *given == keys;

        m_fakeInput.start(qEnvironmentVariable("QUOBLIN_FAKE_INPUT"), {});
        QProcessEnvironment wayland = QProcessEnvironment::systemEnvironment();
        wayland.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        m_source.setProcessEnvironment(wayland);
        m_source.start(qEnvironmentVariable("QUOBLIN_TEST_TOOLS") + u"/drag_source"_s, {m_rules});
        QByteArray ready;
        QTRY_VERIFY_WITH_TIMEOUT((ready += m_source.readAllStandardOutput()).contains("READY"),
                                 30000);
        // Whether to be a native Wayland client is the program's own choice here.
        wayland.remove(u"QT_QPA_PLATFORM"_s);
        m_quoblin.setProcessEnvironment(wayland);
        m_quoblin.start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        QTRY_VERIFY_WITH_TIMEOUT(scriptLoaded(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_errors += m_quoblin.readAllStandardError()).contains("Meanwhile"), 60000);
        // Ctrl+Alt+S, held by another program, is reported as not working where KWin
        // refuses it to the program.
        QVERIFY2(m_errors.contains(m_keyShared
                                       ? "Meanwhile Ctrl+Alt+N, Ctrl+Alt+V, Ctrl+Alt+S work."
                                       : "Meanwhile Ctrl+Alt+N, Ctrl+Alt+V work."),
                 m_errors.constData());
    }

    void cleanupTestCase() {
        m_quoblin.terminate();
        QVERIFY(m_quoblin.waitForFinished(30000) && m_quoblin.exitCode() == 0);
        QVERIFY(!scriptLoaded());
        QFile rules(m_rules);
        QVERIFY(rules.open(QIODevice::ReadOnly));
        QCOMPARE(rules.readAll(), userRules);
        m_fakeInput.closeWriteChannel();
    }

    void aZigZagWithoutADragOpensNothingWithOrWithoutTheEffect() {
        QVERIFY(effect(u"isEffectLoaded"_s));
        for (const QString& step : {u"unloadEffect"_s, u"loadEffect"_s}) {
            drive(u"move 600 400\n"_s + zigZag(600, 400, 16));
            QTest::qWait(2000);
            QCOMPARE(shelves(), QStringList{});
            effect(step); // loading may wait for KWin's next turn
            QTRY_COMPARE(effect(u"isEffectLoaded"_s), step == u"loadEffect"_s);
        }
    }

    void aShakenDragOpensOneShelfAboveAndTheDropLands() {
        drive(startDrag + zigZag(600, 400, 16) + u"wait 500\n"_s + zigZag(600, 400, 4));
        QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), 1, 20000);
        QTest::qWait(1000);
        const QStringList shelf = shelves().value(0).split(u'|');
        QCOMPARE(shelves().size(), 1);
        // Above, on all desktops, and the focus still with the drag source.
        QCOMPARE(shelf.mid(5), (QStringList{u"true"_s, u"true"_s, u"false"_s}));
        const QStringList active = windows().filter(QRegularExpression(u"\\|true$"_s));
        QVERIFY2(active.size() == 1 && active[0].startsWith(u"drag_source"_s),
                 qPrintable(active.join(u' ')));
        const QRect frame(shelf[1].toInt(), shelf[2].toInt(), shelf[3].toInt(), shelf[4].toInt());
        QVERIFY2(QRect(200, 0, 800, 800).contains(frame), qPrintable(shelf.join(u' ')));
        const QPoint c = frame.center();
        drive(u"move %1 %2\nwait 200\nmove %3 %2\nwait 300\nrelease 272\n"_s.arg(c.x() - 5)
                  .arg(c.y())
                  .arg(c.x()));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += m_source.readAllStandardOutput()).contains("DRAG"),
                                 20000);
        QVERIFY2(!said.contains("DRAG 0"), said.constData()); // the shelf took it
    }

    void aShelfMovedByHandShowsAgainWhereItWasLeft() {
        const QStringList shelf = shelves().value(0).split(u'|');
        QVERIFY2(shelf.size() == 8, qPrintable(shelf.join(u' ')));
        const QPoint at(shelf[1].toInt(), shelf[2].toInt()), by(120, 90);
        // Meta and a drag: KWin's own move, from anywhere in a window.
        drive(u"move %1 %2\nkeydown 125\nwait 100\npress 272\nwait 100\nmove %3 %4\nwait 100\n"
              "move %5 %6\nwait 200\nrelease 272\nkeyup 125\nwait 300\n"_s.arg(at.x() + 40)
                  .arg(at.y() + 40)
                  .arg(at.x() + 40 + by.x() / 2)
                  .arg(at.y() + 40 + by.y() / 2)
                  .arg(at.x() + 40 + by.x())
                  .arg(at.y() + 40 + by.y()));
        const QString moved = u"%1|%2"_s.arg(at.x() + by.x()).arg(at.y() + by.y());
        QTRY_COMPARE_WITH_TIMEOUT(shelves().value(0).section(u'|', 1, 2), moved, 10000);
        QProcess toggle; // a second start hands its command to the running one
        toggle.setProcessEnvironment(m_quoblin.processEnvironment());
        for (const int shown : {0, 1}) {
            toggle.start(qEnvironmentVariable("QUOBLIN_BINARY"), {u"--toggle-shelves"_s});
            QVERIFY(toggle.waitForFinished(30000) && toggle.exitCode() == 0);
            QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), qsizetype(shown), 10000);
        }
        QCOMPARE(shelves().value(0).section(u'|', 1, 2), moved);
    }

    // Two drags of the very same items, shaken once each, open a shelf each; the
    // second, shaken again elsewhere, no other one. Left empty, they close by themselves.
    void eachDragOpensOneShelfWhateverItCarries() {
        const auto newest = [this] {
            int most = 0;
            for (const QString& shelf : shelves())
                most = std::max(most, shelf.section(u'|', 0, 0).mid(7).toInt());
            return most;
        };
        const qsizetype open = shelves().size();
        const int before = newest();
        for (const int drag : {1, 2}) {
            drive(startDrag + zigZag(150, 650, 5));
            QTRY_COMPARE_WITH_TIMEOUT(newest(), before + drag, 20000);
            drive(u"move 600 150\nwait 300\n"_s +
                  (drag == 2 ? zigZag(600, 150, 16) + u"wait 500\n"_s : QString()) +
                  u"release 272\n"_s);
            QCOMPARE(newest(), before + drag);
        }
        QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), open, 15000);
    }

    void ctrlAltNActsOncePerPressHeldOrNotAndAnUnloadedScriptComesBack() {
        const int before = int(shelves().size());
        m_kwin.call(u"unloadScript"_s, u"quoblin"_s);
        // Held for a second and a half: KWin repeats it meanwhile.
        drive(
            u"move 900 600\nkeydown 29\nkeydown 56\nkeydown 49\nwait 1500\nkeyup 49\nkeyup 56\nkeyup 29\n"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), before + 1, 20000);
        QTest::qWait(1500);
        QCOMPARE(shelves().size(), before + 1);
        QTRY_VERIFY_WITH_TIMEOUT(scriptLoaded(), 20000); // the new shelf went unasked
    }
};

QTEST_GUILESS_MAIN(KWinWholeProgramTest)
#include "kwin_WholeProgram.moc"

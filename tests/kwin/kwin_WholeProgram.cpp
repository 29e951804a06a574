// The whole program on Plasma on Wayland, in a private headless KWin
// (tests/harness/with-kwin): a native Wayland drag source (tests/tools) and the
// fake-input client for the user's hands.
#include <QtDBus>
#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QDBusMessage kwin(const QString& path, const QString& method, const QVariantList& arguments) {
    const bool accel = path == u"/kglobalaccel";
    auto call = QDBusMessage::createMethodCall(
        accel ? u"org.kde.kglobalaccel"_s : u"org.kde.KWin"_s, path,
        accel ? u"org.kde.KGlobalAccel"_s
              : (path == u"/KWin" ? u"org.kde.KWin"_s : u"org.kde.kwin.Scripting"_s),
        method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

// Another program's rule, which must come through the program's own untouched; it
// also puts the drag source where the test presses.
const QByteArray userRules = "[General]\ncount=1\nrules=a1b2\n\n[a1b2]\nDescription=The source\n"
                             "position=100,100\npositionrule=2\nwmclass=drag_source\n"
                             "wmclassmatch=1\n";

} // namespace

// Receives what a probe script finds of KWin's windows.
class Probe : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.Probe")

public:
    QStringList windows;
    int answers = 0;

public Q_SLOTS:
    void Windows(const QString& found) {
        windows = found.split(u'\n', Qt::SkipEmptyParts);
        ++answers;
    }
};

class KWinWholeProgramTest : public QObject {
    Q_OBJECT
    QProcess m_quoblin, m_source, m_fakeInput;
    QByteArray m_errors;
    Probe m_probe;
    QTemporaryDir m_dir;
    const QString m_rules = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/kwinrulesrc"_s;

    void drive(const QString& commands) {
        m_fakeInput.write((commands + u"sync\n"_s).toUtf8());
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer += m_fakeInput.readAllStandardOutput()).contains("ok"),
                                 30000);
    }
    // Back and forth around (x, y), 60 points wide, 10 points every 15 ms.
    static QString zigZag(int x, int y, int legs) {
        QString out;
        for (int leg = 0; leg < legs; ++leg)
            for (int step = 0; step <= 6; ++step)
                out += u"move %1 %2\nwait 15\n"_s.arg(x + (leg % 2 ? 60 - step * 10 : step * 10))
                           .arg(y);
        return out;
    }
    // Every window KWin shows: caption|x|y|width|height|above|on all desktops|active.
    QStringList windows() {
        QFile script(m_dir.filePath(u"probe.js"_s));
        if (!script.open(QIODevice::WriteOnly))
            return {u"no probe"_s};
        script.write(
            R"(var ws = workspace.windowList ? workspace.windowList() : workspace.clientList();
            var active = workspace.activeWindow || workspace.activeClient;
            callDBus("io.github.quoblin.Test", "/probe", "io.github.quoblin.Probe", "Windows",
                ws.map(function (w) { var g = w.frameGeometry; return [w.caption, g.x, g.y,
                g.width, g.height, w.keepAbove, w.onAllDesktops, w === active].join("|"); }).join("\n"));)");
        script.close();
        const int before = m_probe.answers;
        kwin(u"/Scripting"_s, u"unloadScript"_s, {u"probe"_s});
        kwin(u"/Scripting"_s, u"loadScript"_s, {script.fileName(), u"probe"_s});
        kwin(u"/Scripting"_s, u"start"_s, {});
        if (!QTest::qWaitFor([&] { return m_probe.answers > before; }, 10000))
            return {u"no answer"_s};
        return m_probe.windows;
    }
    QStringList shelves() { return windows().filter(QRegularExpression(u"^Shelf #"_s)); }
    bool scriptLoaded() {
        return kwin(u"/Scripting"_s, u"isScriptLoaded"_s, {u"quoblin"_s}).arguments().value(0) ==
               true;
    }

private Q_SLOTS:
    void initTestCase() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerObject(u"/probe"_s, &m_probe, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(u"io.github.quoblin.Test"_s));
        QFile rules(m_rules);
        QVERIFY(rules.open(QIODevice::WriteOnly) && rules.write(userRules) == userRules.size());
        rules.close();
        // Read at once, as KWin would at its start.
        kwin(u"/KWin"_s, u"reconfigure"_s, {});
        kwin(u"/kglobalaccel"_s, u"doRegister"_s,
             {QStringList{u"other"_s, u"grab"_s, u"Other"_s, u"Grab"_s}});
        // Another program holds Ctrl+Alt+S.
        const QVariant keys = QVariant::fromValue(QList<int>{
            QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_S).toCombined()});
        for (const uint flags : {3u, 6u})
            kwin(u"/kglobalaccel"_s, u"setShortcut"_s,
                 {QStringList{u"other"_s, u"grab"_s, u"Other"_s, u"Grab"_s}, keys, flags});

        m_fakeInput.start(qEnvironmentVariable("QUOBLIN_FAKE_INPUT"), {});
        QFile dragged(m_dir.filePath(u"dragged.txt"_s));
        QVERIFY(dragged.open(QIODevice::WriteOnly) && dragged.write("dragged") == 7);
        QProcessEnvironment wayland = QProcessEnvironment::systemEnvironment();
        wayland.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        m_source.setProcessEnvironment(wayland);
        m_source.start(qEnvironmentVariable("QUOBLIN_TEST_TOOLS") + u"/drag_source"_s,
                       {dragged.fileName()});
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
        QVERIFY(m_fakeInput.state() == QProcess::Running);
    }

    void cleanupTestCase() {
        m_quoblin.terminate();
        QVERIFY(m_quoblin.waitForFinished(30000));
        QCOMPARE(m_quoblin.exitCode(), 0);
        QVERIFY(!scriptLoaded());
        QFile rules(m_rules);
        QVERIFY(rules.open(QIODevice::ReadOnly));
        QCOMPARE(rules.readAll(), userRules);
        m_source.kill();
        m_source.waitForFinished();
        m_fakeInput.closeWriteChannel();
        QVERIFY(m_fakeInput.waitForFinished());
    }

    void aKeyAnotherProgramHoldsIsReported() {
        const QByteArray meanwhile = m_errors.mid(m_errors.indexOf("Meanwhile"));
        QVERIFY2(meanwhile.startsWith("Meanwhile Ctrl+Alt+N, Ctrl+Alt+V work."),
                 m_errors.constData());
    }

    void aZigZagWithoutADragOpensNothing() {
        drive(u"move 600 400\n"_s + zigZag(600, 400, 16));
        QTest::qWait(2000);
        QCOMPARE(shelves(), QStringList{});
    }

    void aShakenDragOpensOneShelfAboveAndTheDropLands() {
        drive(u"move 250 200\nwait 300\npress 272\nwait 300\nmove 255 205\nwait 100\n"
              "move 300 260\nwait 300\n"_s +
              zigZag(600, 400, 16) + u"wait 500\n"_s + zigZag(600, 400, 4));
        QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), 1, 20000);
        QTest::qWait(1000);
        const QStringList shelf = shelves().value(0).split(u'|');
        QCOMPARE(shelves().size(), 1);
        // Above, on all desktops, and the focus still with the drag source.
        QCOMPARE(shelf.mid(5), (QStringList{u"true"_s, u"true"_s, u"false"_s}));
        const QStringList active = windows().filter(QRegularExpression(u"\\|true$"_s));
        QVERIFY2(active.size() == 1 && active[0].startsWith(u"drag_source"_s),
                 qPrintable(windows().join(u"; "_s)));
        const QRect frame(shelf[1].toInt(), shelf[2].toInt(), shelf[3].toInt(), shelf[4].toInt());
        QVERIFY2(QRect(200, 0, 800, 800).contains(frame), qPrintable(shelf.join(u' ')));
        drive(u"move %1 %2\nwait 200\nmove %3 %4\nwait 300\nrelease 272\n"_s
                  .arg(frame.center().x() - 5)
                  .arg(frame.center().y())
                  .arg(frame.center().x())
                  .arg(frame.center().y()));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += m_source.readAllStandardOutput()).contains("DRAG"),
                                 20000);
        QVERIFY2(!said.contains("DRAG 0"), said.constData()); // the shelf took it
    }

    void ctrlAltNActsOncePerPressHeldOrNot() {
        const int before = int(shelves().size());
        // Held for a second and a half: KWin repeats it meanwhile.
        drive(u"move 900 600\nkeydown 29\nkeydown 56\nkeydown 49\nwait 1500\nkeyup 49\n"
              "keyup 56\nkeyup 29\n"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shelves().size(), before + 1, 20000);
        QTest::qWait(1500);
        QCOMPARE(shelves().size(), before + 1);
    }
};

QTEST_GUILESS_MAIN(KWinWholeProgramTest)
#include "kwin_WholeProgram.moc"

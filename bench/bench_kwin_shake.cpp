// The delay from the movement that completes a shake to the shelf window in
// KWin, on a private headless KWin where the program's companion script
// recognises the shake and the program confirms the drag. The movement is
// stamped as the fake-input client is let go to inject it, the shelf as a
// probe script of the bench's own hears KWin add the window and calls the
// bench over D-Bus; both on this process's monotonic clock.
//
// Runs inside tests/harness/with-kwin. Prints a "ROW" line for bench/run-all;
// asserts nothing.
//   bench_kwin_shake --quoblin BIN --drag-source BIN [--shakes N] [--x11 FIGURE]
// FIGURE is the X11 shake latency of the same run, printed beside this one.
#include "BenchFigures.h"
#include "BenchQt.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using namespace Qt::StringLiterals;

QElapsedTimer clock_;

// What the probe script calls: Shown when KWin adds a shelf window.
class Probe final : public QDBusVirtualObject {
public:
    qint64 shownAt = 0;
    int shelves = 0;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.member() == u"Shown"_s && !shownAt)
            shownAt = clock_.nsecsElapsed();
        if (message.member() == u"Count"_s)
            shelves = message.arguments().value(0).toInt();
        return true;
    }
};

QDBusMessage scripting(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(u"org.kde.KWin"_s, u"/Scripting"_s,
                                                    u"org.kde.kwin.Scripting"_s, method);
    m.setArguments(arguments);
    return QDBusConnection::sessionBus().call(m);
}

// Loads a script under `name` in place of one loaded before under it.
bool runScript(const QString& file, const QString& name, const QByteArray& code) {
    QFile script(file);
    if (!script.open(QIODevice::WriteOnly) || script.write(code) != code.size())
        return false;
    script.close();
    scripting(u"unloadScript"_s, {name});
    scripting(u"loadScript"_s, {file, name});
    return scripting(u"start"_s).type() != QDBusMessage::ErrorMessage;
}

// Back and forth around (x, y), 60 points wide, 10 points every 15 ms.
QByteArray zigZag(int x, int y, int legs) {
    QByteArray out;
    for (int step = 0; step < legs * 7; ++step)
        out += "move " +
               QByteArray::number(x + (step / 7 % 2 ? 60 - step % 7 * 10 : step % 7 * 10)) + ' ' +
               QByteArray::number(y) + "\nwait 15\n";
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    clock_.start();
    const QStringList args = app.arguments();
    const auto option = [&args](const QString& name, const QString& fallback = {}) {
        return optionOf(args, name, fallback);
    };
    const int shakes = option(u"--shakes"_s, u"10"_s).toInt();
    QTemporaryDir dir;
    QDBusConnection bus = QDBusConnection::sessionBus();
    Probe probe;
    if (!dir.isValid() || !QFile(dir.filePath(u"dragged.txt"_s)).open(QIODevice::WriteOnly) ||
        !bus.registerVirtualObject(u"/bench"_s, &probe) ||
        !bus.registerService(u"io.github.quoblin.Bench"_s))
        return 1;
    // The drag source where the presses go, by a rule of the user's kind.
    QFile rules(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/kwinrulesrc"_s);
    if (!rules.open(QIODevice::WriteOnly) ||
        rules.write("[General]\ncount=1\nrules=bench\n\n[bench]\nDescription=Drag source\n"
                    "position=100,100\npositionrule=2\nwmclass=drag_source\nwmclassmatch=1\n") < 0)
        return 1;
    rules.close();
    bus.call(QDBusMessage::createMethodCall(u"org.kde.KWin"_s, u"/KWin"_s, u"org.kde.KWin"_s,
                                            u"reconfigure"_s));

    QProcess quoblin, source, hands;
    hands.start(qEnvironmentVariable("QUOBLIN_FAKE_INPUT"), {});
    QByteArray answers;
    const auto drive = [&](const QByteArray& commands) {
        hands.write(commands + "sync\n");
        return waitForWord(hands, answers, "ok", 30000);
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    source.setProcessEnvironment(environment);
    source.start(option(u"--drag-source"_s), {dir.filePath(u"dragged.txt"_s)});
    environment.remove(u"QT_QPA_PLATFORM"_s); // it chooses for itself
    quoblin.setProcessEnvironment(environment);
    quoblin.start(option(u"--quoblin"_s), {});
    QByteArray said;
    const auto sourceSaid = [&](const char* word) {
        return waitForWord(source, said, word, 20000);
    };
    const bool ready =
        sourceSaid("READY") && waitFor(30000, [] {
            return scripting(u"isScriptLoaded"_s, {u"quoblin"_s}).arguments() == QVariantList{true};
        });
    const QString added = u"(workspace.windowAdded || workspace.clientAdded)"_s;
    const QString list =
        u"(workspace.windowList ? workspace.windowList() : workspace.clientList())"_s;
    const QString shelf = u"String(w.caption).indexOf('Shelf #') === 0"_s;
    const auto call = [](const QString& member, const QString& argument) {
        return u"callDBus('io.github.quoblin.Bench', '/bench', 'io.github.quoblin.Bench', '%1'%2)"_s
            .arg(member, argument);
    };
    runScript(dir.filePath(u"probe.js"_s), u"bench-probe"_s,
              u"%1.connect(function (w) { if (%2) %3; });"_s.arg(added, shelf, call(u"Shown"_s, {}))
                  .toUtf8());
    // Closes every shelf as the window manager's close button would, and counts what is left.
    const auto closeShelves = [&] {
        runScript(
            dir.filePath(u"close.js"_s), u"bench-close"_s,
            u"%1.forEach(function (w) { if (%2) w.closeWindow(); });"_s.arg(list, shelf).toUtf8());
        return waitFor(10000, [&] {
            probe.shelves = -1;
            const QString count =
                u", %1.filter(function (w) { return %2; }).length"_s.arg(list, shelf);
            runScript(dir.filePath(u"count.js"_s), u"bench-count"_s,
                      (call(u"Count"_s, count) + u';').toUtf8());
            return waitFor(2000, [&] { return probe.shelves >= 0; }) && probe.shelves == 0;
        });
    };

    std::vector<double> delays;
    int early = 0, missing = 0;
    for (int round = 0; ready && round < shakes; ++round) {
        // A drag from the source, carried to open space and left to rest.
        drive("move 250 200\nwait 200\npress 272\nwait 200\nmove 255 205\nwait 100\n"
              "move 300 260\nwait 100\n");
        sourceSaid("STARTED");
        drive("move 600 400\nwait 1000\n");
        probe.shownAt = 0;
        // Six movements 60 ms apart, each a sample of the script's 40 ms clock
        // and each reversing the last: the seventh completes the shake.
        QByteArray legs;
        for (int leg = 0; leg < 6; ++leg)
            legs += "move " + QByteArray::number(leg % 2 ? 660 : 600) + " 400\nwait 60\n";
        drive(legs);
        QCoreApplication::processEvents();
        if (probe.shownAt) {
            ++early;
        } else {
            const qint64 moved = clock_.nsecsElapsed();
            // The drag goes on moving, a point at a time, as a hand does.
            QByteArray rest = "move 600 400\n";
            for (int i = 0; i < 50; ++i)
                rest += "wait 10\nmove " + QByteArray::number(601 + i % 2) + " 400\n";
            hands.write(rest);
            if (waitFor(3000, [&] { return probe.shownAt != 0; }))
                delays.push_back((probe.shownAt - moved) / 1e6);
            else
                ++missing;
        }
        drive("wait 300\nmove 250 200\nwait 200\nrelease 272\nwait 300\n");
        closeShelves();
        // One drag opens one shelf, and the next drag offers the same file:
        // a shake without a drag tells the program the last one is over.
        drive(zigZag(600, 400, 12) + "wait 800\nmove 700 500\nwait 300\n");
    }
    reportShakes("shake to shelf window in KWin through the companion script",
                 "Shake latency on KWin (Wayland, companion script): last shake movement to "
                 "shelf window added, median of ",
                 delays, shakes, early, missing, 0, option(u"--x11"_s).toStdString());
    quoblin.terminate();
    source.terminate();
    hands.closeWriteChannel();
    quoblin.waitForFinished();
    source.waitForFinished();
    hands.waitForFinished();
    return 0;
}

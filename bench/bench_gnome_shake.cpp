// The delay from the movement that completes a shake to the shelf window
// shown, on a private headless GNOME Shell where the companion extension
// reports the drag and the pointer. Both moments are taken on the same
// monotonic clock: the movement just before it is injected, the shelf by a
// handler on the Shell's own "shown" signal of the window.
//
// Runs inside tests/harness/with-gnome (its test driver extension injects the
// input), with QUOBLIN_BINARY naming BIN: the companion serves that executable
// alone, and any other gets no drags and no pointer from it. Prints a "ROW"
// line for bench/run-all; asserts nothing.
//   bench_gnome_shake --quoblin BIN --drag-source BIN [--shakes N] [--x11 FIGURE]
// FIGURE is the X11 shake latency of the same run, printed beside this one.
#include "BenchFigures.h"
#include "BenchQt.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <ctime>

namespace {

using namespace Qt::StringLiterals;

qint64 nowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts); // the clock of GLib's monotonic time
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}
QString eval(const QString& code) {
    QDBusMessage m = QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, u"/org/gnome/Shell"_s,
                                                    u"org.gnome.Shell"_s, u"Eval"_s);
    m.setArguments({code});
    return QDBusConnection::sessionBus().call(m).arguments().value(1).toString();
}
void input(const QString& method, const QVariantList& arguments) {
    QDBusMessage m =
        QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, u"/io/github/quoblin/TestInput"_s,
                                       u"io.github.quoblin.TestInput"_s, method);
    m.setArguments(arguments);
    QDBusConnection::sessionBus().call(m);
}
void pause(int ms) {
    QThread::msleep(ulong(ms));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const QString& name, const QString& fallback = {}) {
        return optionOf(args, name, fallback);
    };
    const int shakes = option(u"--shakes"_s, u"10"_s).toInt();
    QTemporaryDir dir;
    if (!QFile(dir.filePath(u"dragged.txt"_s)).open(QIODevice::WriteOnly))
        return 1;

    QProcess quoblin, source;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_QPA_PLATFORM"_s); // it chooses for itself
    quoblin.setProcessEnvironment(environment);
    quoblin.start(option(u"--quoblin"_s), {});
    environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    source.setProcessEnvironment(environment);
    source.start(option(u"--drag-source"_s), {dir.filePath(u"dragged.txt"_s)});
    const qint64 qpid = quoblin.processId(), spid = source.processId();
    const auto rect = [](qint64 pid, const QString& title) {
        QList<int> r;
        for (const QString& v : eval(u"global.get_window_actors().map(a => a.meta_window).filter("
                                     "w => w.get_pid() === %1 && (w.get_title() || '')"
                                     ".startsWith('%2')).map(w => { const r = w.get_frame_rect(); "
                                     "return [r.x, r.y, r.width, r.height]; })"_s.arg(pid)
                                         .arg(title))
                                    .remove(u'[')
                                    .remove(u']')
                                    .split(u',', Qt::SkipEmptyParts))
            r << v.toInt();
        return r;
    };
    const bool ready = waitFor(
        20000, [&] { return rect(spid, {}).value(2) > 0; }, 50);
    pause(4000); // the program settles on its backend and grabs its keys
    const QList<int> r = rect(spid, {});
    const int x = r.value(0) + 40, y = r.value(1) + r.value(3) / 2;
    eval(u"global._quoblinShown = []; global._quoblinHandler = global.display.connect("
         "'window-created', (d, w) => w.connect('shown', () => { if (w.get_pid() === %1) "
         "global._quoblinShown.push(imports.gi.GLib.get_monotonic_time()); }))"_s.arg(qpid));
    input(u"Move"_s, {x, y});
    input(u"Button"_s, {true}); // once, for the focus
    input(u"Button"_s, {false});

    QByteArray said;
    std::vector<double> delays;
    int early = 0, missing = 0;
    for (int round = 0; ready && round < shakes; ++round) {
        eval(u"global._quoblinShown = []"_s);
        input(u"Move"_s, {x, y});
        pause(100);
        input(u"Button"_s, {true});
        for (int step = 1; step <= 5; ++step, pause(30))
            input(u"Move"_s, {x + 5 * step, y});
        // The source says when its drag has begun: a shake before that opens nothing.
        const bool dragging = waitForWord(source, said, "STARTED ", 5000);
        pause(300);
        // Four legs, three reversals; the next movement completes the shake,
        // and nothing moves after it until the shelf shows.
        for (int leg = 0; dragging && leg < 4; ++leg, pause(90))
            input(u"Move"_s, {x + (leg % 2 ? 25 : 145), y});
        const auto shownAt = [] { return eval(u"global._quoblinShown[0] || 0"_s).toLongLong(); };
        if (!dragging) {
            ++missing;
        } else if (shownAt() != 0) {
            ++early;
        } else {
            const qint64 moved = nowUs();
            input(u"Move"_s, {x + 145, y});
            qint64 shown = 0;
            waitFor(
                3000, [&] { return (shown = shownAt()) != 0; }, 50);
            if (shown == 0)
                ++missing;
            else
                delays.push_back((shown - moved) / 1000.0);
        }
        input(u"Move"_s, {x, y});
        pause(100);
        input(u"Button"_s, {false}); // over the source, which refuses it
        pause(300);
        // Closed as the window manager's close button would, not waited out.
        eval(u"global.get_window_actors().map(a => a.meta_window).filter(w => w.get_pid() === %1)"
             ".forEach(w => w.delete(global.get_current_time()))"_s.arg(qpid));
        waitFor(
            10000, [&] { return rect(qpid, u"Shelf"_s).isEmpty(); }, 50);
        pause(300);
    }
    reportShakes("shake to shelf shown through the extension",
                 "Shake latency on GNOME (Wayland, companion extension): last shake movement to "
                 "shelf window shown, median of ",
                 delays, shakes, early, missing, 25, option(u"--x11"_s).toStdString());
    eval(u"global.display.disconnect(global._quoblinHandler)"_s);
    quoblin.terminate();
    source.terminate();
    quoblin.waitForFinished();
    source.waitForFinished();
    return 0;
}

#include "BenchFigures.h"
#include "desktop/Steps.h"
#include "model/ShelfStore.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

std::string recentShelvesPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    return std::string(state ? state : "") + "/quoblin/recent-shelves.json";
}

} // namespace

namespace {

struct Growth {
    double start = 0, tenOpen = 0, tenClosed = 0, all = 0;
    // The same stages, counting private written pages only.
    double privateStart = 0, privateTenClosed = 0, privateAll = 0;
    // After the tray menu's first opening, which the closing steps need and
    // which costs what it costs with or without shelves.
    double menu = 0, privateMenu = 0;
    bool valid = false;
};

// Starts `program`, opens ten shelves from the clipboard hot key and closes
// them all, then opens the rest up to `o.shelves` and closes those; RSS
// after each stage. Leaves the program running in `s`.
Growth shelves(Observer& x, const Options& o, const std::string& program, const char* log,
               Started& s) {
    Growth g;
    std::remove(recentShelvesPath().c_str());
    s = start(x, program, true, logFile(o, log));
    if (s.readyMs < 0)
        return g;
    x.idle(1500, s.pid);
    g.start = residentMiB(s.pid);
    g.privateStart = privateDirtyMiB(s.pid);
    trayMenu(x, o, s, {"Escape"});
    x.idle(2000, s.pid);
    g.menu = residentMiB(s.pid);
    g.privateMenu = privateDirtyMiB(s.pid);
    moveTo(o, 600, 500);
    int opened = 0;
    const int ten = std::min(10, o.shelves);
    bool closed = true;
    for (int i = 0; i < o.shelves; ++i) {
        if (key(o, "ctrl+alt+v") && waitForNewShelf(x, s.pid, 5000))
            ++opened;
        if (i == ten - 1) {
            x.idle(500, s.pid);
            g.tenOpen = residentMiB(s.pid);
            closed = closeAllShelves(x, o, s) && closed;
            x.idle(2000, s.pid);
            g.tenClosed = residentMiB(s.pid);
            g.privateTenClosed = privateDirtyMiB(s.pid);
            moveTo(o, 600, 500);
        }
    }
    closed = closeAllShelves(x, o, s) && closed;
    x.idle(2000, s.pid);
    g.all = residentMiB(s.pid);
    g.privateAll = privateDirtyMiB(s.pid);

    const std::vector<StoredShelf> recent =
        ShelfStore::read(QString::fromStdString(recentShelvesPath()));
    std::size_t full = 0;
    for (const StoredShelf& shelf : recent)
        full += shelf.items.size() == std::size_t(o.itemsPerShelf);
    std::printf("%s: %d of %d shelves opened with %d files each; the open ones closed from the "
                "tray menu after %d and at the end: %s; recent-shelves file: %zu shelves, %zu of "
                "them with %d items\n",
                log, opened, o.shelves, o.itemsPerShelf, ten, closed ? "yes" : "NO", recent.size(),
                full, o.itemsPerShelf);
    std::printf("%s RSS: %.1f MiB after start, %.1f after the tray menu's first opening, %.1f with "
                "%d opened, %.1f once closed, %.1f after %d\n",
                log, g.start, g.menu, g.tenOpen, ten, g.tenClosed, g.all, o.shelves);
    std::printf("%s private dirty: %.1f MiB after start, %.1f after the menu, %.1f once %d closed, "
                "%.1f after %d\n",
                log, g.privateStart, g.privateMenu, g.privateTenClosed, ten, g.privateAll,
                o.shelves);
    g.valid = opened == o.shelves && closed && full == recent.size() && !recent.empty();
    return g;
}

} // namespace

void shelvesAndIdle(Observer& x, const Options& o) {
    const std::string files = o.work + "/files";
    mkdir(files.c_str(), 0700);
    const std::string list = o.work + "/uri-list";
    {
        std::ofstream uris(list);
        for (int i = 0; i < o.itemsPerShelf; ++i) {
            const std::string path = files + "/document " + std::to_string(i) + ".txt";
            std::ofstream(path) << "item " << i << "\n";
            uris << "file://" << files << "/document%20" << i << ".txt\r\n";
        }
    }
    const Child clip =
        spawn({"xclip", "-quiet", "-selection", "clipboard", "-t", "text/uri-list", "-i", list},
              logFile(o, "xclip"));

    std::string before;
    if (!o.before.empty()) {
        Started old;
        const Growth g = shelves(x, o, o.before, "before", old);
        stop(old.pid);
        x.idle(500);
        if (g.valid)
            before = "earlier build: " + fmt("%+.1f MiB", g.tenClosed - g.menu) + ", " +
                     fmt("%+.1f MiB", g.all - g.menu) + " after " + std::to_string(o.shelves);
    }
    Started s;
    const Growth g = shelves(x, o, o.quoblin, "quoblin", s);
    if (s.readyMs < 0) {
        row("Memory growth after 10 shelves", "not measured: the program did not start", "≤ +4 MiB",
            before, "", "missed");
        stop(clip.pid);
        return;
    }
    // The shelves' own cost: from after the tray menu's first opening, which
    // the closing needs; the same counted from start-up, as before, beside it.
    const double ten = g.tenClosed - g.menu, all = g.all - g.menu;
    const std::string incomplete = g.valid ? "" : " (driving incomplete, see above)";
    row("Memory growth after opening 10 shelves of " + std::to_string(o.itemsPerShelf) +
            " files (clipboard hot key) and closing them (Close All from the tray menu, opened "
            "once before the first reading)",
        fmt("%+.1f MiB", ten) + incomplete, "≤ +4 MiB", before, "",
        g.valid && ten <= 4 ? "met" : "missed");
    row("  same, after " + std::to_string(o.shelves) + " shelves opened and closed",
        fmt("%+.1f MiB", all) + incomplete, "flat after 10: ≤ +0.5 MiB more", "", "",
        g.valid && all - ten <= 0.5 ? "met" : "missed");
    row("  same 10, private written pages only (Private_Dirty: no shared library or font pages)",
        fmt("%+.1f MiB", g.privateTenClosed - g.privateMenu) + ", " +
            fmt("%+.1f MiB", g.privateAll - g.privateMenu) + " after " + std::to_string(o.shelves) +
            incomplete,
        "", "", "", "");
    row("  same 10, from start-up: the tray menu's first opening counted too",
        fmt("%+.1f MiB", g.tenClosed - g.start) + " (the menu alone " +
            fmt("%+.1f MiB", g.menu - g.start) + "; private written pages " +
            fmt("%+.1f MiB", g.privateTenClosed - g.privateStart) + ")" + incomplete,
        "", "", "", "");

    // Idle: three open shelves, no input, the floor program idling beside it.
    int three = 0;
    for (int i = 0; i < 3; ++i)
        three += key(o, "ctrl+alt+v") && waitForNewShelf(x, s.pid, 5000);
    moveTo(o, 1200, 900);
    const Started bare = start(x, o.floor, false, logFile(o, "floor"));
    // Painting a shelf hands large fills to Qt's worker threads, which end 30 s
    // after their last job; the idle window opens once they have, so it shows
    // what keeps running rather than a one-off clean-up.
    x.idle(o.settleSeconds * 1000.0, s.pid);
    const long q0 = cpuTicks(s.pid), f0 = cpuTicks(bare.pid);
    const auto qw0 = wakeUps(s.pid), fw0 = wakeUps(bare.pid);
    const int threads0 = threadCount(s.pid);
    sleep(unsigned(o.idleSeconds));
    const long q1 = cpuTicks(s.pid), f1 = cpuTicks(bare.pid);
    const long qw = wakeUpsBetween(qw0, wakeUps(s.pid)),
               fw = wakeUpsBetween(fw0, wakeUps(bare.pid));
    std::printf(
        "idle %d s: quoblin (%d shelves open, %d threads, %d at the end) %ld ticks, %ld wake-ups; "
        "floor %ld ticks, %ld wake-ups (1 tick = %ld ms)\n",
        o.idleSeconds, three, threads0, threadCount(s.pid), q1 - q0, qw, f1 - f0, fw,
        1000 / sysconf(_SC_CLK_TCK));
    const std::string idle = " idle " + std::to_string(o.idleSeconds) + " s after " +
                             std::to_string(o.settleSeconds) + " s of settling, " +
                             std::to_string(three) + " shelves open";
    row("CPU time," + idle, std::to_string(q1 - q0) + " ticks", "0 ticks",
        "bare Qt tray program: " + std::to_string(f1 - f0) + " ticks", "",
        three == 3 && q1 == q0 ? "met" : "missed");
    row("Wake-ups (context switches, all threads)," + idle, std::to_string(qw),
        "no periodic timer: no more than the floor", "bare Qt tray program: " + std::to_string(fw),
        "", three == 3 && qw <= fw ? "met" : "missed");
    stop(bare.pid);
    stop(s.pid);
    stop(clip.pid);
}

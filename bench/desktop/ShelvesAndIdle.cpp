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

void shelvesAndIdle(Observer& x, const Options& o) {
    std::remove(recentShelvesPath().c_str());
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

    const Started s = start(x, o.quoblin, true, logFile(o, "quoblin"));
    if (s.readyMs < 0) {
        row("Memory growth after 100 shelves", "not measured: the program did not start", "< 2 MB",
            "", "", "missed");
        stop(clip.pid);
        return;
    }
    x.idle(1500, s.pid);
    const double before = residentMiB(s.pid);
    moveTo(o, 600, 500);
    int opened = 0;
    double afterTen = 0;
    for (int i = 0; i < o.shelves; ++i) {
        if (key(o, "ctrl+alt+v") && waitForNewShelf(x, s.pid, 5000))
            ++opened;
        if (i == std::min(9, o.shelves - 1)) {
            x.idle(500, s.pid);
            afterTen = residentMiB(s.pid);
        }
    }
    const bool closed = closeAllShelves(x, o, s);
    x.idle(2000, s.pid);
    const double after = residentMiB(s.pid);

    const std::vector<StoredShelf> recent =
        ShelfStore::read(QString::fromStdString(recentShelvesPath()));
    std::size_t full = 0;
    for (const StoredShelf& shelf : recent)
        full += shelf.items.size() == std::size_t(o.itemsPerShelf);
    std::printf("shelves: %d of %d opened with %d files each; last five closed from the tray menu: "
                "%s; recent-shelves file: %zu shelves, %zu of them with %d items\n",
                opened, o.shelves, o.itemsPerShelf, closed ? "yes" : "NO", recent.size(), full,
                o.itemsPerShelf);
    std::printf("RSS: %.1f MiB after start, %.1f after 10 shelves, %.1f after %d\n", before,
                afterTen, after, o.shelves);
    const double growth = after - before;
    const bool valid = opened == o.shelves && closed && full == recent.size() && !recent.empty();
    row("Memory growth after opening and closing " + std::to_string(o.shelves) + " shelves of " +
            std::to_string(o.itemsPerShelf) +
            " files (clipboard hot key, Close All from the tray menu)",
        fmt("%+.1f MiB", growth) + (valid ? "" : " (driving incomplete, see above)"), "< 2 MB", "",
        "", valid && growth * 1.048576 < 2 ? "met" : "missed");
    row("  same, from shelf 10 to shelf " + std::to_string(o.shelves) + " (caches warm)",
        fmt("%+.1f MiB", after - afterTen), "", "", "", "");

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

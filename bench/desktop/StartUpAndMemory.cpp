#include "BenchFigures.h"
#include "desktop/Steps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

void startUpAndMemory(Observer& x, const Options& o, double& quoblinRss, double& floorRss) {
    std::vector<double> quoblin, floorRuns, quoblinTray, quoblinKeys, qRss, fRss;
    int failures = 0;
    // One unmeasured start of each first, so both find the libraries in the page cache.
    for (int run = -1; run < o.runs; ++run) {
        for (const bool real : {false, true}) {
            const Started s =
                start(x, real ? o.quoblin : o.floor, real, logFile(o, real ? "quoblin" : "floor"));
            if (run >= 0) {
                if (s.readyMs < 0) {
                    ++failures;
                } else if (real) {
                    quoblin.push_back(s.readyMs);
                    quoblinTray.push_back(s.trayMs);
                    quoblinKeys.push_back(s.keysMs);
                } else {
                    floorRuns.push_back(s.readyMs);
                }
            }
            x.idle(1000, s.pid);
            if (run >= 0 && s.readyMs >= 0)
                (real ? qRss : fRss).push_back(residentMiB(s.pid));
            stop(s.pid);
            x.idle(300);
        }
    }
    std::printf("start-up, ms from exec, each of %d runs:\n  floor:  ", o.runs);
    for (double v : floorRuns)
        std::printf(" %.0f", v);
    std::printf("\n  quoblin (icon docked / last hot key held):");
    for (std::size_t i = 0; i < quoblin.size(); ++i)
        std::printf(" %.0f/%.0f", quoblinTray[i], quoblinKeys[i]);
    std::printf("\n  runs that never got ready: %d\n", failures);
    const double q = median(quoblin), f = median(floorRuns);
    row("Start-up: exec to tray icon docked and hot keys held, median of " +
            std::to_string(quoblin.size()) + " runs",
        fmt("%.0f ms", q), "≤ 1.2× floor", "bare Qt tray program: " + fmt("%.0f ms", f),
        fmt("%.2f", q / f), q / f <= 1.2 ? "met" : "missed");
    quoblinRss = median(qRss);
    floorRss = median(fRss);
    row("Resident memory 1 s after start (VmRSS), median of " + std::to_string(qRss.size()) +
            " runs",
        fmt("%.1f MiB", quoblinRss), "≤ 1.3× floor",
        "bare Qt tray program: " + fmt("%.1f MiB", floorRss), fmt("%.2f", quoblinRss / floorRss),
        quoblinRss / floorRss <= 1.3 ? "met" : "missed");
}

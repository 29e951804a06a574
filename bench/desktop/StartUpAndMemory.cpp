#include "BenchFigures.h"
#include "desktop/Steps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// One program's start-ups and resident memory.
struct Runs {
    std::vector<double> ready, tray, keys, rss;
};

// "; earlier build: 41 ms (1.52×)", or nothing without an earlier build.
std::string earlier(const std::vector<double>& values, double floor, const char* format) {
    if (values.empty())
        return "";
    const double value = median(values);
    return "; earlier build: " + fmt(format, value) + " (" + fmt("%.2f", value / floor) + "×)";
}

} // namespace

void startUpAndMemory(Observer& x, const Options& o, double& quoblinRss, double& floorRss) {
    Runs quoblin, floorRuns, before;
    int failures = 0;
    struct Program {
        const std::string* path;
        bool real;
        const char* log;
        Runs* runs;
    };
    std::vector<Program> programs{{&o.floor, false, "floor", &floorRuns}};
    if (!o.before.empty())
        programs.push_back({&o.before, true, "before", &before});
    programs.push_back({&o.quoblin, true, "quoblin", &quoblin});
    // One unmeasured start of each first, so all find the libraries in the
    // page cache; then each in turn, so that a busy moment of the machine
    // falls on all of them alike.
    for (int run = -1; run < o.runs; ++run) {
        for (const Program& p : programs) {
            const Started s = start(x, *p.path, p.real, logFile(o, p.log));
            if (run >= 0) {
                if (s.readyMs < 0) {
                    ++failures;
                } else {
                    p.runs->ready.push_back(s.readyMs);
                    p.runs->tray.push_back(s.trayMs);
                    p.runs->keys.push_back(s.keysMs);
                }
            }
            x.idle(1000, s.pid);
            if (run >= 0 && s.readyMs >= 0)
                p.runs->rss.push_back(residentMiB(s.pid));
            stop(s.pid);
            x.idle(300);
        }
    }
    std::printf("start-up, ms from exec, each of %d runs:\n  floor:  ", o.runs);
    for (double v : floorRuns.ready)
        std::printf(" %.0f", v);
    for (const Program& p : programs) {
        if (!p.real)
            continue;
        std::printf("\n  %s (icon docked / last hot key held):", p.log);
        for (std::size_t i = 0; i < p.runs->ready.size(); ++i)
            std::printf(" %.0f/%.0f", p.runs->tray[i], p.runs->keys[i]);
    }
    std::printf("\n  runs that never got ready: %d\n", failures);
    const double q = median(quoblin.ready), f = median(floorRuns.ready);
    row("Start-up: exec to tray icon docked and hot keys held, median of " +
            std::to_string(quoblin.ready.size()) + " runs",
        fmt("%.0f ms", q), "≤ 1.1× floor",
        "bare Qt tray program: " + fmt("%.0f ms", f) + earlier(before.ready, f, "%.0f ms"),
        fmt("%.2f", q / f), q / f <= 1.1 ? "met" : "missed");
    quoblinRss = median(quoblin.rss);
    floorRss = median(floorRuns.rss);
    row("Resident memory 1 s after start (VmRSS), median of " +
            std::to_string(quoblin.rss.size()) + " runs",
        fmt("%.1f MiB", quoblinRss), "≤ 1.3× floor",
        "bare Qt tray program: " + fmt("%.1f MiB", floorRss) + earlier(before.rss, floorRss, "%.1f MiB"),
        fmt("%.2f", quoblinRss / floorRss), quoblinRss / floorRss <= 1.3 ? "met" : "missed");
}

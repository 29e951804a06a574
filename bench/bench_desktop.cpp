// Figures of the real program on a private desktop, all taken from outside
// by a second X client, as a user's desktop would see them: start-up until
// the tray icon is docked and the hot keys are held, resident memory, the
// cost of sitting idle, and the delay from the movement that completes a
// shake to the shelf on screen. The start-up and memory figures have a floor:
// a bare Qt tray program measured the same way in the same run.
//
// Runs inside tests/harness/with-desktop --tray, with HOME and XDG_* already
// pointing at throw-away folders. Prints "ROW" lines that bench/run-all
// gathers into one table; asserts nothing.
#include "desktop/Steps.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--quoblin")
            o.quoblin = value;
        else if (name == "--before")
            o.before = value;
        else if (name == "--floor")
            o.floor = value;
        else if (name == "--drag-source")
            o.dragSource = value;
        else if (name == "--work")
            o.work = value;
        else if (name == "--runs")
            o.runs = std::atoi(value.c_str());
        else if (name == "--shelves")
            o.shelves = std::atoi(value.c_str());
        else if (name == "--idle-seconds")
            o.idleSeconds = std::atoi(value.c_str());
        else if (name == "--settle-seconds")
            o.settleSeconds = std::atoi(value.c_str());
        else if (name == "--shakes")
            o.shakes = std::atoi(value.c_str());
    }
    if (o.quoblin.empty() || o.floor.empty() || o.dragSource.empty() || o.work.empty()) {
        std::fprintf(
            stderr,
            "usage: bench_desktop --quoblin P --floor P --drag-source P --work "
            "DIR [--before P] [--runs N] [--shelves N] [--idle-seconds N] [--settle-seconds N] [--shakes N]\n");
        return 2;
    }
    Observer x;
    if (!x.open()) {
        std::fprintf(stderr, "bench_desktop: no X display\n");
        return 1;
    }
    double quoblinRss = 0, floorRss = 0;
    startUpAndMemory(x, o, quoblinRss, floorRss);
    shelvesAndIdle(x, o);
    shakeLatency(x, o);
    xcb_disconnect(x.c);
    return 0;
}

#include "BenchFigures.h"
#include "desktop/Steps.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

std::vector<std::string> shakeStart(int cx, int cy) {
    // Press, start the drag, then four legs: three reversals. The fourth
    // reversal, the one that completes the shake, is the next movement.
    std::vector<std::string> args{"xdotool",
                                  "mousemove",
                                  std::to_string(cx),
                                  std::to_string(cy),
                                  "sleep",
                                  "0.1",
                                  "mousedown",
                                  "1",
                                  "sleep",
                                  "0.1",
                                  "mousemove",
                                  std::to_string(cx + 25),
                                  std::to_string(cy),
                                  "sleep",
                                  "0.3"};
    for (int leg = 0; leg < 4; ++leg) {
        args.insert(args.end(), {"mousemove", std::to_string(cx + (leg % 2 ? 25 : 85)),
                                 std::to_string(cy), "sleep", "0.09"});
    }
    return args;
}

} // namespace

void shakeLatency(Observer& x, const Options& o) {
    const std::string file = o.work + "/dragged.txt";
    std::ofstream(file) << "dragged\n";
    const Started s = start(x, o.quoblin, true, logFile(o, "quoblin"));
    const Child source = spawn({o.dragSource, file, "200", "500"}, logFile(o, "drag_source"), true);
    std::istringstream ready(readLine(source.out, "READY ", 10000));
    int cx = -1, cy = -1;
    ready >> cx >> cy;
    std::vector<double> delays;
    int early = 0, missing = 0;
    for (int round = 0; round < o.shakes && s.readyMs >= 0 && cx > 0; ++round) {
        runToEnd(shakeStart(cx, cy), logFile(o, "xdotool"));
        x.idle(20, s.pid);
        if (!x.mappedShelves.empty()) {
            ++early;
        } else {
            // The movement counts from the moment the server's pointer is
            // there, polled every millisecond.
            const int lastX = cx + 85;
            const Child last =
                spawn({"xdotool", "mousemove", std::to_string(lastX), std::to_string(cy)},
                      logFile(o, "xdotool"));
            double moved = -1, mapped = -1;
            x.pump(
                nowMs() + 3000, s.pid,
                [&](xcb_generic_event_t* e, double t) {
                    if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && mapped < 0 &&
                        !x.mappedShelves.empty())
                        mapped = t;
                    return moved >= 0 && mapped >= 0;
                },
                [&] {
                    if (moved < 0 && x.pointerX() == lastX)
                        moved = nowMs();
                    return moved >= 0 && mapped >= 0;
                });
            waitpid(last.pid, nullptr, 0);
            if (moved >= 0 && mapped >= moved)
                delays.push_back(mapped - moved);
            else
                ++missing;
        }
        // Released over the source, which refuses it; the empty shelf then
        // closes by itself after its six seconds.
        runToEnd({"xdotool", "mouseup", "1"}, logFile(o, "xdotool"));
        readLine(source.out, "DRAG ", 5000);
        x.pump(nowMs() + 10000, s.pid,
               [&](xcb_generic_event_t*, double) { return x.mappedShelves.empty(); });
        x.idle(300, s.pid);
    }
    std::printf("shake to shelf mapped, ms:");
    for (double d : delays)
        std::printf(" %.1f", d);
    std::printf("  (shakes reported too early: %d, shelves not seen: %d)\n", early, missing);
    const double m = median(delays);
    row("Shake latency: last shake movement to shelf window mapped, median of " +
            std::to_string(delays.size()),
        fmt("%.1f ms", m), "< 60 ms", "", "",
        !delays.empty() && int(delays.size()) == o.shakes && m < 60 ? "met" : "missed");
    stop(source.pid);
    stop(s.pid);
}

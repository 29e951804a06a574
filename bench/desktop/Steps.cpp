#include "desktop/Steps.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

Started start(Observer& x, const std::string& program, bool probeKeys, const std::string& logPath) {
    Started s;
    const double t0 = nowMs();
    s.pid = spawn({program}, logPath).pid;
    double tray = -1, keys = -1;
    // Docked: a small window of the child, inside another client's window,
    // on screen in the tray host's strip at the top right.
    auto docked = [&](xcb_window_t w) {
        int gx, gy, gw, gh;
        auto* tree = xcb_query_tree_reply(x.c, xcb_query_tree(x.c, w), nullptr);
        const bool inside = tree && tree->parent != x.root;
        free(tree);
        return inside && x.pidOf(w) == s.pid && x.geometry(w, gx, gy, gw, gh) && gw <= 64 &&
               gh <= 64 && gy < 40 && gx > 1000 && x.viewable(w);
    };
    auto ready = [&] { return tray >= 0 && (!probeKeys || keys >= 0); };
    x.pump(
        t0 + 30000, s.pid,
        [&](xcb_generic_event_t* e, double t) {
            const uint8_t type = e->response_type & 0x7f;
            xcb_window_t w = 0;
            if (type == XCB_REPARENT_NOTIFY)
                w = reinterpret_cast<xcb_reparent_notify_event_t*>(e)->window;
            else if (type == XCB_MAP_NOTIFY)
                w = reinterpret_cast<xcb_map_notify_event_t*>(e)->window;
            else if (type == XCB_CONFIGURE_NOTIFY)
                w = reinterpret_cast<xcb_configure_notify_event_t*>(e)->window;
            if (w && tray < 0 && docked(w)) {
                s.icon = w;
                tray = t;
            }
            return ready();
        },
        [&] {
            if (probeKeys && keys < 0 && x.keyHeldByAnother())
                keys = nowMs();
            return ready();
        });
    if (tray >= 0)
        s.trayMs = tray - t0;
    if (keys >= 0)
        s.keysMs = keys - t0;
    if (ready())
        s.readyMs = std::max(s.trayMs, probeKeys ? s.keysMs : 0.0);
    return s;
}

std::string logFile(const Options& o, const std::string& name) {
    return o.work + "/" + name + ".log";
}

bool key(const Options& o, const std::string& keys) {
    return runToEnd({"xdotool", "key", keys}, logFile(o, "xdotool"));
}

bool moveTo(const Options& o, int px, int py) {
    return runToEnd({"xdotool", "mousemove", std::to_string(px), std::to_string(py)},
                    logFile(o, "xdotool"));
}

bool waitForNewShelf(Observer& x, pid_t pid, double timeoutMs) {
    const std::size_t before = x.mappedShelves.size();
    std::set<xcb_window_t> seen = x.mappedShelves;
    return x.pump(nowMs() + timeoutMs, pid, [&](xcb_generic_event_t* e, double) {
        const uint8_t type = e->response_type & 0x7f;
        if (type != XCB_MAP_NOTIFY)
            return false;
        const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
        return x.mappedShelves.count(m->window) && !seen.count(m->window);
    }) || x.mappedShelves.size() > before;
}

bool trayMenu(Observer& x, const Options& o, const Started& s,
              std::initializer_list<const char*> keys) {
    int ix, iy, iw, ih;
    if (!x.geometry(s.icon, ix, iy, iw, ih))
        return false;
    std::vector<std::string> steps = {"xdotool",
                                      "mousemove",
                                      std::to_string(ix + iw / 2),
                                      std::to_string(iy + ih / 2),
                                      "sleep",
                                      "0.2",
                                      "click",
                                      "3",
                                      "sleep",
                                      "0.8",
                                      "key",
                                      "--delay",
                                      "100"};
    steps.insert(steps.end(), keys.begin(), keys.end());
    return runToEnd(steps, logFile(o, "xdotool"));
}

bool closeAllShelves(Observer& x, const Options& o, const Started& s) {
    if (!trayMenu(x, o, s, {"Down", "Down", "Down", "Down", "Down", "Return"}))
        return false;
    x.pump(nowMs() + 5000, s.pid,
           [&](xcb_generic_event_t*, double) { return x.mappedShelves.empty(); });
    x.idle(300, s.pid);
    return x.mappedShelves.empty();
}

#pragma once

// The benchmark's own X connection, a second client that watches the
// program's windows and hot keys from outside.

#include "desktop/Support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <poll.h>
#include <set>
#include <string>
#include <xcb/xcb.h>

// The physical S key (evdev keycode) with Control and Alt plus both lock
// states: the last variant the program grabs for its last hot key.
constexpr uint8_t keyS = 39;
constexpr uint16_t probeModifiers =
    XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

struct Observer {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t pidAtom = 0, netName = 0, utf8 = 0;
    std::set<xcb_window_t> mappedShelves;

    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        free(reply);
        return a;
    }

    bool open() {
        c = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c))
            return false;
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        pidAtom = atom("_NET_WM_PID");
        netName = atom("_NET_WM_NAME");
        utf8 = atom("UTF8_STRING");
        const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
        watchTree(root);
        xcb_flush(c);
        return true;
    }

    void watch(xcb_window_t w) {
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
    }

    void watchTree(xcb_window_t parent) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr);
        if (!tree)
            return;
        const xcb_window_t* kids = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            watch(kids[i]);
            watchTree(kids[i]);
        }
        free(tree);
    }

    int pointerX() {
        auto* reply = xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
        const int px = reply ? reply->root_x : -1;
        free(reply);
        return px;
    }

    pid_t pidOf(xcb_window_t w) {
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        pid_t pid = -1;
        if (reply && xcb_get_property_value_length(reply) == 4)
            pid = pid_t(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
        free(reply);
        return pid;
    }

    std::string nameOf(xcb_window_t w) {
        auto* reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, netName, utf8, 0, 256), nullptr);
        std::string name;
        if (reply)
            name.assign(static_cast<char*>(xcb_get_property_value(reply)),
                        std::size_t(xcb_get_property_value_length(reply)));
        free(reply);
        return name;
    }

    bool viewable(xcb_window_t w) {
        auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool v = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return v;
    }

    // Size and position on the root window.
    bool geometry(xcb_window_t w, int& x, int& y, int& width, int& height) {
        auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
        auto* t = xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, root, 0, 0),
                                                  nullptr);
        const bool ok = g && t;
        if (ok) {
            x = t->dst_x;
            y = t->dst_y;
            width = g->width;
            height = g->height;
        }
        free(g);
        free(t);
        return ok;
    }

    // True when another client holds the probed combination. The probe's
    // own grab, when it succeeds, is given back at once.
    bool keyHeldByAnother() {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            c, 0, root, probeModifiers, keyS, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_ungrab_key(c, keyS, root, probeModifiers);
        xcb_generic_error_t* error = xcb_request_check(c, cookie);
        const bool held = error && error->error_code == XCB_ACCESS;
        free(error);
        xcb_flush(c);
        return held;
    }

    bool isShelf(xcb_window_t w, pid_t pid) {
        return pidOf(w) == pid && nameOf(w).rfind("Shelf", 0) == 0;
    }

    bool holdsShelf(xcb_window_t w, pid_t pid, int depth) {
        if (isShelf(w, pid))
            return true;
        if (depth == 0)
            return false;
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
        bool found = false;
        if (tree) {
            const xcb_window_t* kids = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
                found = holdsShelf(kids[i], pid, depth - 1);
        }
        free(tree);
        return found;
    }

    // Hands every event to `onEvent` (with the moment it was read) until it
    // or `tick` says done, or the deadline passes. Keeps the shelf windows of
    // `pid` that are on screen in mappedShelves.
    bool pump(double deadline, pid_t pid,
              const std::function<bool(xcb_generic_event_t*, double)>& onEvent,
              const std::function<bool()>& tick = {}) {
        const int fd = xcb_get_file_descriptor(c);
        for (;;) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
                const double t = nowMs();
                const uint8_t type = e->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    watch(reinterpret_cast<xcb_create_notify_event_t*>(e)->window);
                    xcb_flush(c);
                } else if (type == XCB_MAP_NOTIFY) {
                    // The moment a top-level window (the window manager's
                    // frame, or the window itself) holding a shelf appears.
                    const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    if (m->event == root && pid > 0 && holdsShelf(m->window, pid, 2))
                        mappedShelves.insert(m->window);
                } else if (type == XCB_UNMAP_NOTIFY) {
                    mappedShelves.erase(reinterpret_cast<xcb_unmap_notify_event_t*>(e)->window);
                } else if (type == XCB_DESTROY_NOTIFY) {
                    mappedShelves.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window);
                }
                const bool done = onEvent && onEvent(e, t);
                free(e);
                if (done)
                    return true;
            }
            if (xcb_connection_has_error(c))
                return false;
            if (tick && tick())
                return true;
            if (nowMs() > deadline)
                return false;
            pollfd p{fd, POLLIN, 0};
            poll(&p, 1, tick ? 1 : 5);
        }
    }

    void idle(double ms, pid_t pid = -1) { pump(nowMs() + ms, pid, {}); }
};

// Moves KWin's pointer and presses its buttons through org_kde_kwin_fake_input.
// Reads commands, one a line, from standard input:
//   move X Y        the pointer to (X, Y), in logical coordinates
//   press BUTTON    an evdev button code (272 is the left button)
//   release BUTTON
//   keydown KEY     an evdev key code (30 is A, 29 left Ctrl, 56 left Alt)
//   keyup KEY
//   wait MS
//   sync            answers "ok" once KWin has taken everything before it
// KWin offers the interface only to an executable named in a desktop file
// (tests/harness/with-kwin writes one for this program).
#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

org_kde_kwin_fake_input* fakeInput = nullptr;

void announced(void*, wl_registry* registry, uint32_t name, const char* interface,
               uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        fakeInput = static_cast<org_kde_kwin_fake_input*>(wl_registry_bind(
            registry, name, &org_kde_kwin_fake_input_interface, std::min(version, 4u)));
}

void withdrawn(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener{announced, withdrawn};

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::cerr << "fake_input: no Wayland display\n";
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        std::cerr << "fake_input: the compositor does not offer org_kde_kwin_fake_input to this "
                     "program\n";
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "Quoblin tests", "moves the pointer in tests");

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        double x = 0, y = 0;
        unsigned value = 0;
        if (command == "move" && words >> x >> y) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_double(x),
                                                            wl_fixed_from_double(y));
        } else if ((command == "press" || command == "release") && words >> value) {
            org_kde_kwin_fake_input_button(fakeInput, value, command == "press" ? 1 : 0);
        } else if ((command == "keydown" || command == "keyup") && words >> value) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, value, command == "keydown" ? 1 : 0);
        } else if (command == "wait" && words >> value) {
            wl_display_flush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(value));
            continue;
        } else if (command == "sync") {
            if (wl_display_roundtrip(display) < 0)
                return 1;
            std::cout << "ok" << std::endl;
            continue;
        } else if (!command.empty()) {
            std::cerr << "fake_input: cannot read \"" << line << "\"\n";
            return 2;
        }
        if (wl_display_flush(display) < 0)
            return 1;
    }
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}

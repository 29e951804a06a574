// Moves KWin's pointer and presses its buttons and keys through
// org_kde_kwin_fake_input, reading one command a line from standard input:
// "move X Y" (logical coordinates), "press|release BUTTON" (evdev, 272 is the
// left button), "keydown|keyup KEY" (evdev: 29 left Ctrl, 56 left Alt),
// "wait MS", and "sync", answered "ok" once KWin has taken all before it.
// KWin offers the interface only to an executable named in a desktop file
// (tests/harness/with-kwin writes one for this program).
#include "fake-input-client-protocol.h"

#include <wayland-client.h>

#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

static org_kde_kwin_fake_input* fakeInput = nullptr;

static void announced(void*, wl_registry* registry, uint32_t name, const char* interface,
                      uint32_t version) {
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        fakeInput = static_cast<org_kde_kwin_fake_input*>(wl_registry_bind(
            registry, name, &org_kde_kwin_fake_input_interface, std::min(version, 4u)));
}

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    static const wl_registry_listener listener{announced, [](void*, wl_registry*, uint32_t) {}};
    wl_registry_add_listener(wl_display_get_registry(display), &listener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        std::cerr << "fake_input: KWin does not offer org_kde_kwin_fake_input to this program\n";
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "Quoblin tests", "moves the pointer in tests");
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string command;
        double x = 0, y = 0;
        words >> command;
        if (command == "move" && words >> x >> y) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fakeInput, wl_fixed_from_double(x),
                                                            wl_fixed_from_double(y));
        } else if ((command == "press" || command == "release") && words >> x) {
            org_kde_kwin_fake_input_button(fakeInput, uint32_t(x), command == "press");
        } else if ((command == "keydown" || command == "keyup") && words >> x) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, uint32_t(x), command == "keydown");
        } else if (command == "wait" && words >> x) {
            wl_display_flush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(int(x)));
        } else if (command == "sync") {
            if (wl_display_roundtrip(display) < 0)
                return 1;
            std::cout << "ok" << std::endl;
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

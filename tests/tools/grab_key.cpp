// Holds one key combination from a separate process, as another program on
// the desktop would: grab_key KEYCODE MODIFIERS. Prints "grabbed" or
// "refused", then "pressed" for every press, until it is ended.
#include "platform/x11/GlobalKeyGrabs.h"
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: grab_key KEYCODE MODIFIERS\n");
        return 2;
    }
    const KeyCombination combination{static_cast<uint8_t>(std::atoi(argv[1])),
                                     static_cast<uint16_t>(std::atoi(argv[2]))};
    const auto x11 = X11Connection::open();
    GlobalKeyGrabs keys(x11.get());
    auto grab = keys.grabKey(combination, [] {
        std::printf("pressed\n");
        std::fflush(stdout);
    });
    std::printf(grab ? "grabbed\n" : "refused\n");
    std::fflush(stdout);
    return QGuiApplication::exec();
}

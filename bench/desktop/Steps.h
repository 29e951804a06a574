#pragma once

// The steps of the desktop benchmark and what they share: each starts the
// program (and the floor) on the private desktop and prints its figures.

#include "desktop/Observer.h"

#include <initializer_list>
#include <string>
#include <sys/types.h>
#include <xcb/xcb.h>

struct Options {
    std::string quoblin, floor, dragSource, work;
    // An earlier build of the program, measured beside this one in the same
    // run (start-up and memory): what a change gained.
    std::string before;
    int runs = 10;
    int shelves = 100;
    int itemsPerShelf = 20;
    int idleSeconds = 30;
    int settleSeconds = 35;
    int shakes = 10;
};

struct Started {
    pid_t pid = -1;
    xcb_window_t icon = 0;
    double trayMs = -1; // exec to the icon docked and shown
    double keysMs = -1; // exec to the last hot key held
    double readyMs = -1;
};

// Starts `program` and waits until its tray icon sits mapped inside the tray
// host and, with `probeKeys`, until its last hot key is held.
Started start(Observer& x, const std::string& program, bool probeKeys, const std::string& logPath);
std::string logFile(const Options& o, const std::string& name);
bool key(const Options& o, const std::string& keys);
bool moveTo(const Options& o, int px, int py);
// Waits for one more shelf window of `pid` to be mapped.
bool waitForNewShelf(Observer& x, pid_t pid, double timeoutMs);
// Opens the tray menu and types `keys` into it.
bool trayMenu(Observer& x, const Options& o, const Started& s,
              std::initializer_list<const char*> keys);
// The tray menu's Close All Shelves, chosen with the keyboard.
bool closeAllShelves(Observer& x, const Options& o, const Started& s);

// Start-up until the tray icon is docked and the hot keys are held, and
// resident memory, against the floor.
void startUpAndMemory(Observer& x, const Options& o, double& quoblinRss, double& floorRss);
// Opens shelves from the clipboard hot key with the clipboard holding
// `itemsPerShelf` files; past five open shelves each new one closes the
// oldest, which becomes a recent shelf. Then closes the last five from the
// tray menu. Leaves the program running for the idle figure.
void shelvesAndIdle(Observer& x, const Options& o);
// The delay from the movement that completes a shake to the shelf on screen.
void shakeLatency(Observer& x, const Options& o);

#pragma once

#include <QString>
#include <functional>
#include <optional>

// Whether this is a GNOME Wayland session and whether the companion extension
// answers there, decided before QApplication exists: the answer picks Qt's
// window-system plugin (native Wayland with the companion, XWayland without).
namespace GnomeSession {

inline const QString extensionUuid = QStringLiteral("quoblin-shell@quoblin.github.io");

// WAYLAND_DISPLAY set and GNOME among the desktops of XDG_CURRENT_DESKTOP.
bool isGnomeWayland(const QString& waylandDisplay, const QString& currentDesktop);
bool isGnomeWayland();

// What turning the companion on for the user came to.
enum class Enabling {
    enabledNow,   // the Shell has it and runs it from now on
    atNextLogin,  // installed after the Shell started: it loads it at the next login
    notInstalled, // no copy in any extensions folder
    failed,       // the Shell refused, or its settings could not be written
};

enum class Companion {
    notGnome,     // another session: nothing was asked
    ready,        // answers with the version this program speaks
    absent,       // nobody owns its name: not installed, not enabled, or not loaded yet
    wrongVersion, // answers with another version
};
// What the Shell reports of a companion that it has but does not run.
enum class Refusal {
    none,
    outOfDate, // its shell-version list does not name this Shell
    error,     // it failed to load or to start
};
struct Status {
    Companion companion = Companion::notGnome;
    unsigned version = 0;             // what a companion of another version said
    std::optional<Enabling> enabling; // when the program turned the companion on
    Refusal refusal = Refusal::none;  // when absent
    QString shellError;               // the Shell's words, with Refusal::error
};

// Asks the session bus; when no QCoreApplication exists yet, one lives for the
// question only. Blocks for at most about half a second. When the companion is
// absent and `mayEnable` agrees, one that the Shell knows is turned on and
// waited for (about two seconds more at most), so that the program can use it
// from this start. One that the Shell refuses is reported as such, not turned on.
Status probe(const std::function<bool()>& mayEnable = {});

// Turns the companion on without waiting: through the Shell when the Shell
// knows it, through the Shell's settings key otherwise. onDone runs on the GUI
// thread, also when nothing could be done.
void enableCompanion(std::function<void(Enabling)> onDone);

} // namespace GnomeSession

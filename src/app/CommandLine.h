#pragma once

#include <QString>
#include <QStringList>

// The menu commands that can be given on the command line, so that every
// command stays reachable where no tray shows the menu (a desktop entry's
// actions, a window manager's key bindings).
namespace CommandLine {

struct Outcome {
    QString command;   // "new-shelf", ...; empty when none was asked for
    bool exit = false; // answered already (help, version, a mistake): end with exitCode
    int exitCode = 0;
    QString output; // what to print before ending: to stdout on success, stderr otherwise
};

Outcome parse(const QStringList& arguments);

} // namespace CommandLine

#pragma once

#include <QString>

// The XDG base directories, read from the environment at each call so that a
// test can point them elsewhere. Relative values are ignored, as the
// base-directory rules require.
namespace UserDirectories {

QString config(); // $XDG_CONFIG_HOME or ~/.config
QString state();  // $XDG_STATE_HOME or ~/.local/state
QString data();   // $XDG_DATA_HOME or ~/.local/share

} // namespace UserDirectories

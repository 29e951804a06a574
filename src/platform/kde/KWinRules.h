#pragma once

#include <QByteArray>

// The window rule that keeps shelves from taking the focus: KWin activates a
// new window before any script hears of it, so only a rule can prevent that.
// It lives in the user's kwinrulesrc under a group of the program's own,
// beside the user's rules, which are left as they were, byte for byte.
namespace KWinRules {

// The group of the program's rule.
inline constexpr char group[] = "quoblin-shelves";

// The file's text with the program's rule in it (in place of an older one).
QByteArray withRule(const QByteArray& file);
// The file's text without it: what it was before withRule.
QByteArray withoutRule(const QByteArray& file);

// Writes the user's kwinrulesrc and tells KWin to read it again; false when
// the file could not be written.
bool install();
bool uninstall();

} // namespace KWinRules

#pragma once

#include <QString>

// Style sheets for the parts of a shelf the toolkit would draw in the desktop
// theme's colours: the rows' menus, tool tips and the list's scroll bar. Each
// goes on the one widget that needs it, never on the panel: a sheet on a
// window makes the toolkit match its rules for every widget inside it, row
// by row, and what that leaves of every closed shelf stays scattered over
// the heap.
namespace DarkLook {

QString menu();
QString toolTip();
QString scrollBar();

} // namespace DarkLook

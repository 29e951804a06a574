#pragma once

// Gives the pages of freed heap memory back to the system once the event
// loop next runs, however many times it is asked before that. A closed
// shelf frees its widgets, glyph runs and style rules, but the C library
// keeps the emptied pages for itself, and the program would stay as large as
// it was with every shelf it ever had open.
namespace FreedMemory {

void releaseSoon();

} // namespace FreedMemory

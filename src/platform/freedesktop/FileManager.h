#pragma once

#include <QString>

// Opening and revealing files through the desktop.
namespace FileManager {

// Opens the file with the desktop's default program. A missing file is passed
// on as it is; the desktop reports its own failure.
void open(const QString& path);

// Shows the file selected in the desktop's file manager, or, when no file
// manager answers, opens the folder that holds it. Never waits for the answer.
void reveal(const QString& path);

} // namespace FileManager

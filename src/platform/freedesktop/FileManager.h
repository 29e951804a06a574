#pragma once

#include <QByteArray>

// Opening and revealing files through the desktop. Paths are in the file
// system's own bytes, and reach the desktop as URLs made of them.
namespace FileManager {

// Opens the file with the desktop's default program. A missing file is passed
// on as it is; the desktop reports its own failure.
void open(const QByteArray& path);

// Shows the file selected in the desktop's file manager, or, when no file
// manager answers, opens the folder that holds it. Never waits for the answer.
void reveal(const QByteArray& path);

} // namespace FileManager

#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>

// The program's own folder in the shared temporary directory:
// QDir::tempPath() + "/quoblin-<uid>", mode 0700. Another user may have
// planted that name first (a link to somewhere else, or a folder of theirs
// that they can fill), so the folder is used only when it is a real directory
// owned by us; otherwise there is no folder and writes into it must not happen.
namespace PrivateTempDir {

// The folder, created when missing, or nothing when it is refused or cannot
// be made. Safe to call from any thread.
std::optional<QString> path();

// The same for a chosen parent folder and owner, so tests can exercise refusal.
std::optional<QString> pathIn(const QString& tempRoot, uid_t owner);

// `name` inside path(), created when missing; nothing when either fails.
std::optional<QString> subdirectory(const QString& name);

} // namespace PrivateTempDir

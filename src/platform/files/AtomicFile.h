#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Replaces a whole file in one step: readers, and a crash at any moment, see
// either the old contents or the new, never a mixture.
namespace AtomicFile {

// Writes through a temporary file beside `path` (its folder is made when
// missing) renamed over it at the end. On failure `reason`, when given, gets
// the system's own words and the old file is left as it was.
bool write(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// The same for a file only its owner may read: the folder is made 0700 (or
// tightened to it when it is ours and looser) and the file ends up 0600,
// whatever mode an older file had.
bool writePrivate(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// The whole of a regular file of at most `maxBytes`, or nothing: a larger
// file, a pipe or device planted under its name (which never blocks the
// reader) or one that cannot be read.
std::optional<QByteArray> readRegular(const QString& path, qint64 maxBytes);

// Makes `folder` and its missing parents with mode 0700; an existing folder of
// ours that others may enter is tightened. False when it cannot be made.
bool makePrivateFolder(const QString& folder);

} // namespace AtomicFile

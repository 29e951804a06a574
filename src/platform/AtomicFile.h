#pragma once

#include <QByteArray>
#include <QString>

// Replaces a whole file in one step: readers, and a crash at any moment, see
// either the old contents or the new, never a mixture.
namespace AtomicFile {

// Writes through a temporary file beside `path` (its folder is made when
// missing) renamed over it at the end. On failure `reason`, when given, gets
// the system's own words and the old file is left as it was.
bool write(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

} // namespace AtomicFile

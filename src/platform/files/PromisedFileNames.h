#pragma once

#include <QByteArray>
#include <QString>

// Names for files another program promises to write into a folder of ours.
// What it suggests is only a wish: it must never reach outside the folder.
namespace PromisedFileNames {

// Used when a suggestion leaves nothing usable.
inline constexpr char fallbackName[] = "Received File";

// The suggestion as one plain file name: folder separators, control
// characters (C0, DEL, C1) and direction overrides become "_", surrounding
// blanks go, "." and ".." and empty names become the fallback, and names
// beyond 255 bytes of UTF-8 are cut at a whole character, keeping a short
// extension. Linear in the suggestion's length.
QString safeName(const QString& suggested);

// The text of a file-name property of X11 type `type`: "text/plain" with an
// optional charset (UTF-8 when the bytes are valid UTF-8 and none is named,
// else Latin-1), "UTF8_STRING" or "STRING". Empty for an unknown charset.
QString decode(const QByteArray& bytes, const QByteArray& type);

} // namespace PromisedFileNames

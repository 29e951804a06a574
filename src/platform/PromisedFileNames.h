#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Names for files another program promises to write into a folder of ours.
// What it suggests is only a wish: it must never reach outside the folder
// nor replace a file already there.
namespace PromisedFileNames {

// Used when a suggestion leaves nothing usable.
inline constexpr char fallbackName[] = "Received File";

// The suggestion as one plain file name: folder separators and control
// characters become "_", surrounding blanks go, "." and ".." and empty
// names become the fallback, and long names are shortened (keeping the
// extension) so that a numbered variant still fits in 255 bytes.
QString safeName(const QString& suggested);

// `directory`/`name` when `taken` refuses it, else the first of "base 2.ext",
// "base 3.ext", ... that it accepts. A leading dot is no extension.
QString unusedPath(const QString& directory, const QString& name,
                   const std::function<bool(const QString& path)>& taken);

// Whether anything is at `path`, a dangling symbolic link included.
bool occupied(const QString& path);

// The text of a file-name property of X11 type `type`: "text/plain" with an
// optional charset (UTF-8 when the bytes are valid UTF-8 and none is named,
// else Latin-1), "UTF8_STRING" or "STRING". Empty for an unknown charset.
QString decode(const QByteArray& bytes, const QByteArray& type);

} // namespace PromisedFileNames

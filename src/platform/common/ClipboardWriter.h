#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <functional>

class QMimeData;

// One thing to put on the clipboard: a local file (absolute path) or a text.
struct ClipboardEntry {
    enum class Kind { file, text };
    Kind kind = Kind::text;
    QString value;         // the file's path as text, or the text exactly as stored
    QByteArray nativePath; // the file's path in the file system's own bytes

    static ClipboardEntry file(const QByteArray& nativePath) {
        return {Kind::file, QFile::decodeName(nativePath), nativePath};
    }
    static ClipboardEntry text(QString text) { return {Kind::text, std::move(text), {}}; }
};

// Puts a list of files and texts on the clipboard in one copy, in a form that
// file managers paste as files and text fields paste as lines.
namespace ClipboardWriter {

// "file:" URIs of the files, each percent-encoded from the path's bytes and
// ended by CR LF.
QByteArray uriList(const QList<ClipboardEntry>& entries);
// "copy", then one URI per file, separated by line feeds.
QByteArray copiedFiles(const QList<ClipboardEntry>& entries);
// One line per entry in order: a file's path or a text; lines joined by "\n".
QString plainText(const QList<ClipboardEntry>& entries);

// The three forms above in one new object; the file forms only when there are
// files. The caller owns it.
QMimeData* payload(const QList<ClipboardEntry>& entries);

// Replaces the clipboard's contents with payload(entries). An empty list
// leaves the clipboard alone and returns false; so does a clipboard the
// program could not take, as `heldHere` tells afterwards (without it, a write
// counts as done).
bool write(const QList<ClipboardEntry>& entries, const std::function<bool()>& heldHere);

} // namespace ClipboardWriter

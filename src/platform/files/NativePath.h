#pragma once

#include <QByteArray>
#include <QUrl>

// A local file's path in the file system's own bytes. A name need not be
// UTF-8, and every QString form of it (QFile::decodeName, QUrl::toLocalFile)
// replaces what is not, naming a file that does not exist; these keep every
// byte, and only what is shown on screen is decoded.
namespace NativePath {

// The path a local "file:" URL names, its percent-encoded bytes as they are.
// Empty for any other URL.
QByteArray ofUrl(const QUrl& url);
// A "file:" URL naming exactly these bytes: QUrl::fromLocalFile()'s form when
// the name reads as text, its bytes percent-encoded when not.
QUrl toUrl(const QByteArray& path);
// Without repeated slashes, "." and ".." components, byte for byte.
QByteArray cleaned(const QByteArray& path);

} // namespace NativePath

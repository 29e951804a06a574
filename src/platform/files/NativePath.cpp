#include "platform/files/NativePath.h"

#include <QDir>
#include <QFile>

namespace NativePath {

QByteArray ofUrl(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    if (!url.host().isEmpty())
        return QFile::encodeName(url.toLocalFile());
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QUrl toUrl(const QByteArray& path) {
    const QString text = QFile::decodeName(path);
    if (QFile::encodeName(text) == path)
        return QUrl::fromLocalFile(text);
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
}

QByteArray cleaned(const QByteArray& path) {
    // Latin-1 gives each byte a character of its own and back, and the
    // separators and dots are the same in both.
    return QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
}

} // namespace NativePath

#include "platform/common/ClipboardWriter.h"

#include "platform/files/NativePath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace {

QList<QByteArray> fileUris(const QList<ClipboardEntry>& entries) {
    QList<QByteArray> uris;
    for (const ClipboardEntry& entry : entries) {
        if (entry.kind == ClipboardEntry::Kind::file)
            uris.append(NativePath::toUrl(entry.nativePath).toEncoded());
    }
    return uris;
}

} // namespace

namespace ClipboardWriter {

QByteArray uriList(const QList<ClipboardEntry>& entries) {
    QByteArray list;
    for (const QByteArray& uri : fileUris(entries))
        list += uri + "\r\n";
    return list;
}

QByteArray copiedFiles(const QList<ClipboardEntry>& entries) {
    QByteArray list("copy");
    for (const QByteArray& uri : fileUris(entries))
        list += '\n' + uri;
    return list;
}

QString plainText(const QList<ClipboardEntry>& entries) {
    QStringList lines;
    for (const ClipboardEntry& entry : entries)
        lines.append(entry.value);
    return lines.join(QLatin1Char('\n'));
}

QMimeData* payload(const QList<ClipboardEntry>& entries) {
    auto* data = new QMimeData;
    const bool hasFiles = std::any_of(entries.cbegin(), entries.cend(), [](const auto& entry) {
        return entry.kind == ClipboardEntry::Kind::file;
    });
    if (hasFiles) {
        data->setData(QStringLiteral("text/uri-list"), uriList(entries));
        data->setData(QStringLiteral("x-special/gnome-copied-files"), copiedFiles(entries));
    }
    data->setText(plainText(entries));
    return data;
}

bool write(const QList<ClipboardEntry>& entries, const std::function<bool()>& heldHere) {
    if (entries.isEmpty())
        return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setMimeData(payload(entries), QClipboard::Clipboard);
    return !heldHere || heldHere();
}

} // namespace ClipboardWriter

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

class QMimeData;

// What the program reads of mime data: the contents of a drop or of the
// clipboard. Read-only; each question is answered afresh.
class MimeContents {
public:
    virtual ~MimeContents() = default;

    // The URLs that are local files, in the order given.
    virtual QList<QUrl> fileUrls() const = 0;
    // Every URL, local or not, in the order given.
    virtual QList<QUrl> urls() const = 0;
    // Raw image data of that type, or nothing when the type is not offered.
    virtual std::optional<QByteArray> pngData() const = 0;
    virtual std::optional<QByteArray> tiffData() const = 0;
    // The plain text (UTF-8), or nothing when no plain text is offered.
    virtual std::optional<QString> text() const = 0;
    // Whether the source marked its contents as a secret (a password
    // manager's copy), which must not outlive the program on disk.
    virtual bool isSecret() const = 0;
};

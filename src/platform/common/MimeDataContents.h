#pragma once

#include "platform/MimeContents.h"

// Contents read from mime data that someone else owns and keeps alive for as
// long as this object is used (a drop event's data, the clipboard's data).
class MimeDataContents final : public MimeContents {
public:
    explicit MimeDataContents(const QMimeData* data);

    QList<QUrl> fileUrls() const override;
    QList<QUrl> urls() const override;
    std::optional<QByteArray> pngData() const override;
    std::optional<QByteArray> tiffData() const override;
    std::optional<QString> text() const override;
    bool isSecret() const override;

    // The formats read above, the most wanted first: what to fetch of a
    // clipboard that must be copied before it can be read.
    static QStringList formats();

private:
    std::optional<QByteArray> dataOf(const QString& type) const;

    const QMimeData* m_data;
};

#include "platform/common/MimeDataContents.h"

#include <QMimeData>

MimeDataContents::MimeDataContents(const QMimeData* data)
    : m_data(data) {}

QList<QUrl> MimeDataContents::urls() const {
    return m_data ? m_data->urls() : QList<QUrl>();
}

QList<QUrl> MimeDataContents::fileUrls() const {
    QList<QUrl> files;
    for (const QUrl& url : urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            files.append(url);
    }
    return files;
}

std::optional<QByteArray> MimeDataContents::dataOf(const QString& type) const {
    if (!m_data || !m_data->hasFormat(type))
        return std::nullopt;
    return m_data->data(type);
}

std::optional<QByteArray> MimeDataContents::pngData() const {
    return dataOf(QStringLiteral("image/png"));
}

std::optional<QByteArray> MimeDataContents::tiffData() const {
    return dataOf(QStringLiteral("image/tiff"));
}

namespace {
const QString secretHint = QStringLiteral("x-kde-passwordManagerHint");
} // namespace

QStringList MimeDataContents::formats() {
    return {QStringLiteral("text/uri-list"), QStringLiteral("image/png"),
            QStringLiteral("image/tiff"),    QStringLiteral("text/plain;charset=utf-8"),
            QStringLiteral("text/plain"),    secretHint};
}

bool MimeDataContents::isSecret() const {
    return dataOf(secretHint).value_or(QByteArray()).trimmed() == "secret";
}

std::optional<QString> MimeDataContents::text() const {
    // QMimeData::hasText() also answers true for a bare URL list and text()
    // then joins the URLs; only real plain text counts here, so a bare URL is
    // left to the URL step.
    if (!m_data)
        return std::nullopt;
    if (m_data->hasFormat(QStringLiteral("text/plain;charset=utf-8")))
        return QString::fromUtf8(m_data->data(QStringLiteral("text/plain;charset=utf-8")));
    if (m_data->hasFormat(QStringLiteral("text/plain")))
        return m_data->text();
    return std::nullopt;
}

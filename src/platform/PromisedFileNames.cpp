#include "platform/PromisedFileNames.h"

#include <QStringDecoder>

namespace PromisedFileNames {

namespace {

// Room left for " 9999" when a name needs a number.
constexpr qsizetype maxNameBytes = 255 - 8;
constexpr qsizetype maxExtensionChars = 16;

qsizetype extensionStart(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : name.size();
}

// Drops whole characters from the end of `text` until it fits in `bytes`.
QString fitUtf8(QString text, qsizetype bytes) {
    while (!text.isEmpty() && text.toUtf8().size() > bytes) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

} // namespace

QString safeName(const QString& suggested) {
    QString name;
    name.reserve(suggested.size());
    for (const QChar c : suggested) {
        const bool control = c.unicode() < 0x20 || c.unicode() == 0x7f;
        name += (c == QLatin1Char('/') || control) ? QLatin1Char('_') : c;
    }
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString::fromLatin1(fallbackName);

    if (name.toUtf8().size() > maxNameBytes) {
        const qsizetype dot = extensionStart(name);
        QString extension = name.mid(dot);
        if (extension.size() > maxExtensionChars)
            extension.clear();
        const QString base = fitUtf8(name.left(dot), maxNameBytes - extension.toUtf8().size());
        name = base.trimmed().isEmpty() ? QString::fromLatin1(fallbackName) + extension
                                        : base + extension;
    }
    return name;
}

QString decode(const QByteArray& bytes, const QByteArray& type) {
    QByteArray data = bytes;
    while (data.endsWith('\0'))
        data.chop(1);

    const QByteArray lowered = type.toLower();
    if (lowered == "utf8_string")
        return QString::fromUtf8(data);
    if (lowered == "string")
        return QString::fromLatin1(data);

    QByteArray charset;
    const qsizetype at = lowered.indexOf("charset=");
    if (at >= 0) {
        charset = lowered.mid(at + 8);
        if (const qsizetype end = charset.indexOf(';'); end >= 0)
            charset.truncate(end);
        charset = charset.trimmed();
        if (charset.size() >= 2 && charset.startsWith('"') && charset.endsWith('"'))
            charset = charset.mid(1, charset.size() - 2);
    }
    if (charset.isEmpty()) {
        // Unnamed is Latin-1 by the protocol, but senders write UTF-8 in practice.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(data);
        return utf8.hasError() ? QString::fromLatin1(data) : text;
    }
    QStringDecoder decoder(charset.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return {};
    const QString text = decoder(data);
    return decoder.hasError() ? QString() : text;
}

} // namespace PromisedFileNames

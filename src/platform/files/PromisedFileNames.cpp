#include "platform/files/PromisedFileNames.h"

#include <QStringDecoder>

namespace PromisedFileNames {

namespace {

// A file system keeps names of up to 255 bytes. Every drop gets a folder of its
// own, so no room is kept for a number.
constexpr qsizetype maxNameBytes = 255;
constexpr qsizetype maxExtensionChars = 16;

// Controls (C0, DEL, C1) and the marks that change the direction in which a
// name is shown: with them a name ending in ".exe" can look like a picture.
bool unwanted(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || (c >= 0x202a && c <= 0x202e) ||
           (c >= 0x2066 && c <= 0x2069);
}

// The longest start of `text` within `bytes` of UTF-8. `text` holds no lone
// surrogate, so a pair is never split.
QString fitUtf8(const QString& text, qsizetype bytes) {
    qsizetype used = 0, end = 0;
    while (end < text.size()) {
        const char16_t c = text[end].unicode();
        const bool pair = QChar::isHighSurrogate(c);
        used += pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (used > bytes)
            break;
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

QString safeName(const QString& suggested) {
    // One pass over the suggestion, however long it is; every replacement
    // takes the place of exactly one UTF-16 unit.
    QString name = suggested;
    QChar* units = name.data();
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = units[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && units[i + 1].isLowSurrogate())
            ++i;
        else if (QChar::isSurrogate(c))
            units[i] = QChar::ReplacementCharacter;
        else if (c == u'/' || unwanted(c))
            units[i] = u'_';
    }
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString::fromLatin1(fallbackName);

    if (fitUtf8(name, maxNameBytes).size() < name.size()) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        QString extension = dot > 0 ? name.mid(dot) : QString();
        if (extension.size() > maxExtensionChars)
            extension.clear();
        const QString base = fitUtf8(name.left(dot > 0 && !extension.isEmpty() ? dot : name.size()),
                                     maxNameBytes - extension.toUtf8().size());
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

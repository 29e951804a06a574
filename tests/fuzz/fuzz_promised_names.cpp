// Any bytes suggested as the name of a promised file, under each kind of type:
// the name is one plain name of at most 255 bytes, whole characters only, with
// no folder separator, control character or direction mark in it.
#include "platform/PromisedFileNames.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QByteArray types[] = {"text/plain", "text/plain;charset=utf-8",
                                       "text/plain;charset=iso-8859-2", "STRING", "UTF8_STRING"};
    const QByteArray& type = types[size % std::size(types)];
    const QString name = PromisedFileNames::safeName(PromisedFileNames::decode(bytes, type));
    const QByteArray utf8 = name.toUtf8();
    if (name.isEmpty() || utf8.size() > 255 || QString::fromUtf8(utf8) != name ||
        name == QLatin1String(".") || name == QLatin1String(".."))
        std::abort();
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u'/' || u < 0x20 || (u >= 0x7f && u <= 0x9f) || (u >= 0x202a && u <= 0x202e) ||
            (u >= 0x2066 && u <= 0x2069))
            std::abort();
    }
    return 0;
}

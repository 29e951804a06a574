// Any bytes suggested as the name of a promised file, under each kind of type:
// one plain name of at most 255 bytes of whole characters, without a folder
// separator, control character or direction mark.
#include "platform/files/PromisedFileNames.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QByteArray types[] = {"text/plain", "text/plain;charset=iso-8859-2", "STRING",
                                       "UTF8_STRING"};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString name =
        PromisedFileNames::safeName(PromisedFileNames::decode(bytes, types[size % 4]));
    const QByteArray utf8 = name.toUtf8();
    bool bad = name.isEmpty() || utf8.size() > 255 || QString::fromUtf8(utf8) != name ||
               name == QLatin1String(".") || name == QLatin1String("..");
    for (const QChar ch : name) {
        const char16_t c = ch.unicode();
        bad = bad || c == u'/' || c < 0x20 || (c >= 0x7f && c <= 0x9f) ||
              (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
    }
    if (bad)
        std::abort();
    return 0;
}

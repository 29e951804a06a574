// Any bytes given to the bookmark resolver: no crash, no out-of-bounds read,
// and every record the decoder accepts is exactly what the encoder makes.
#include "platform/files/Bookmarks.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto record = Bookmarks::decode(bytes)) {
        if (Bookmarks::encode(*record) != bytes)
            std::abort();
    }
    if (const auto resolved = Bookmarks::resolve(bytes)) {
        if (!resolved->path.startsWith(QLatin1Char('/')))
            std::abort();
    }
    return 0;
}

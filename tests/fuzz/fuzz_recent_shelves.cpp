// Any bytes given to the recent-shelves reader: no crash, no undefined
// behaviour, and whatever it accepts must write out and read back the same.
#include "model/ShelfStore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto shelves = ShelfStore::decode(bytes);
    if (!shelves)
        return 0;
    const auto written = ShelfStore::encode(*shelves);
    if (!written)
        std::abort(); // a file that was read must be writable again
    const auto again = ShelfStore::decode(*written);
    if (!again || *again != *shelves)
        std::abort();
    return 0;
}

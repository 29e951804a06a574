#include "platform/common/FreedMemory.h"

#include <QTimer>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace FreedMemory {

void releaseSoon() {
#if defined(__GLIBC__)
    static bool pending = false;
    if (std::exchange(pending, true))
        return;
    QTimer::singleShot(0, [] {
        pending = false;
        malloc_trim(0);
    });
#endif
}

} // namespace FreedMemory

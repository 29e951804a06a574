#include "platform/common/EarlyApplication.h"

std::unique_ptr<QCoreApplication> earlyApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    // The application object keeps these for its whole life.
    static int argc = 1;
    static char name[] = "quoblin";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

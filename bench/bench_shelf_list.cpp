// How long the shelf list takes to take in many items and to lose one of
// them, on the offscreen platform. Prints figures; asserts nothing.
#include "BenchFigures.h"
#include "model/ShelfItem.h"
#include "platform/Timers.h"
#include "shelf/ShelfController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

std::vector<ShelfItemPtr> texts(int count) {
    std::vector<ShelfItemPtr> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i)
        items.push_back(ShelfItem::makeText(QStringLiteral("Item number %1").arg(i)));
    return items;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int count = 1000;
    constexpr int rounds = 7;

    SystemTimers timers;
    std::vector<double> addAll, addOneByOne, removeOne, removeFirst;
    for (int round = 0; round < rounds; ++round) {
        {
            ShelfController shelf({}, timers);
            auto items = texts(count);
            QElapsedTimer t;
            t.start();
            shelf.add(items);
            addAll.push_back(t.nsecsElapsed() / 1e6);
        }
        ShelfController shelf({}, timers);
        auto items = texts(count);
        QElapsedTimer t;
        t.start();
        for (const ShelfItemPtr& item : items)
            shelf.add({item});
        addOneByOne.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        shelf.remove(items[count / 2]);
        removeOne.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        shelf.remove(items[0]);
        removeFirst.push_back(t.nsecsElapsed() / 1e6);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::printf("shelf list, %d text items, median of %d rounds (offscreen)\n", count, rounds);
    std::printf("  add %d items in one drop          %8.2f ms\n", count, median(addAll));
    std::printf("  add %d items one drop at a time   %8.2f ms\n", count, median(addOneByOne));
    std::printf("  remove the middle item of %d      %8.2f ms   (one frame: 16.7 ms)\n", count,
                median(removeOne));
    std::printf("  remove the first item of %d       %8.2f ms\n", count - 1, median(removeFirst));
    return 0;
}

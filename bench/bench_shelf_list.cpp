// How long the shelf list takes to take in many items and to lose one of
// them, and how a row of a 32 MiB text paints, hovers and weighs, on the
// offscreen platform. Prints figures and "ROW" lines; asserts nothing.
#include "BenchFigures.h"
#include "model/ShelfItem.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/SystemTimers.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QToolTip>
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

// Median milliseconds of painting the row, and of hovering it, coming from
// `other`, until its tool tip shows its text.
std::pair<double, double> paintAndHover(ItemRowView* row, ItemRowView* other, int rounds) {
    QPixmap target(row->size());
    std::vector<double> paints, hovers;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        row->render(&target);
        paints.push_back(t.nsecsElapsed() / 1e6);
        QToolTip::showText(other->mapToGlobal(QPoint(20, 10)), other->toolTip(), other);
        t.restart();
        // What the row's tool tip event does with the text it holds.
        QToolTip::showText(row->mapToGlobal(QPoint(20, 10)), row->toolTip(), row);
        hovers.push_back(t.nsecsElapsed() / 1e6);
        if (QToolTip::text() != row->toolTip())
            std::printf("  (the tool tip did not show)\n");
    }
    return {median(paints), median(hovers)};
}

void row(const char* figure, double value, const char* goal, double baseline, bool met) {
    std::printf("ROW\t%s\t%.2f\t%s\t%.2f\t%.1f×\t%s\n", figure, value, goal, baseline,
                value / baseline, met ? "met" : "missed");
}

// A shelf holding a text of 32 MiB, the largest the recent-shelves file keeps,
// against the same shelf holding a short text only, in the same process.
void hugeText(Timers& timers) {
    constexpr qsizetype size = 32 * 1024 * 1024;
    Shelf shelf({ShelfItem::makeText("A short text")}, timers);
    ShelfController window(shelf);
    window.show(QPointF(100, 100), DesktopScreens::layout());
    paintAndHover(window.rows().at(0), window.rows().at(0), 2); // what Qt sets up once
    const double before = residentMiB();
    QString text;
    text.reserve(size);
    while (text.size() < size)
        text += QStringLiteral("A line of a long log, %1 characters in all.\n").arg(size);
    text.truncate(size);
    const double withText = residentMiB();
    shelf.add({ShelfItem::makeText(text)});
    text.clear(); // the item's is the only copy now
    ItemRowView* small = window.rows().at(0);
    ItemRowView* huge = window.rows().at(1);
    const auto [paint, hover] = paintAndHover(huge, small, 25);
    const auto [shortPaint, shortHover] = paintAndHover(small, huge, 25);
    const double grown = residentMiB() - before;
    std::printf("a row of a 32 MiB text against one of a short text, median of 25\n");
    std::printf("  paint %8.2f ms (short %.2f ms), hover %8.2f ms (short %.2f ms)\n", paint,
                shortPaint, hover, shortHover);
    std::printf("  memory: %.0f MiB more with the text on the shelf, %.0f MiB of it the text as "
                "the program holds it (UTF-16)\n",
                grown, withText - before);
    row("Paint of a row holding a 32 MiB text, ms (baseline: a short text's row)", paint, "≤ 2 ms",
        shortPaint, paint <= 2);
    row("Hover (tool tip shown) on a row holding a 32 MiB text, ms (baseline: a short text's row)",
        hover, "≤ 16.7 ms (a frame)", shortHover, hover <= 16.7);
    std::printf("ROW\tMemory a 32 MiB text adds to an open shelf, MiB (baseline: the text's size "
                "in UTF-8; Qt holds it in UTF-16, 2×)\t%.0f\t≤ 2× the text\t32\t%.2f×\t%s\n",
                grown, grown / 32, grown <= 64 ? "met" : "missed");
    shelf.close();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int count = 1000;
    constexpr int rounds = 7;

    SystemTimers timers;
    hugeText(timers);
    std::vector<double> addAll, addOneByOne, removeOne, removeFirst;
    for (int round = 0; round < rounds; ++round) {
        {
            Shelf shelf({}, timers);
            ShelfController window(shelf);
            auto items = texts(count);
            QElapsedTimer t;
            t.start();
            shelf.add(items);
            addAll.push_back(t.nsecsElapsed() / 1e6);
        }
        Shelf shelf({}, timers);
        ShelfController window(shelf);
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

// Ten thousand rounds of a shelf's whole life in one process, with the real
// shelf manager, the real clock and the real recent-shelves file: open a
// shelf, drop files and a text on it, close it (it becomes a recent shelf),
// reopen that recent shelf and close it again. Prints how resident memory
// moved and whether the file on disk still reads back whole. Runs on the
// offscreen platform with XDG_STATE_HOME in a throw-away folder.
#include "BenchFigures.h"
#include "app/AppServices.h"
#include "app/DesktopServices.h"
#include "model/Shelf.h"
#include "model/ShelfItem.h"
#include "model/ShelfManager.h"
#include "model/ShelfStore.h"
#include "shelf/ShelfControllerWindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char* argv[]) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int warmUp = 100;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toLocal8Bit());
    QApplication app(argc, argv);
    // The offscreen platform warns at every panel it cannot mask or raise.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});

    QList<QUrl> files;
    for (int i = 0; i < 3; ++i) {
        const QString path = dir.filePath(QStringLiteral("file %1.txt").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("content\n") != 8)
            return 1;
        files << QUrl::fromLocalFile(path);
    }

    DesktopServices desktop;
    // The real desktop services, windows and file.
    ShelfManager manager(desktop.shelfServices(), desktop.appServices().windows);
    const QPointF near(400, 400);
    double atStart = residentMiB(), afterWarmUp = 0;
    int failedSteps = 0;
    QElapsedTimer timer;
    timer.start();
    for (int cycle = 0; cycle < cycles; ++cycle) {
        Shelf* shelf = manager.newShelf(near, {});
        if (!shelf) {
            ++failedSteps;
            continue;
        }
        std::vector<ShelfItemPtr> dropped;
        for (const QUrl& url : files)
            dropped.push_back(ShelfItem::makeFile(url));
        dropped.push_back(ShelfItem::makeText(QStringLiteral("text of round %1").arg(cycle)));
        shelf->add(std::move(dropped));
        shelf->close();
        if (manager.recent().empty() || manager.recent().front().items.size() != 4) {
            ++failedSteps;
            continue;
        }
        const RecentShelf recent = manager.recent().front();
        manager.restore(recent, near);
        const auto reopened = manager.shelves();
        if (reopened.size() != 1 || reopened.front()->items().size() != 4)
            ++failedSteps;
        for (Shelf* restored : reopened)
            restored->close();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (cycle + 1 == warmUp)
            afterWarmUp = residentMiB();
    }
    const double seconds = timer.elapsed() / 1000.0;
    const double atEnd = residentMiB();

    // The file as the next start would read it.
    const std::vector<StoredShelf> stored = ShelfStore::read(ShelfStore::defaultURL());
    bool fileValid = stored.size() == std::size_t(ShelfManager::maxRecent);
    for (const StoredShelf& shelf : stored) {
        fileValid = fileValid && shelf.items.size() == 4 && shelf.items[3].text &&
                    shelf.items[3].text->startsWith(QLatin1String("text of round ")) &&
                    shelf.items[0].bookmark;
    }
    const bool lastRound =
        !stored.empty() && stored.front().items.size() == 4 &&
        stored.front().items[3].text == QStringLiteral("text of round %1").arg(cycles - 1);

    std::printf("endurance: %d rounds in %.1f s (%.2f ms a round), failed steps %d\n", cycles,
                seconds, seconds * 1000 / cycles, failedSteps);
    std::printf("  RSS %.1f MiB at start, %.1f after %d rounds, %.1f at the end\n", atStart,
                afterWarmUp, warmUp, atEnd);
    std::printf("  recent-shelves file: %zu shelves read back, %s, newest is the last round: %s\n",
                stored.size(), fileValid ? "all well-formed" : "NOT as expected",
                lastRound ? "yes" : "NO");
    const double growth = atEnd - afterWarmUp;
    const bool met = growth * 1.048576 < 5 && fileValid && lastRound && failedSteps == 0;
    std::printf("ROW\tEndurance: %d rounds of open, drop 4 items, close, reopen, close (in one "
                "process, offscreen, real file); RSS growth after round %d\t%+.1f MiB (%+.1f from "
                "start); file %s\t< 5 MB, file valid\t\t\t%s\n",
                cycles, warmUp, growth, atEnd - atStart,
                fileValid && lastRound ? "valid" : "INVALID", met ? "met" : "missed");
    return 0;
}

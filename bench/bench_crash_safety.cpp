// Kills a process that keeps rewriting the recent-shelves file, through the
// program's own store code, at random moments, and reads the file back after
// every kill: it must hold one of the two lists the writer alternates between,
// whole. Prints the count; asserts nothing.
#include "model/ShelfStore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Ten shelves of twenty items, so a write takes long enough to be cut.
std::vector<StoredShelf> list(int which) {
    std::vector<StoredShelf> shelves;
    for (int s = 0; s < 10; ++s) {
        StoredShelf shelf;
        shelf.date = 786000000.0 + which * 1000 + s;
        for (int i = 0; i < 20; ++i) {
            StoredItem item;
            if (i % 2)
                item.text = QStringLiteral("list %1, shelf %2, text %3 ")
                                .arg(which)
                                .arg(s)
                                .arg(i)
                                .repeated(8);
            else
                item.bookmark = QByteArray(600, char('a' + (which + s + i) % 26));
            shelf.items.push_back(std::move(item));
        }
        shelves.push_back(std::move(shelf));
    }
    return shelves;
}

int writeForever(const QString& path) {
    const std::vector<StoredShelf> lists[2] = {list(1), list(2)};
    std::printf("WRITING\n");
    std::fflush(stdout);
    for (long n = 0;; ++n) {
        if (!ShelfStore::write(lists[n % 2], path))
            return 1;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0)
        return writeForever(QString::fromLocal8Bit(argv[2]));
    const int kills = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString path = dir.filePath(QStringLiteral("recent-shelves.json"));
    const std::vector<StoredShelf> first = list(1), second = list(2);
    if (!ShelfStore::write(first, path))
        return 1;

    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> delayUs(0, 40000);
    int whole = 0, unreadable = 0, other = 0, firstSeen = 0;
    for (int k = 0; k < kills; ++k) {
        int out[2];
        if (pipe(out) != 0)
            return 1;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            execl("/proc/self/exe", argv[0], "--write", path.toLocal8Bit().constData(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char ready[16] = {};
        const ssize_t got = read(out[0], ready, sizeof ready - 1); // "WRITING"
        close(out[0]);
        if (got > 0)
            usleep(useconds_t(delayUs(random)));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);

        QFile file(path);
        const auto decoded =
            file.open(QIODevice::ReadOnly) ? ShelfStore::decode(file.readAll()) : std::nullopt;
        if (!decoded)
            ++unreadable;
        else if (*decoded == first || *decoded == second)
            ++whole, firstSeen += *decoded == first;
        else
            ++other;
    }
    const qsizetype leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() - 1;
    std::printf("crash safety: %d kills; file whole (old or new list) %d, unreadable %d, some "
                "other list %d; first list %d times, second %d; temporary files left beside it "
                "%lld\n",
                kills, whole, unreadable, other, firstSeen, whole - firstSeen,
                static_cast<long long>(leftovers));
    std::printf("ROW\tCrash safety: writer of the recent-shelves file killed (SIGKILL) at random "
                "moments\t%d/%d whole\t%d/%d\t\t\t%s\n",
                whole, kills, kills, kills, whole == kills ? "met" : "missed");
    return 0;
}

// How long a suggested name of a promised file takes to become a safe name,
// for suggestions from a few thousand characters up to a mebibyte. Prints
// figures and a "ROW" line for bench/run-all; asserts nothing.
#include "BenchFigures.h"
#include "platform/files/PromisedFileNames.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <vector>

int main() {
    constexpr int rounds = 5;
    double largest = 0;
    std::printf("promised names: safeName, median of %d rounds\n", rounds);
    for (const qsizetype length : {qsizetype(20'000), qsizetype(60'000), qsizetype(1) << 20}) {
        // Letters, a two-byte and a four-byte character, a control and a
        // direction mark, so that every path of the cleaning is taken.
        const QString unit = QString::fromUtf8("abc\xc8\x99\xf0\x9f\x98\x80\x01\xe2\x80\xae");
        QString suggested;
        while (suggested.size() < length)
            suggested += unit;
        suggested.truncate(length - 4);
        suggested += QStringLiteral(".txt");
        std::vector<double> times;
        qsizetype bytes = 0;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer t;
            t.start();
            bytes = PromisedFileNames::safeName(suggested).toUtf8().size();
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        largest = median(times);
        std::printf("  %8lld characters  %9.2f ms  (name of %lld bytes)\n",
                    static_cast<long long>(length), largest, static_cast<long long>(bytes));
    }
    std::printf("ROW\tPromised file name of 1 MiB made safe (cleaned, cut to 255 bytes)\t%.1f "
                "ms\t< 100 ms\t\t\t%s\n",
                largest, largest < 100 ? "met" : "missed");
    return 0;
}

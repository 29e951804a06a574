// Times the shelf's zip job against the zip command line tool on the same
// files at the same deflate level, for a mixed set, media alone and text
// alone; the job on every core and on one, which is how it ran before it
// compressed in parallel. Prints "ROW" lines for bench/run-all.
#include "archive/ZipJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <cstdio>
#include <sys/resource.h>

namespace {

QRandomGenerator generator(20240601);

QByteArray randomBytes(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    auto* words = reinterpret_cast<quint32*>(bytes.data());
    generator.fillRange(words, static_cast<qsizetype>(size / 4));
    return bytes;
}

QByteArray prose(qint64 size) {
    static const char* const words[] = {
        "shelf",     "drag",   "drop", "file",     "folder",  "the",    "a",
        "of",        "and",    "to",   "window",   "archive", "cursor", "shake",
        "panel",     "item",   "copy", "paste",    "text",    "image",  "zip",
        "temporary", "recent", "menu", "language", "point",   "screen", "time"};
    QByteArray text;
    text.reserve(size + 32);
    while (text.size() < size) {
        text += words[generator.bounded(int(std::size(words)))];
        text += generator.bounded(12) == 0 ? '\n' : ' ';
    }
    text.truncate(size);
    return text;
}

QByteArray logLines(qint64 size) {
    QByteArray text;
    text.reserve(size + 128);
    for (quint64 n = 0; text.size() < size; ++n) {
        text += "2024-06-01T12:" + QByteArray::number(n % 60).rightJustified(2, '0') +
                ":00 INFO request " + QByteArray::number(generator.bounded(100000)) +
                " served in " + QByteArray::number(generator.bounded(900)) + " ms from cache " +
                QByteArray::number(n % 7) + "\n";
    }
    text.truncate(size);
    return text;
}

qint64 writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    return bytes.size();
}

struct Timing {
    double ours = 0;
    double oneCore = 0;
    double tool = 0;
    double ourCpu = 0; // user and system time of all threads, on every core
    double toolCpu = 0;
    qint64 ourSize = 0;
    qint64 toolSize = 0;
};

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

const int cores = QThread::idealThreadCount();

// The job's archive and its time, on as many threads as `threads`.
QString zipJob(const QList<QByteArray>& paths, const QString& out, int threads, double* time) {
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
    QElapsedTimer timer;
    timer.start();
    const QString archive = ZipJob::run(paths, out);
    *time = seconds(timer);
    if (archive.isEmpty()) {
        std::fprintf(stderr, "the zip job failed\n");
        std::exit(1);
    }
    return archive;
}

// Best of `rounds` for each side, alternating so all see the same cache state.
Timing race(const QString& root, const QStringList& folders, const QString& out, int rounds) {
    Timing best{1e9, 1e9, 1e9, 1e9, 1e9, 0, 0};
    QList<QByteArray> paths;
    for (const QString& folder : folders)
        paths.append(QFile::encodeName(root + "/" + folder));
    for (int round = 0; round < rounds; ++round) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);

        QElapsedTimer timer;
        timer.start();
        const double childCpu = cpuSeconds(RUSAGE_CHILDREN);
        QProcess zip;
        zip.setWorkingDirectory(root);
        zip.start("zip", QStringList{"-r", "-q", "-6", out + "/tool.zip"} + folders);
        zip.waitForFinished(-1);
        const double tool = seconds(timer);
        best.toolCpu = std::min(best.toolCpu, cpuSeconds(RUSAGE_CHILDREN) - childCpu);
        if (zip.exitCode() != 0) {
            std::fprintf(stderr, "zip failed: %s\n", zip.readAllStandardError().constData());
            std::exit(1);
        }
        double ours = 0, oneCore = 0;
        const double ownCpu = cpuSeconds(RUSAGE_SELF);
        const QString archive = zipJob(paths, out, cores, &ours);
        best.ourCpu = std::min(best.ourCpu, cpuSeconds(RUSAGE_SELF) - ownCpu);
        best.ourSize = QFileInfo(archive).size();
        QFile::remove(archive);
        zipJob(paths, out, 1, &oneCore);
        best.tool = std::min(best.tool, tool);
        best.ours = std::min(best.ours, ours);
        best.oneCore = std::min(best.oneCore, oneCore);
        best.toolSize = QFileInfo(out + "/tool.zip").size();
    }
    QThreadPool::globalInstance()->setMaxThreadCount(cores);
    return best;
}

// A table row when there is a goal: at most `goalRatio` of the tool's time,
// and for what is compressed an archive at most 1 % larger than the tool's.
void report(const char* label, qint64 inputBytes, const Timing& t, const char* goal = nullptr,
            double goalRatio = 0, bool compressed = false) {
    std::printf("%-12s input %7.1f MB | ZipJob on %d cores %6.2f s (%7.1f MB; CPU %.2f s), on 1 "
                "core %6.2f s | zip -r -q -6 %6.2f s (%7.1f MB; CPU %.2f s) | ratio %.2f (1 core "
                "%.2f)\n",
                label, inputBytes / 1e6, cores, t.ours, t.ourSize / 1e6, t.ourCpu, t.oneCore,
                t.tool, t.toolSize / 1e6, t.toolCpu, t.ours / t.tool, t.oneCore / t.tool);
    if (!goal)
        return;
    const double larger = double(t.ourSize) / double(t.toolSize) - 1;
    const bool met = t.ours / t.tool <= goalRatio && (!compressed || larger <= 0.01);
    std::printf("ROW\tZip, %s (%.0f MB), best of 2, on %d cores\t%.2f s (CPU %.2f s), archive "
                "%.1f MB (%+.1f %%); on 1 core %.2f s (ratio %.2f)\t%s\tzip -r -q -6: %.2f s "
                "(CPU %.2f s), %.1f MB\t%.2f\t%s\n",
                label, inputBytes / 1e6, cores, t.ours, t.ourCpu, t.ourSize / 1e6, larger * 100,
                t.oneCore, t.oneCore / t.tool, goal, t.tool, t.toolCpu, t.toolSize / 1e6,
                t.ours / t.tool, met ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString root = dir.path() + "/input";
    for (const char* folder : {"/texts", "/logs", "/media"})
        QDir().mkpath(root + folder);

    qint64 textBytes = 0, mediaBytes = 0;
    for (int i = 0; i < 4000; ++i)
        textBytes += writeFile(root + QString("/texts/note-%1.txt").arg(i),
                               prose(2000 + generator.bounded(20000)));
    for (int i = 0; i < 4; ++i)
        textBytes += writeFile(root + QString("/logs/server-%1.log").arg(i), logLines(25'000'000));
    const QByteArray jpegMagic("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    const QByteArray mp4Magic("\x00\x00\x00\x18"
                              "ftypmp42\x00\x00\x00\x00",
                              16);
    const QByteArray zipMagic("PK\x03\x04\x14\x00\x00\x00", 8);
    for (int i = 0; i < 12; ++i)
        mediaBytes += writeFile(root + QString("/media/photo-%1.jpg").arg(i),
                                jpegMagic + randomBytes(4'000'000));
    for (int i = 0; i < 4; ++i)
        mediaBytes += writeFile(root + QString("/media/clip-%1.mp4").arg(i),
                                mp4Magic + randomBytes(20'000'000));
    for (int i = 0; i < 2; ++i)
        mediaBytes += writeFile(root + QString("/media/bundle-%1.zip").arg(i),
                                zipMagic + randomBytes(10'000'000));

    std::printf("zip of %.1f MB of text (4000 small files, 4 large logs) and %.1f MB of media\n",
                textBytes / 1e6, mediaBytes / 1e6);
    const QString out = dir.path() + "/out";
    report("everything", textBytes + mediaBytes, race(root, {"texts", "logs", "media"}, out, 2));
    report("media only", mediaBytes, race(root, {"media"}, out, 2), "≤ 0.1× zip", 0.1);
    report("texts only", textBytes, race(root, {"texts", "logs"}, out, 2),
           "≤ 0.5× zip, archive ≤ 1 % larger", 0.5, true);
    return 0;
}

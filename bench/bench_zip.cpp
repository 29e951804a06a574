// Times the shelf's zip job against the zip command line tool on the same
// files at the same deflate level, for a mixed set and for media alone.
#include "archive/ZipJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

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
    double tool = 0;
    qint64 ourSize = 0;
    qint64 toolSize = 0;
};

double seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// Best of `rounds` for each side, alternating so both see the same cache state.
Timing race(const QString& root, const QStringList& folders, const QString& out, int rounds) {
    Timing best{1e9, 1e9, 0, 0};
    QList<QByteArray> paths;
    for (const QString& folder : folders)
        paths.append(QFile::encodeName(root + "/" + folder));
    for (int round = 0; round < rounds; ++round) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);

        QElapsedTimer timer;
        timer.start();
        QProcess zip;
        zip.setWorkingDirectory(root);
        zip.start("zip", QStringList{"-r", "-q", "-6", out + "/tool.zip"} + folders);
        zip.waitForFinished(-1);
        const double tool = seconds(timer);
        if (zip.exitCode() != 0) {
            std::fprintf(stderr, "zip failed: %s\n", zip.readAllStandardError().constData());
            std::exit(1);
        }

        timer.start();
        const QString archive = ZipJob::run(paths, out);
        const double ours = seconds(timer);
        if (archive.isEmpty()) {
            std::fprintf(stderr, "the zip job failed\n");
            std::exit(1);
        }
        best.tool = std::min(best.tool, tool);
        best.ours = std::min(best.ours, ours);
        best.toolSize = QFileInfo(out + "/tool.zip").size();
        best.ourSize = QFileInfo(archive).size();
    }
    return best;
}

void report(const char* label, qint64 inputBytes, const Timing& t) {
    std::printf("%-12s input %7.1f MB | ZipJob %6.2f s (%7.1f MB) | zip -r -q -6 %6.2f s (%7.1f "
                "MB) | ratio %.2f\n",
                label, inputBytes / 1e6, t.ours, t.ourSize / 1e6, t.tool, t.toolSize / 1e6,
                t.ours / t.tool);
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
    report("media only", mediaBytes, race(root, {"media"}, out, 2));
    report("texts only", textBytes, race(root, {"texts", "logs"}, out, 2));
    return 0;
}

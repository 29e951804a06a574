#pragma once

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// Packs files and folders into one archive in a directory, off the GUI thread.
// Their paths are in the file system's own bytes.
// Each job is independent: several may run at once, and each makes its own
// archive "Shelf HH.mm.ss-XXXX.zip". A failure makes no archive and leaves no
// file behind; it is silent.
class ZipJob {
public:
    ZipJob(QList<QByteArray> paths, QString destinationDirectory);

    // Both run on the GUI thread, and only while the owner given to start()
    // still exists. onFinished comes only on success, with the archive's path.
    std::function<void(const QString& archivePath)> onFinished;
    // Fractions from 0 to 1 while the archive is written, a few dozen a second at most.
    std::function<void(double fraction)> onProgress;

    // Starts the work on the global thread pool and returns at once. The job
    // keeps only a weak reference to `owner`: destroying the owner meanwhile
    // does not stop the archive from being made, but no callback follows. The
    // future yields the archive's path, or an empty string on failure.
    QFuture<QString> start(QObject* owner);

    // The work itself, on the calling thread: the archive's path or empty.
    static QString run(const QList<QByteArray>& paths, const QString& destinationDirectory,
                       const std::function<void(double)>& progress = {});

    static constexpr int progressIntervalMs = 33;

private:
    QList<QByteArray> m_paths;
    QString m_destination;
};

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
// file behind.
class ZipJob {
public:
    // What a job tells its owner: how far it is while it works, then once
    // that it ended, with the archive's path, or with none when it failed.
    struct Report {
        bool ended = false;
        double fraction = 0; // from 0 to 1 while not ended
        QString archivePath; // when ended; empty after a failure
    };

    ZipJob(QList<QByteArray> paths, QString destinationDirectory);

    // Runs on the GUI thread, and only while the owner given to start() still
    // exists: progress a few dozen times a second at most, then the end.
    std::function<void(const Report&)> onReport;

    // Starts the work on the global thread pool and returns at once. The job
    // keeps only a weak reference to `owner`: destroying the owner meanwhile
    // does not stop the archive from being made, but no report follows. The
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

#include "archive/ZipJob.h"

#include "archive/ShelfArchive.h"
#include "archive/ZipNaming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <memory>

namespace {

// What travels from the worker back to the GUI thread. Everything the caller
// handed over is released there too, never on the worker.
struct Delivery {
    QPointer<QObject> owner;
    std::function<void(const ZipJob::Report&)> onReport;

    void report(const ZipJob::Report& report) const {
        if (owner && onReport)
            onReport(report);
    }
};

// Runs `task` on the application's thread. The application waits for the
// global thread pool before it goes away, so it outlives every worker.
void post(std::function<void()> task) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

} // namespace

ZipJob::ZipJob(QList<QByteArray> paths, QString destinationDirectory)
    : m_paths(std::move(paths))
    , m_destination(std::move(destinationDirectory)) {}

QString ZipJob::run(const QList<QByteArray>& paths, const QString& destinationDirectory,
                    const std::function<void(double)>& progress) {
    if (paths.isEmpty())
        return {};
    ShelfArchive archive;
    if (!archive.add(paths))
        return {};
    return archive.write(destinationDirectory, ZipNaming::newArchiveName(), progress);
}

QFuture<QString> ZipJob::start(QObject* owner) {
    auto delivery = std::make_shared<Delivery>(Delivery{owner, std::move(onReport)});
    onReport = {};
    return QtConcurrent::run(
        [paths = m_paths, destination = m_destination, delivery = std::move(delivery)]() mutable {
            QElapsedTimer sinceLast;
            std::function<void(double)> progress;
            if (delivery->onReport) {
                progress = [&sinceLast, &delivery](double fraction) {
                    if (sinceLast.isValid() && sinceLast.elapsed() < progressIntervalMs &&
                        fraction < 1.0)
                        return;
                    sinceLast.start();
                    post([delivery, fraction] { delivery->report({false, fraction, {}}); });
                };
            }
            const QString archivePath = run(paths, destination, progress);
            // The last reference goes to the GUI thread whatever the outcome.
            post([delivery = std::move(delivery), archivePath] {
                delivery->report({true, 1.0, archivePath});
            });
            return archivePath;
        });
}

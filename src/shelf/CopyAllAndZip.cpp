#include "shelf/CopyAllAndZip.h"

#include "platform/ClipboardWriter.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ZipJob.h"

CopyAllAndZip::CopyAllAndZip(Shelf* shelf)
    : m_shelf(shelf) {}

void CopyAllAndZip::copyAll() {
    if (!m_shelf || m_shelf->items().empty())
        return;
    QList<ClipboardEntry> entries;
    for (const ShelfItemPtr& item : m_shelf->items())
        entries.append(item->isFile() ? ClipboardEntry::file(item->nativePath())
                                      : ClipboardEntry::text(item->text()));
    if (!ClipboardWriter::write(entries) && onCopyFailed)
        onCopyFailed();
}

void CopyAllAndZip::zipAll() {
    if (!m_shelf)
        return;
    QList<QByteArray> paths;
    for (const ShelfItemPtr& item : m_shelf->items()) {
        if (item->isFile())
            paths.append(item->nativePath());
    }
    if (paths.isEmpty())
        return;
    const std::optional<QString> drops = ShelfDropView::dropsDirectory();
    if (!drops)
        return;
    const int id = m_nextZipJob++;
    m_zipJobs[id] = 0.0;
    reportZipProgress();
    ZipJob job(paths, *drops);
    // The job reports only while this lives, so `this` is safe inside.
    job.onReport = [this, id](const ZipJob::Report& report) {
        if (!report.ended) {
            if (auto running = m_zipJobs.find(id); running != m_zipJobs.end())
                running->second = report.fraction;
        } else {
            m_zipJobs.erase(id);
            if (!report.archivePath.isEmpty() && m_shelf)
                m_shelf->add({ShelfItem::makeFile(QUrl::fromLocalFile(report.archivePath))});
        }
        reportZipProgress();
    };
    job.start(this);
}

void CopyAllAndZip::reportZipProgress() {
    if (!onZipProgress)
        return;
    if (m_zipJobs.empty()) {
        onZipProgress(std::nullopt);
        return;
    }
    double sum = 0;
    for (const auto& [id, fraction] : m_zipJobs)
        sum += fraction;
    onZipProgress(sum / static_cast<double>(m_zipJobs.size()));
}

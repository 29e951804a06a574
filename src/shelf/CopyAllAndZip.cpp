#include "shelf/CopyAllAndZip.h"

#include "archive/ZipJob.h"
#include "model/DroppedItems.h"
#include "platform/common/ClipboardWriter.h"

CopyAllAndZip::CopyAllAndZip(Shelf* shelf, std::function<bool()> clipboardHeldHere)
    : m_shelf(shelf)
    , m_clipboardHeldHere(std::move(clipboardHeldHere)) {}

void CopyAllAndZip::copyAll() {
    if (!m_shelf || m_shelf->items().empty())
        return;
    QList<ClipboardEntry> entries;
    for (const ShelfItemPtr& item : m_shelf->items())
        entries.append(item->isFile() ? ClipboardEntry::file(item->nativePath())
                                      : ClipboardEntry::text(item->text()));
    if (!ClipboardWriter::write(entries, m_clipboardHeldHere) && onCopyFailed)
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
    const std::optional<QString> drops = DroppedItems::directory();
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

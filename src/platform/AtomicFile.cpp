#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace AtomicFile {

namespace {

// A process killed between creating its temporary and renaming it leaves the
// temporary behind ("name.Ab12Cd"). Only old ones go: a young one may belong
// to a write still running in another copy of the program sharing the folder.
void removeLeftovers(const QFileInfo& target) {
    const QRegularExpression leftover(
        QStringLiteral("^%1\\.[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(target.fileName())));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    const QFileInfoList candidates = QDir(target.absolutePath())
                                         .entryInfoList({target.fileName() + QStringLiteral(".*")},
                                                        QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& candidate : candidates) {
        if (!candidate.isSymLink() && leftover.match(candidate.fileName()).hasMatch() &&
            candidate.lastModified() < old)
            QFile::remove(candidate.absoluteFilePath());
    }
}

} // namespace

bool write(const QString& path, const QByteArray& bytes, QString* reason) {
    const QFileInfo target(path);
    // When the folder cannot be made, opening the file says why.
    QDir().mkpath(target.absolutePath());
    removeLeftovers(target);
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written) {
        if (reason)
            *reason = file.errorString();
        file.cancelWriting();
    }
    return written;
}

} // namespace AtomicFile

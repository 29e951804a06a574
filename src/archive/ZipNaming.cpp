#include "archive/ZipNaming.h"

#include <QSet>

namespace ZipNaming {

QString lastPathComponent(const QString& path) {
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'), end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

QString pathExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1);
}

QStringList collisionFreeNames(const QStringList& paths) {
    QStringList names;
    QSet<QString> used;
    for (const QString& path : paths) {
        const QString original = lastPathComponent(path);
        const QString extension = pathExtension(original);
        const QString base =
            extension.isEmpty() ? original : original.left(original.size() - extension.size() - 1);
        QString name = original;
        for (int n = 2; used.contains(name); ++n) {
            name = base + QLatin1Char(' ') + QString::number(n);
            if (!extension.isEmpty())
                name += QLatin1Char('.') + extension;
        }
        used.insert(name);
        names.append(name);
    }
    return names;
}

QString archiveName(QTime time, const QUuid& uuid) {
    const QString tag = uuid.toString(QUuid::WithoutBraces).toUpper().left(4);
    return QStringLiteral("Shelf ") + time.toString(QStringLiteral("HH.mm.ss")) + QLatin1Char('-') +
           tag + QStringLiteral(".zip");
}

QString newArchiveName() {
    return archiveName(QTime::currentTime(), QUuid::createUuid());
}

} // namespace ZipNaming

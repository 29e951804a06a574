#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <QUuid>

// Names of the things a shelf archive holds and of the archive itself. Pure
// string work: nothing here touches the file system.
namespace ZipNaming {

// The last component of an absolute path ("/a/b/" gives "b"); empty for "/".
QString lastPathComponent(const QString& path);

// The text after the last full stop of a name, when that full stop is neither
// the first nor the last character: "archive.tar.gz" gives "gz", while
// ".bashrc", "notes." and "Photos" have none.
QString pathExtension(const QString& name);

// One name per path, in order, none used twice: a name already taken becomes
// "base n.ext" (or "base n" without an extension) with n counting 2, 3, ...
QStringList collisionFreeNames(const QStringList& paths);

// "Shelf HH.mm.ss-XXXX.zip", XXXX being the first four characters of the
// upper-case form of the UUID.
QString archiveName(QTime time, const QUuid& uuid);

// archiveName() for the current local time and a new UUID.
QString newArchiveName();

} // namespace ZipNaming

#include "platform/Bookmarks.h"
#include "platform/PrivateTempDir.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What an editor does on save: write a new file, then rename it over the old one.
bool replaceAtomically(const QString& path, const QByteArray& content) {
    const QString temporary = path + QStringLiteral(".new");
    return writeWholeFile(temporary, content) && ::rename(QFile::encodeName(temporary).constData(),
                                                          QFile::encodeName(path).constData()) == 0;
}

} // namespace

class BookmarksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anUntouchedFileResolvesToItsPathAndIsNotStale() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes ă.txt"));
        QVERIFY(writeWholeFile(path, "a"));
        const auto bookmark = Bookmarks::make(path);
        QVERIFY(bookmark);
        QVERIFY(writeWholeFile(path, "changed in place")); // same inode
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, path);
        QVERIFY(!resolved->stale);
    }

    void aFolderWithATrailingSlashResolvesToTheCleanPath() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Folder"));
        QVERIFY(QDir().mkdir(folder));
        const auto bookmark = Bookmarks::make(folder + QStringLiteral("/"));
        QVERIFY(bookmark);
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, folder);
        QVERIFY(!resolved->stale);
    }

    void aFileReplacedByAnAtomicSaveResolvesToItsPathButStale() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeWholeFile(path, "old"));
        const auto bookmark = Bookmarks::make(path);
        QVERIFY(replaceAtomically(path, "new"));
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, path);
        QVERIFY(resolved->stale);
        // A fresh bookmark of the replaced file is no longer stale.
        const auto fresh = Bookmarks::make(path);
        QVERIFY(fresh && *fresh != *bookmark);
        QVERIFY(!Bookmarks::resolve(*fresh)->stale);
    }

    void aRenamedFileIsFoundInTheSameFolderAndIsStale() {
        QTemporaryDir dir;
        for (int i = 0; i < 20; ++i) // other entries to look past
            QVERIFY(writeWholeFile(dir.filePath(QStringLiteral("other%1").arg(i)), "x"));
        const QString path = dir.filePath(QStringLiteral("before.txt"));
        QVERIFY(writeWholeFile(path, "content"));
        const auto bookmark = Bookmarks::make(path);
        const QString renamed = dir.filePath(QStringLiteral("after ș.txt"));
        QVERIFY(QFile::rename(path, renamed));
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, renamed);
        QVERIFY(resolved->stale);
    }

    void deletedOrMovedAwayFilesDoNotResolve() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gone.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const auto deleted = Bookmarks::make(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(!Bookmarks::resolve(*deleted));

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
        const QString moving = dir.filePath(QStringLiteral("moving.txt"));
        QVERIFY(writeWholeFile(moving, "x"));
        const auto moved = Bookmarks::make(moving);
        QVERIFY(QFile::rename(moving, dir.filePath(QStringLiteral("elsewhere/moving.txt"))));
        QVERIFY(!Bookmarks::resolve(*moved));

        QTemporaryDir vanishing;
        const QString inside = vanishing.filePath(QStringLiteral("f"));
        QVERIFY(writeWholeFile(inside, "x"));
        const auto folderGone = Bookmarks::make(inside);
        QVERIFY(vanishing.remove());
        QVERIFY(!Bookmarks::resolve(*folderGone));
    }

    void bookmarksOfNothingAreNotMade() {
        QTemporaryDir dir;
        QVERIFY(!Bookmarks::make(dir.filePath(QStringLiteral("absent"))));
        QVERIFY(!Bookmarks::make(QStringLiteral("relative/path")));
        QVERIFY(!Bookmarks::make(QString()));
    }

    void malformedBytesFailWithoutReadingPastTheEnd() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const QByteArray good = *Bookmarks::make(path);
        QVERIFY(Bookmarks::resolve(good));

        // Every truncation, and the record with bytes added.
        for (qsizetype length = 0; length < good.size(); ++length)
            QVERIFY2(!Bookmarks::resolve(good.left(length)), qPrintable(QString::number(length)));
        QVERIFY(!Bookmarks::resolve(good + '/'));

        const auto withByte = [&](qsizetype index, char value) {
            QByteArray bytes = good;
            bytes[index] = value;
            return bytes;
        };
        QVERIFY(!Bookmarks::resolve(withByte(0, 'X')));   // magic
        QVERIFY(!Bookmarks::resolve(withByte(4, 2)));     // unknown version
        QVERIFY(!Bookmarks::resolve(withByte(21, 0x7f))); // huge length
        QVERIFY(!Bookmarks::resolve(withByte(25, 'x')));  // path not absolute

        Bookmarks::Record record = *Bookmarks::decode(good);
        record.path = dir.path() + QStringLiteral("/../f.txt"); // not a clean path
        QVERIFY(!Bookmarks::resolve(Bookmarks::encode(record)));

        std::mt19937 random(7);
        for (int i = 0; i < 2000; ++i) {
            QByteArray noise(static_cast<qsizetype>(random() % 64), Qt::Uninitialized);
            for (char& c : noise)
                c = static_cast<char>(random());
            if (i % 2)
                noise.replace(0, qMin<qsizetype>(5, noise.size()), good.left(5));
            QVERIFY(!Bookmarks::decode(noise) || Bookmarks::decode(noise)->path.startsWith('/'));
            Bookmarks::resolve(
                noise); // must neither crash nor read out of bounds (sanitized build)
        }
    }

    void encodeAndDecodeAreInverse() {
        const Bookmarks::Record record{QStringLiteral("/tmp/ă b/c"), 0xfedcba9876543210ull, 42};
        QCOMPARE(*Bookmarks::decode(Bookmarks::encode(record)), record);
    }
};

class PrivateTempDirTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isCreatedPrivateInsideTheTemporaryDirectory() {
        QTemporaryDir root;
        const auto folder = PrivateTempDir::pathIn(root.path(), ::getuid());
        QVERIFY(folder);
        QCOMPARE(*folder, root.path() + QStringLiteral("/quoblin-%1").arg(::getuid()));
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(*folder).constData(), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        // A second call finds the same folder.
        QCOMPARE(PrivateTempDir::pathIn(root.path(), ::getuid()), folder);
    }

    void anOwnFolderWithLoosePermissionsIsTightened() {
        QTemporaryDir root;
        const QString folder = root.path() + QStringLiteral("/quoblin-%1").arg(::getuid());
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        QCOMPARE(PrivateTempDir::pathIn(root.path(), ::getuid()), std::optional<QString>(folder));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    }

    void aLinkPlantedUnderItsNameIsRefused() {
        QTemporaryDir root;
        QTemporaryDir target;
        const QString folder = root.path() + QStringLiteral("/quoblin-%1").arg(::getuid());
        QVERIFY(QFile::link(target.path(), folder));
        QVERIFY(!PrivateTempDir::pathIn(root.path(), ::getuid()));
        // Dangling links too.
        QVERIFY(QFile::remove(folder));
        QVERIFY(QFile::link(root.path() + QStringLiteral("/nowhere"), folder));
        QVERIFY(!PrivateTempDir::pathIn(root.path(), ::getuid()));
        QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("/nowhere")));
    }

    void aFolderOwnedBySomeoneElseOrAFileIsRefused() {
        QTemporaryDir root;
        // The folder belongs to us, so for another user it is someone else's.
        const uid_t other = ::getuid() + 1;
        QVERIFY(QDir().mkdir(root.path() + QStringLiteral("/quoblin-%1").arg(other)));
        QVERIFY(!PrivateTempDir::pathIn(root.path(), other));

        QVERIFY(writeWholeFile(root.path() + QStringLiteral("/quoblin-%1").arg(::getuid()), "x"));
        QVERIFY(!PrivateTempDir::pathIn(root.path(), ::getuid()));
    }

    void subdirectoriesAreMadeInsideTheProcessTemporaryFolder() {
        const auto sub = PrivateTempDir::subdirectory(QStringLiteral("Staging"));
        QVERIFY(sub);
        QCOMPARE(*sub, QDir::tempPath() + QStringLiteral("/quoblin-%1/Staging").arg(::getuid()));
        QVERIFY(QFileInfo(*sub).isDir());
        QVERIFY(!PrivateTempDir::subdirectory(QStringLiteral("../escape")));
        QVERIFY(!PrivateTempDir::subdirectory(QStringLiteral("..")));
    }
};

int main(int argc, char** argv) {
    int failures = 0;
    {
        BookmarksTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        PrivateTempDirTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures;
}

#include "tst_Bookmarks.moc"

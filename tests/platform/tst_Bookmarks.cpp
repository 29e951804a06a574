#include "platform/Bookmarks.h"
#include "platform/PrivateTempDir.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class BookmarksTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makeFile(const QString& name) {
        const QString path = m_dir.filePath(name);
        return writeWholeFile(path, "x") ? path : QString();
    }

private Q_SLOTS:
    void filesAndFoldersResolveToTheirCleanPathWhileUntouched() {
        const QString path = makeFile(QStringLiteral("notes ă.txt"));
        const QString folder = m_dir.filePath(QStringLiteral("Folder"));
        QVERIFY(QDir().mkdir(folder));
        const auto file = Bookmarks::make(path);
        const auto slashed = Bookmarks::make(folder + QStringLiteral("/"));
        QVERIFY(file && slashed);
        QVERIFY(writeWholeFile(path, "changed in place")); // same inode
        for (const auto& [bookmark, expected] : {std::pair(*file, path), {*slashed, folder}}) {
            const auto resolved = Bookmarks::resolve(bookmark);
            QVERIFY(resolved);
            QCOMPARE(resolved->path, expected);
            QVERIFY(!resolved->stale);
        }
    }

    void aFileReplacedByAnAtomicSaveResolvesToItsPathButStale() {
        const QString path = makeFile(QStringLiteral("doc.txt"));
        const auto bookmark = Bookmarks::make(path);
        // What an editor does on save: a new file renamed over the old one.
        const QString replacement = makeFile(QStringLiteral("doc.txt.new"));
        QCOMPARE(::rename(QFile::encodeName(replacement).constData(),
                          QFile::encodeName(path).constData()),
                 0);
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, path);
        QVERIFY(resolved->stale);
        const auto fresh = Bookmarks::make(path);
        QVERIFY(fresh && *fresh != *bookmark);
        QVERIFY(!Bookmarks::resolve(*fresh)->stale);
    }

    void aRenamedFileIsFoundInTheSameFolderAndIsStale() {
        for (int i = 0; i < 20; ++i) // other entries to look past
            QVERIFY(!makeFile(QStringLiteral("other%1").arg(i)).isEmpty());
        const QString path = makeFile(QStringLiteral("before.txt"));
        const auto bookmark = Bookmarks::make(path);
        const QString renamed = m_dir.filePath(QStringLiteral("after ș.txt"));
        QVERIFY(QFile::rename(path, renamed));
        const auto resolved = Bookmarks::resolve(*bookmark);
        QVERIFY(resolved);
        QCOMPARE(resolved->path, renamed);
        QVERIFY(resolved->stale);
    }

    void deletedOrMovedAwayFilesDoNotResolve() {
        const QString gone = makeFile(QStringLiteral("gone.txt"));
        const auto deleted = Bookmarks::make(gone);
        QVERIFY(QFile::remove(gone));
        QVERIFY(!Bookmarks::resolve(*deleted));

        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("elsewhere")));
        const QString moving = makeFile(QStringLiteral("moving.txt"));
        const auto moved = Bookmarks::make(moving);
        QVERIFY(QFile::rename(moving, m_dir.filePath(QStringLiteral("elsewhere/moving.txt"))));
        QVERIFY(!Bookmarks::resolve(*moved));

        QTemporaryDir vanishing;
        const QString inside = vanishing.filePath(QStringLiteral("f"));
        QVERIFY(writeWholeFile(inside, "x"));
        const auto folderGone = Bookmarks::make(inside);
        QVERIFY(vanishing.remove());
        QVERIFY(!Bookmarks::resolve(*folderGone));
    }

    void bookmarksOfNothingAreNotMade() {
        QVERIFY(!Bookmarks::make(m_dir.filePath(QStringLiteral("absent"))));
        QVERIFY(!Bookmarks::make(QStringLiteral("relative/path")));
        QVERIFY(!Bookmarks::make(QString()));
    }

    // Random bytes are the fuzz target's part.
    void malformedBytesFailWithoutReadingPastTheEnd() {
        const QByteArray good = *Bookmarks::make(makeFile(QStringLiteral("f.txt")));
        QVERIFY(Bookmarks::resolve(good));
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
        record.path = m_dir.path() + QStringLiteral("/../f.txt"); // not a clean path
        QVERIFY(!Bookmarks::resolve(Bookmarks::encode(record)));
    }

    void encodeAndDecodeAreInverse() {
        const Bookmarks::Record record{QStringLiteral("/tmp/ă b/c"), 0xfedcba9876543210ull, 42};
        QCOMPARE(*Bookmarks::decode(Bookmarks::encode(record)), record);
    }
};

class PrivateTempDirTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    QString folderOf(uid_t user) const {
        return m_root.path() + QStringLiteral("/quoblin-%1").arg(user);
    }

private Q_SLOTS:
    void cleanup() {
        QFile::remove(folderOf(::getuid()));
        QDir(folderOf(::getuid())).removeRecursively();
    }

    void isCreatedPrivateAndFoundAgain() {
        const auto folder = PrivateTempDir::pathIn(m_root.path(), ::getuid());
        QCOMPARE(folder, std::optional(folderOf(::getuid())));
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(*folder).constData(), &info), 0);
        QVERIFY(S_ISDIR(info.st_mode));
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        QCOMPARE(PrivateTempDir::pathIn(m_root.path(), ::getuid()), folder);
    }

    void anOwnFolderWithLoosePermissionsIsTightened() {
        const QString folder = folderOf(::getuid());
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        QCOMPARE(PrivateTempDir::pathIn(m_root.path(), ::getuid()), std::optional(folder));
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions());
    }

    void linksFilesAndOtherUsersFoldersUnderItsNameAreRefused() {
        QTemporaryDir target;
        const QString folder = folderOf(::getuid());
        QVERIFY(QFile::link(target.path(), folder));
        QVERIFY(!PrivateTempDir::pathIn(m_root.path(), ::getuid()));
        QVERIFY(QFile::remove(folder));
        QVERIFY(QFile::link(m_root.path() + QStringLiteral("/nowhere"), folder)); // dangling
        QVERIFY(!PrivateTempDir::pathIn(m_root.path(), ::getuid()));
        QVERIFY(!QFileInfo::exists(m_root.path() + QStringLiteral("/nowhere")));
        QVERIFY(QFile::remove(folder));
        QVERIFY(writeWholeFile(folder, "x"));
        QVERIFY(!PrivateTempDir::pathIn(m_root.path(), ::getuid()));
        // The folder belongs to us, so for another user it is someone else's.
        QVERIFY(QDir().mkdir(folderOf(::getuid() + 1)));
        QVERIFY(!PrivateTempDir::pathIn(m_root.path(), ::getuid() + 1));
    }

    void subdirectoriesAreMadeInsideTheProcessTemporaryFolder() {
        const auto sub = PrivateTempDir::subdirectory(QStringLiteral("Staging"));
        QCOMPARE(sub, std::optional(QDir::tempPath() +
                                    QStringLiteral("/quoblin-%1/Staging").arg(::getuid())));
        QVERIFY(QFileInfo(*sub).isDir());
        QVERIFY(!PrivateTempDir::subdirectory(QStringLiteral("../escape")));
        QVERIFY(!PrivateTempDir::subdirectory(QStringLiteral("..")));
    }
};

int main(int argc, char** argv) {
    BookmarksTest bookmarks;
    PrivateTempDirTest privateTempDir;
    return QTest::qExec(&bookmarks, argc, argv) | QTest::qExec(&privateTempDir, argc, argv);
}

#include "tst_Bookmarks.moc"

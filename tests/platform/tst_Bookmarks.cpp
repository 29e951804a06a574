#include "platform/files/Bookmarks.h"
#include "platform/files/PrivateTempDir.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class BookmarksTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString makeFile(const QString& name) {
        const QString path = m_dir.filePath(name);
        return writeWholeFile(path, "x") ? path : QString();
    }

private Q_SLOTS:
    // Random bytes are the fuzz target's part.
    void malformedBytesFailWithoutReadingPastTheEnd() {
        const QByteArray good = *Bookmarks::make(makeFile(QStringLiteral("f.txt")));
        QVERIFY(Bookmarks::resolve(good));
        for (qsizetype length = 0; length < good.size(); ++length)
            QVERIFY2(!Bookmarks::resolve(good.left(length)), qPrintable(QString::number(length)));
        QByteArray hugeLength = good;
        hugeLength[21] = 0x7f;
        QVERIFY(!Bookmarks::resolve(hugeLength));

        Bookmarks::Record record = *Bookmarks::decode(good);
        record.version = 1; // as older versions wrote it
        QVERIFY(Bookmarks::resolve(Bookmarks::encode(record)));
        record.path += "\xff"; // bytes only a version 2 record holds
        QVERIFY(!Bookmarks::decode(Bookmarks::encode(record)));
        record.version = Bookmarks::currentVersion;
        QVERIFY(Bookmarks::decode(Bookmarks::encode(record)));
        record.path = QFile::encodeName(m_dir.path()) + "/../f.txt"; // not a clean path
        QVERIFY(!Bookmarks::decode(Bookmarks::encode(record)));
    }

    // Through a link to a folder, ".." leads where the system goes, not where
    // the text points.
    void aBookmarkMadeThroughALinkedFolderLeadsToTheSameFile() {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("real/inner")));
        const QString file = makeFile(QStringLiteral("real/linked.txt"));
        makeFile(QStringLiteral("linked.txt")); // where cleaning the text would lead
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("real/inner")),
                            m_dir.filePath(QStringLiteral("link"))));
        const auto resolved = Bookmarks::resolve(
            *Bookmarks::make(m_dir.filePath(QStringLiteral("link/../linked.txt"))));
        QVERIFY(resolved && !resolved->stale);
        QCOMPARE(resolved->path, QFileInfo(file).canonicalFilePath());
    }

    // Made private and found again; a link or another user's folder under its name is refused.
    void thePrivateTempFolderIsTheUsersOwnOrNone() {
        const QString folder = m_dir.filePath(QStringLiteral("quoblin-%1").arg(::getuid()));
        QCOMPARE(PrivateTempDir::pathIn(m_dir.path(), ::getuid()), std::optional(folder));
        QCOMPARE((QFileInfo(folder).permissions() & 0x0777).toInt(), 0x0700);
        QCOMPARE(PrivateTempDir::pathIn(m_dir.path(), ::getuid()), std::optional(folder));
        QVERIFY(QDir(folder).removeRecursively());

        QTemporaryDir target;
        QVERIFY(QFile::link(target.path(), folder));
        QVERIFY(!PrivateTempDir::pathIn(m_dir.path(), ::getuid()));
        QVERIFY(QFile::remove(folder));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere")), folder)); // dangling
        QVERIFY(!PrivateTempDir::pathIn(m_dir.path(), ::getuid()));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("nowhere"))));
        QVERIFY(QFile::remove(folder));
        // The folder belongs to us, so for another user it is someone else's.
        QVERIFY(QDir().mkdir(m_dir.filePath(QStringLiteral("quoblin-%1").arg(::getuid() + 1))));
        QVERIFY(!PrivateTempDir::pathIn(m_dir.path(), ::getuid() + 1));

        const auto sub = PrivateTempDir::subdirectory(QStringLiteral("Staging"));
        QVERIFY(sub && QFileInfo(*sub).isDir());
        QVERIFY(!PrivateTempDir::subdirectory(QStringLiteral("../escape")));
    }
};

QTEST_GUILESS_MAIN(BookmarksTest)
#include "tst_Bookmarks.moc"

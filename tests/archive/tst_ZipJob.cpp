#include "archive/ParallelDeflate.h"
#include "archive/ShelfArchive.h"
#include "archive/ZipJob.h"
#include "archive/ZipNaming.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <zip.h>

namespace {

// Each entry's name with its compression method and size.
QMap<QByteArray, zip_stat_t> readArchive(const QString& path) {
    QMap<QByteArray, zip_stat_t> entries;
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    for (zip_int64_t i = 0; za && i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(za, i, ZIP_FL_ENC_RAW, &stat);
        entries[QByteArray(stat.name)] = stat;
    }
    if (za)
        zip_close(za);
    return entries;
}

void setModified(const QString& path, time_t when) {
    const timeval times[2] = {{when, 0}, {when, 0}};
    ::lutimes(QFile::encodeName(path).constData(), times);
}

struct stat statOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

QStringList filesIn(const QString& directory) {
    return QDir(directory).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

} // namespace

class ZipJobTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_drops;
    int m_counter = 0;

    QString newFolder(const QString& name) {
        const QString path = m_dir.filePath(QStringLiteral("%1-%2").arg(++m_counter).arg(name));
        QDir().mkpath(path);
        return path;
    }

    QString makeFile(const QString& path, const QByteArray& contents, int mode = 0644) {
        writeWholeFile(path, contents);
        ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
        return path;
    }

private Q_SLOTS:
    void init() { m_drops = newFolder(QStringLiteral("drops")); }
    void cleanup() { QDir(m_drops).removeRecursively(); }

    void namesCountOnAfterACollisionAndTheArchiveIsNamedByTheTime() {
        QCOMPARE(
            ZipNaming::collisionFreeNames({"/a/x.tar.gz", "/b/x.tar.gz", "/c/x.tar.gz",
                                           "/d/x.tar 2.gz", "/e/.rc", "/f/.rc", "/g/P/", "/P"}),
            (QStringList{"x.tar.gz", "x.tar 2.gz", "x.tar 3.gz", "x.tar 2 2.gz", ".rc", ".rc 2",
                         "P", "P 2"}));
        const QUuid uuid(QStringLiteral("{7c2ab3d4-0000-4000-8000-000000000000}"));
        QCOMPARE(ZipNaming::archiveName(QTime(21, 5, 7), uuid), "Shelf 21.05.07-7C2A.zip");
    }

    void archiveExpandsToOneShelfFolderWithTreesNamesModesTimesAndLinks() {
        const QString one = newFolder("one");
        const QString two = newFolder("two");
        const time_t early = 1'600'000'001; // odd, which DOS time alone could not keep
        makeFile(one + "/a.txt", "first a\n", 0640);
        makeFile(two + "/a.txt", "second a\n", 0600);
        setModified(one + "/a.txt", early);
        QDir().mkpath(one + "/Photos/trip/empty");
        makeFile(one + "/Photos/trip/run.sh", "#!/bin/sh\necho hi\n", 0755);
        QVERIFY(QFile::link("/nowhere/at/all", one + "/Photos/dangling"));
        QVERIFY(makeFifo(one + "/Photos/trip/pipe")); // left out, as a copy leaves it

        const QString archive = ZipJob::run(
            {native(one + "/a.txt"), native(two + "/a.txt"), native(one + "/Photos")}, m_drops);
        QCOMPARE(filesIn(m_drops), QStringList{QFileInfo(archive).fileName()});

        const QString out = newFolder("out");
        QCOMPARE(QProcess::execute(QStringLiteral("unzip"), {"-q", archive, "-d", out}), 0);
        const QString shelf = out + "/Shelf";
        QCOMPARE(filesIn(shelf), (QStringList{"Photos", "a 2.txt", "a.txt"}));
        QCOMPARE(filesIn(shelf + "/Photos/trip"), (QStringList{"empty", "run.sh"}));
        QCOMPARE(statOf(shelf + "/Photos/trip/run.sh").st_mode & 07777, 0755u);
        QCOMPARE(statOf(shelf + "/a.txt").st_mtime, early);
        QCOMPARE(QFile::symLinkTarget(shelf + "/Photos/dangling"), QString("/nowhere/at/all"));
    }

    void namesKeepTheirBytesAndNoLinkIsFollowedOutOfADroppedFolder() {
        const QByteArray latin1 = native(newFolder("latin1"));
        const QList<QByteArray> paths{latin1 + "/caf\xe9.txt", latin1 + "/caf\xe8.txt"};
        for (const QByteArray& path : paths)
            QCOMPARE(::close(::open(path.constData(), O_CREAT | O_WRONLY, 0600)), 0);
        QCOMPARE(readArchive(ZipJob::run(paths, m_drops)).keys(),
                 (QList<QByteArray>{"Shelf/", "Shelf/caf\xe8.txt", "Shelf/caf\xe9.txt"}));
        // A folder that became a link to another after planning is not read through.
        const QString outside = newFolder("outside"), dropped = newFolder("dropped");
        makeFile(outside + "/key", "private");
        QVERIFY(QDir().mkpath(dropped + "/inner"));
        makeFile(dropped + "/inner/key", "mine");
        ShelfArchive archive;
        QVERIFY(archive.add({native(dropped)}));
        QVERIFY(QDir().rename(dropped + "/inner", dropped + "/was") &&
                QFile::link(outside, dropped + "/inner"));
        QVERIFY(archive.write(m_drops, "Shelf 10.00.00-BBBB.zip").isEmpty());
    }

    void aFileThatChangesAfterPlanningIsStoredAsReadUnlessNoLongerAFile() {
        for (const QByteArray& now : {QByteArray(), QByteArray("con"), QByteArray(300000, 'g')}) {
            const QString victim = makeFile(newFolder("change") + "/victim.txt", "will change");
            ShelfArchive archive;
            QVERIFY(archive.add({native(victim)}));
            QVERIFY(now.isEmpty() ? QFile::remove(victim) && makeFifo(victim)
                                  : writeWholeFile(victim, now));
            const QString written = archive.write(m_drops, "Shelf 10.00.00-AAAA.zip");
            QCOMPARE(filesIn(m_drops).size(), now.isEmpty() ? 0 : 1);
            const QString out = newFolder("out");
            if (!now.isEmpty())
                QCOMPARE(QProcess::execute("unzip", {"-q", written, "-d", out}), 0);
            QCOMPARE(readWholeFile(out + "/Shelf/victim.txt"), now);
            QFile::remove(written);
        }
        const QString file = makeFile(newFolder("keep") + "/a.txt", "a");
        const QString taken = makeFile(m_drops + "/Shelf 10.00.00-AAAA.zip", "precious");
        ShelfArchive archive;
        QVERIFY(archive.add({native(file)}));
        QVERIFY(archive.write(m_drops, "Shelf 10.00.00-AAAA.zip").isEmpty());
        QCOMPARE(readWholeFile(taken), QByteArray("precious"));
        QCOMPARE(filesIn(m_drops), QStringList{"Shelf 10.00.00-AAAA.zip"});
    }

    void everyCoreMakesTheOneCoreArchiveAndAJobStoppedMidwayLeavesNothing() {
        const QString shelf = newFolder("cores");
        QRandomGenerator random(24);
        QByteArray large; // several blocks, the last one partly full
        while (large.size() < 3 * ParallelDeflate::blockSize + 12345)
            large += QByteArray::number(random.bounded(5000)) + (random.bounded(9) ? " " : "\n");
        makeFile(shelf + "/large.log", large);
        for (int i = 0; i < 200; ++i)
            makeFile(shelf + QStringLiteral("/small-%1.txt").arg(i),
                     QByteArray::number(i * 7919).repeated(1 + i % 40));
        QVERIFY(QDir().mkpath(shelf + "/empty"));
        // Stored as it is, so read only when its turn comes to be written.
        const QString photo = makeFile(shelf + "/zz.jpg", "\xFF\xD8\xFF\xE0" + large.left(20000));
        const QString growing = shelf + "/growing.log";
        const QByteArray grown = QByteArray("first line\n").repeated(30000);
        QList<QByteArray> listings, contents;
        for (int threads : {1, 4}) {
            QThreadPool::globalInstance()->setMaxThreadCount(threads);
            makeFile(growing, "first line\n");
            ShelfArchive archive;
            QVERIFY(archive.add({native(shelf)}));
            writeWholeFile(growing, grown); // read larger than planned
            const QString path =
                archive.write(m_drops, QStringLiteral("Shelf %1.zip").arg(threads));
            QCOMPARE(QProcess::execute("unzip", {"-tqq", path}), 0);
            QProcess unzip;
            unzip.start("unzip", {"-Z", "-l", path});
            QVERIFY(unzip.waitForFinished());
            // All but the archive's own name and its top folder's time of writing.
            QList<QByteArray> lines = unzip.readAllStandardOutput().split('\n');
            lines.removeAt(2); // as a text it is a prefix of its children's lines
            listings.append(lines.mid(1).join('\n'));
            unzip.start("unzip", {"-p", path});
            QVERIFY(unzip.waitForFinished());
            contents.append(unzip.readAllStandardOutput());
        }
        QCOMPARE(listings.first(), listings.last());
        QCOMPARE(contents.first(), contents.last());
        QVERIFY(contents.first().contains(large) && contents.first().contains(grown));

        ShelfArchive stopped;
        QVERIFY(stopped.add({native(shelf)}));
        bool replaced = false;
        QVERIFY(stopped
                    .write(m_drops, "Shelf stopped.zip",
                           [&](double) {
                               replaced = replaced || (QFile::remove(photo) && makeFifo(photo));
                           })
                    .isEmpty());
        QThreadPool::globalInstance()->setMaxThreadCount(QThread::idealThreadCount());
        QVERIFY(replaced);
        QCOMPARE(filesIn(m_drops), (QStringList{"Shelf 1.zip", "Shelf 4.zip"}));
    }

    void aFailedJobEndsWithoutAnArchiveAndOneWhoseOwnerIsGoneReportsNothing() {
        bool called = false, failedEnded = false;
        ZipJob failing({native(m_dir.filePath("no-such-file"))}, m_drops);
        failing.onReport = [&](const ZipJob::Report& report) {
            called = called || !report.archivePath.isEmpty();
            failedEnded = report.ended;
        };
        QObject owner;
        QFuture<QString> failed = failing.start(&owner);

        const QString folder = newFolder("orphan");
        for (int i = 0; i < 10; ++i)
            makeFile(folder + QStringLiteral("/f%1.txt").arg(i), QByteArray(100 * 1024, 'o'));
        auto* gone = new QObject;
        ZipJob orphan({native(folder)}, m_drops);
        orphan.onReport = [&called](const ZipJob::Report&) { called = true; };
        QFuture<QString> orphaned = orphan.start(gone);
        delete gone;
        failed.waitForFinished();
        orphaned.waitForFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(!called);
        QVERIFY(failedEnded);
        QCOMPARE(readArchive(orphaned.result()).size(), 12); // the archive is made all the same
    }
};

QTEST_GUILESS_MAIN(ZipJobTest)
#include "tst_ZipJob.moc"

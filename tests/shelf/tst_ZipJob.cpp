#include "shelf/ShelfArchive.h"
#include "shelf/ZipJob.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <zip.h>

namespace {

struct ArchivedEntry {
    QByteArray data; // read only for entries under a megabyte
    zip_int32_t method = 0;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    quint64 size = 0;
};

// Reads an archive back with libzip: every entry by name.
QMap<QByteArray, ArchivedEntry> readArchive(const QString& path) {
    QMap<QByteArray, ArchivedEntry> entries;
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!za)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(za, i, ZIP_FL_ENC_RAW, &stat);
        ArchivedEntry entry{{}, stat.comp_method, 0, 0, stat.size};
        zip_file_get_external_attributes(za, i, 0, &entry.opsys, &entry.attributes);
        zip_file_t* file = stat.size < 1024 * 1024 ? zip_fopen_index(za, i, 0) : nullptr;
        if (file) {
            entry.data.resize(static_cast<qsizetype>(stat.size));
            zip_fread(file, entry.data.data(), stat.size);
            zip_fclose(file);
        }
        entries[QByteArray(zip_get_name(za, i, ZIP_FL_ENC_RAW))] = entry;
    }
    zip_close(za);
    return entries;
}

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
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
    QStringList names = QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                  QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool unzip(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("unzip"), arguments) == 0;
}

} // namespace

class ZipJobTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_drops;
    int m_counter = 0;

    // A fresh folder under the test's own temporary folder.
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

    void archiveExpandsToOneShelfFolderWithTreesNamesModesTimesAndLinks() {
        const QString one = newFolder("one");
        const QString two = newFolder("two");
        const time_t early = 1'600'000'001; // odd, which DOS time alone could not keep
        makeFile(one + "/a.txt", "first a\n", 0640);
        makeFile(two + "/a.txt", "second a\n", 0600);
        setModified(one + "/a.txt", early);
        QDir().mkpath(one + "/Photos/trip/empty");
        makeFile(one + "/Photos/trip/run.sh", "#!/bin/sh\necho hi\n", 0755);
        QVERIFY(QFile::link("run.sh", one + "/Photos/trip/link-to-run"));
        QVERIFY(QFile::link("/nowhere/at/all", one + "/Photos/dangling"));
        ::chmod(QFile::encodeName(one + "/Photos/trip").constData(), 0750);
        setModified(one + "/Photos/trip", early + 200);
        QDir().mkpath(two + "/Photos");
        makeFile(two + "/Photos/b.txt", "b\n");

        const QString archive = ZipJob::run(
            {one + "/a.txt", two + "/a.txt", one + "/Photos", two + "/Photos"}, m_drops);
        QCOMPARE(filesIn(m_drops), QStringList{QFileInfo(archive).fileName()});

        const QString out = newFolder("out");
        QVERIFY(unzip({"-q", archive, "-d", out}));
        QCOMPARE(filesIn(out), QStringList{"Shelf"});
        const QString shelf = out + "/Shelf";
        QCOMPARE(filesIn(shelf), (QStringList{"Photos", "Photos 2", "a 2.txt", "a.txt"}));
        QCOMPARE(readWholeFile(shelf + "/a.txt"), QByteArray("first a\n"));
        QCOMPARE(readWholeFile(shelf + "/a 2.txt"), QByteArray("second a\n"));
        QCOMPARE(readWholeFile(shelf + "/Photos 2/b.txt"), QByteArray("b\n"));
        QCOMPARE(readWholeFile(shelf + "/Photos/trip/run.sh"), QByteArray("#!/bin/sh\necho hi\n"));
        QVERIFY(filesIn(shelf + "/Photos/trip/empty").isEmpty());
        QVERIFY(QFileInfo(shelf + "/Photos/trip/empty").isDir());

        QCOMPARE(statOf(shelf + "/a.txt").st_mode & 07777, 0640u);
        QCOMPARE(statOf(shelf + "/Photos/trip/run.sh").st_mode & 07777, 0755u);
        QCOMPARE(statOf(shelf + "/Photos/trip").st_mode & 07777, 0750u);
        QCOMPARE(statOf(shelf + "/a.txt").st_mtime, early);
        QCOMPARE(statOf(shelf + "/Photos/trip").st_mtime, early + 200);
        QCOMPARE(QFile::symLinkTarget(shelf + "/Photos/trip/link-to-run"),
                 shelf + "/Photos/trip/run.sh");
        QVERIFY(S_ISLNK(statOf(shelf + "/Photos/dangling").st_mode));
        QCOMPARE(QFile::symLinkTarget(shelf + "/Photos/dangling"), QString("/nowhere/at/all"));
    }

    void namesWithSpacesNewlinesNonAsciiLettersAndFullLengthSurvive() {
        const QString folder = newFolder("names");
        const QStringList names{"with space.txt", "new\nline.txt", "Ștefan și Țara.txt",
                                QString(251, QLatin1Char('n')) + ".txt"};
        QStringList paths;
        for (const QString& name : names)
            paths.append(makeFile(folder + "/" + name, name.toUtf8()));
        QDir().mkpath(folder + "/dossier é");
        makeFile(folder + "/dossier é/ünïcode\nand tab\t.md", "inner");
        paths.append(folder + "/dossier é");

        const auto entries = readArchive(ZipJob::run(paths, m_drops));
        for (const QString& name : names) {
            const QByteArray entryName = "Shelf/" + name.toUtf8();
            QCOMPARE(entries.value(entryName).data, name.toUtf8());
        }
        QCOMPARE(entries.value(QString("Shelf/dossier é/ünïcode\nand tab\t.md").toUtf8()).data,
                 QByteArray("inner"));
        // A 251-letter name numbered twice no longer fits: the whole archive fails.
        const QString other = makeFile(newFolder("y") + "/" + names.last(), "b");
        const QStringList before = filesIn(m_drops);
        QVERIFY(ZipJob::run({paths[3], other}, m_drops).isEmpty());
        QCOMPARE(filesIn(m_drops), before);
    }

    void aTopLevelLinkStandsForWhatItPointsAt() {
        const QString folder = newFolder("links");
        makeFile(folder + "/target.txt", "target");
        QDir().mkpath(folder + "/dir");
        makeFile(folder + "/dir/inside.txt", "inside");
        QVERIFY(QFile::link(folder + "/target.txt", folder + "/file-link"));
        QVERIFY(QFile::link(folder + "/dir", folder + "/dir-link"));

        const auto entries =
            readArchive(ZipJob::run({folder + "/file-link", folder + "/dir-link"}, m_drops));
        QCOMPARE(entries.value("Shelf/file-link").data, QByteArray("target"));
        QVERIFY(S_ISREG(entries.value("Shelf/file-link").attributes >> 16));
        QVERIFY(S_ISDIR(entries.value("Shelf/dir-link/").attributes >> 16));
        QCOMPARE(entries.value("Shelf/dir-link/inside.txt").data, QByteArray("inside"));
    }

    void alreadyCompressedContentIsStoredAndTheRestDeflated() {
        const QString folder = newFolder("media");
        const QByteArray noise = randomBytes(64 * 1024);
        const QByteArray mp4("\0\0\0\x18"
                             "ftypmp42",
                             12);
        QStringList paths{
            makeFile(folder + "/photo.jpg", "\xFF\xD8\xFF\xE0" + noise),
            makeFile(folder + "/clip.mp4", mp4 + noise),
            makeFile(folder + "/bundle.zip", "PK\x03\x04" + noise),
            makeFile(folder + "/noise.bin", noise),
            makeFile(folder + "/small.jpg", "\xFF\xD8\xFF\xE0tiny"),
        };
        const auto entries = readArchive(ZipJob::run(paths, m_drops));
        QCOMPARE(entries.value("Shelf/photo.jpg").method, ZIP_CM_STORE);
        QCOMPARE(entries.value("Shelf/clip.mp4").method, ZIP_CM_STORE);
        QCOMPARE(entries.value("Shelf/bundle.zip").method, ZIP_CM_STORE);
        QCOMPARE(entries.value("Shelf/noise.bin").method, ZIP_CM_DEFLATE);
        QCOMPARE(entries.value("Shelf/small.jpg").method, ZIP_CM_DEFLATE);
        QCOMPARE(entries.value("Shelf/photo.jpg").data, "\xFF\xD8\xFF\xE0" + noise);
        QCOMPARE(entries.value("Shelf/noise.bin").data, noise);
        for (const ArchivedEntry& entry : entries)
            QCOMPARE(entry.opsys, ZIP_OPSYS_UNIX);
    }

    void aMissingOrSpecialPathMakesNoArchive_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing file") << "missing";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("pipe inside a folder") << "nested pipe";
        QTest::newRow("dangling top-level link") << "dangling";
        QTest::newRow("nothing to pack") << "none";
    }

    void aMissingOrSpecialPathMakesNoArchive() {
        QFETCH(QString, kind);
        const QString folder = newFolder("bad");
        QDir().mkpath(folder + "/sub");
        QStringList paths{makeFile(folder + "/good.txt", "good")};
        if (kind == "missing")
            paths.append(folder + "/gone.txt");
        else if (kind == "pipe" && makeFifo(folder + "/pipe"))
            paths.append(folder + "/pipe");
        else if (kind == "nested pipe" && makeFifo(folder + "/sub/pipe"))
            paths.append(folder + "/sub");
        else if (kind == "dangling" && QFile::link(folder + "/nothing", folder + "/link"))
            paths.append(folder + "/link");
        else if (kind == "none")
            paths.clear();
        QVERIFY(ZipJob::run(paths, m_drops).isEmpty());
        QVERIFY(filesIn(m_drops).isEmpty());
    }

    void aFileThatChangesAfterPlanningFailsTheWholeArchiveWithoutLeftovers_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("deleted") << "deleted";
        QTest::newRow("replaced by a pipe") << "pipe";
        QTest::newRow("replaced by a link") << "link";
        QTest::newRow("shortened") << "shortened";
        QTest::newRow("deleted inside a folder") << "nested";
    }

    void aFileThatChangesAfterPlanningFailsTheWholeArchiveWithoutLeftovers() {
        QFETCH(QString, change);
        const QString folder = newFolder("change");
        const QString first = makeFile(folder + "/first.txt", QByteArray("1").repeated(100000));
        const QString victim = makeFile(folder + "/victim.txt", "contents that will change");
        QDir().mkpath(folder + "/sub");
        const QString nested = makeFile(folder + "/sub/deep.txt", "deep");
        const QString last = makeFile(folder + "/last.txt", "last");

        ShelfArchive archive;
        QVERIFY(archive.add({first, victim, folder + "/sub", last}));
        if (change == "shortened")
            QCOMPARE(::truncate(QFile::encodeName(victim).constData(), 3), 0);
        else if (change == "nested")
            QVERIFY(QFile::remove(nested));
        else
            QVERIFY(QFile::remove(victim));
        if (change == "pipe")
            QVERIFY(makeFifo(victim));
        else if (change == "link")
            QVERIFY(QFile::link(last, victim));
        QVERIFY(archive.write(m_drops, "Shelf 10.00.00-AAAA.zip").isEmpty());
        QVERIFY(filesIn(m_drops).isEmpty());
    }

    void anExistingArchiveNameIsNeverReplaced() {
        const QString file = makeFile(newFolder("keep") + "/a.txt", "a");
        const QString taken = makeFile(m_drops + "/Shelf 10.00.00-AAAA.zip", "precious");
        ShelfArchive archive;
        QVERIFY(archive.add({file}));
        QVERIFY(archive.write(m_drops, "Shelf 10.00.00-AAAA.zip").isEmpty());
        QCOMPARE(readWholeFile(taken), QByteArray("precious"));
        QCOMPARE(filesIn(m_drops), QStringList{"Shelf 10.00.00-AAAA.zip"});
    }

    void thousandsOfFilesNeedOnlyAFewDescriptors() {
        const QString folder = newFolder("many");
        for (int i = 0; i < 3000; ++i)
            makeFile(folder + QStringLiteral("/f%1.txt").arg(i), QByteArray::number(i));
        rlimit previous{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &previous), 0);
        rlimit low = previous;
        low.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        const QString archive = ZipJob::run({folder}, m_drops);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &previous), 0);
        const auto entries = readArchive(archive);
        QCOMPARE(entries.size(), 3002);
        const QByteArray inner = "Shelf/" + QFileInfo(folder).fileName().toUtf8();
        QCOMPARE(entries.value(inner + "/f2999.txt").data, QByteArray("2999"));
    }

    void progressRisesToOneOnTheGuiThreadBeforeEachOfTwoJobsReportsItsArchive() {
        const QString folder = newFolder("progress");
        for (int i = 0; i < 20; ++i)
            makeFile(folder + QStringLiteral("/f%1.txt").arg(i), randomBytes(200 * 1024));
        QObject owner;
        QList<double> fractions;
        QString reported;
        bool progressAfterFinish = false;
        bool offThread = false;
        ZipJob job({folder}, m_drops);
        job.onProgress = [&](double fraction) {
            offThread |= QThread::currentThread() != thread();
            progressAfterFinish |= !reported.isEmpty();
            fractions.append(fraction);
        };
        job.onFinished = [&](const QString& path) {
            offThread |= QThread::currentThread() != thread();
            reported = path;
        };
        QString reportedBySecond;
        ZipJob second({folder}, m_drops); // jobs running at once make their own archives
        second.onFinished = [&](const QString& path) { reportedBySecond = path; };
        QFuture<QString> future = job.start(&owner);
        QFuture<QString> secondFuture = second.start(&owner);
        QTRY_VERIFY(!reported.isEmpty() && !reportedBySecond.isEmpty());
        QCOMPARE(reported, future.result());
        QCOMPARE(reportedBySecond, secondFuture.result());
        QVERIFY(reported != reportedBySecond);
        QVERIFY(!offThread);
        QVERIFY(!progressAfterFinish);
        QVERIFY(!fractions.isEmpty());
        QCOMPARE(fractions.last(), 1.0);
        QVERIFY(std::is_sorted(fractions.cbegin(), fractions.cend()));
        QVERIFY(fractions.first() >= 0.0);
    }

    void aFailedJobReportsNothing() {
        QObject owner;
        bool called = false;
        ZipJob job({m_dir.filePath("no-such-file")}, m_drops);
        job.onFinished = [&](const QString&) { called = true; };
        job.onProgress = [&](double) { called = true; };
        QFuture<QString> future = job.start(&owner);
        future.waitForFinished();
        QVERIFY(future.result().isEmpty());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!called);
        QVERIFY(filesIn(m_drops).isEmpty());
    }

    void anOwnerDestroyedDuringTheJobGetsNoCallbackButTheArchiveIsMade() {
        const QString folder = newFolder("orphan");
        for (int i = 0; i < 10; ++i)
            makeFile(folder + QStringLiteral("/f%1.txt").arg(i), randomBytes(100 * 1024));
        auto* owner = new QObject;
        bool called = false;
        ZipJob job({folder}, m_drops);
        job.onFinished = [&called](const QString&) { called = true; };
        job.onProgress = [&called](double) { called = true; };
        QFuture<QString> future = job.start(owner);
        delete owner;
        future.waitForFinished();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(!called);
        QCOMPARE(readArchive(future.result()).size(), 12);
    }

    // Writes about 8.2 GB through zlib and to disk, so it only runs on request.
    void filesAndArchivesBeyondFourGigabytesUseZip64() {
        if (qEnvironmentVariableIsEmpty("QUOBLIN_LARGE_ZIP_TESTS"))
            QSKIP("set QUOBLIN_LARGE_ZIP_TESTS=1 to write a 4.1 GiB archive");
        const QString folder = newFolder("large");
        const qint64 size = 4'400'000'000LL; // 4.1 GiB, sparse
        QFile zeros(folder + "/zeros.bin"), movie(folder + "/movie.mp4");
        QVERIFY(zeros.open(QIODevice::WriteOnly) && movie.open(QIODevice::WriteOnly));
        movie.write(QByteArray("\0\0\0\x18"
                               "ftypmp42",
                               12));
        QVERIFY(zeros.resize(size) && movie.resize(size));
        zeros.close();
        movie.close();
        const QString archive = ZipJob::run({folder}, m_drops);
        QVERIFY(QFileInfo(archive).size() > size);
        const auto entries = readArchive(archive);
        const QByteArray inner = "Shelf/" + QFileInfo(folder).fileName().toUtf8();
        QCOMPARE(entries.value(inner + "/zeros.bin").size, quint64(size));
        QCOMPARE(entries.value(inner + "/movie.mp4").size, quint64(size));
        QCOMPARE(entries.value(inner + "/movie.mp4").method, ZIP_CM_STORE);
        QCOMPARE(entries.value(inner + "/zeros.bin").method, ZIP_CM_DEFLATE);
        QVERIFY(unzip({"-tq", archive}));
        QFile::remove(archive);
    }
};

QTEST_GUILESS_MAIN(ZipJobTest)
#include "tst_ZipJob.moc"

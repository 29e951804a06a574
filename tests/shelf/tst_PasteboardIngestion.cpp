#include "platform/Pasteboard.h"
#include "shelf/ShelfViews.h"

#include "TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

std::vector<ShelfItemPtr> ingest(const QMimeData& data) {
    return ShelfDropView::items(MimeDataPasteboard(&data));
}

QImage sampleImage(QColor corner) {
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 30, y * 50, (x + y) * 10, 255 - x * 20));
    }
    image.setPixelColor(0, 0, corner);
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QString existingFile(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    writeWholeFile(path, "content");
    return path;
}

// Points the temporary directory elsewhere for as long as it lives.
class ScopedTempRoot {
public:
    explicit ScopedTempRoot(const QString& root)
        : m_previous(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(root));
    }
    ~ScopedTempRoot() { qputenv("TMPDIR", m_previous); }

private:
    QByteArray m_previous;
};

} // namespace

class PasteboardIngestionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyLocalFileBecomesAFileItemInOrderAndWinsOverAllElse() {
        QTemporaryDir dir;
        const QList<QUrl> files{QUrl::fromLocalFile(existingFile(dir, "c.txt")),
                                QUrl::fromLocalFile(existingFile(dir, "a.txt")),
                                QUrl::fromLocalFile(dir.path() + "/")};
        QMimeData data;
        // Remote addresses never become file items.
        data.setUrls({QUrl(QStringLiteral("https://example.org/a?b=c d")), files[0],
                      QUrl(QStringLiteral("sftp://host/file")), files[1], files[2]});
        data.setText(QStringLiteral("some text"));
        data.setData(QStringLiteral("image/png"), encoded(sampleImage(Qt::red), "PNG"));
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(3));
        for (size_t i = 0; i < items.size(); ++i) {
            QVERIFY(items[i]->isFile());
            QCOMPARE(items[i]->url(), files[int(i)]);
        }
    }

    void aPngIsPreferredOverTiffAndSavedWithTheSamePixelsUnderATimedName() {
        QMimeData data;
        data.setData(QStringLiteral("image/tiff"), encoded(sampleImage(Qt::green), "TIFF"));
        const QByteArray png = encoded(sampleImage(Qt::red), "PNG");
        data.setData(QStringLiteral("image/png"), png);
        data.setText(QStringLiteral("text that loses to the image"));

        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(1));
        const QFileInfo file(items[0]->path());
        QCOMPARE(file.absolutePath(), *ShelfDropView::dropsDirectory());
        static const QRegularExpression name(
            QStringLiteral("^Image \\d\\d\\.\\d\\d\\.\\d\\d-[0-9A-F]{4}\\.png$"));
        QVERIFY2(name.match(file.fileName()).hasMatch(), qPrintable(file.fileName()));
        QImage saved;
        QVERIFY(saved.load(file.filePath(), "PNG"));
        QCOMPARE(saved.convertToFormat(QImage::Format_ARGB32),
                 QImage::fromData(png).convertToFormat(QImage::Format_ARGB32));
        QVERIFY(ingest(data).at(0)->path() != file.filePath()); // a second one never replaces it
    }

    void undecodableImageDataFallsThroughToUrls() {
        QMimeData data;
        data.setData(QStringLiteral("image/png"), "not a png");
        data.setUrls({QUrl(QStringLiteral("https://example.org/"))});
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(1));
        QCOMPARE(items[0]->text(), QStringLiteral("https://example.org/"));
    }

    void anImageThatCannotBeWrittenGivesNothingNotEvenTheText() {
        QMimeData data;
        data.setData(QStringLiteral("image/png"), encoded(sampleImage(Qt::red), "PNG"));
        data.setText(QStringLiteral("must not be used"));

        // "ShelfDrops" is taken by a file, so the folder cannot be made.
        QTemporaryDir blockedRoot;
        {
            ScopedTempRoot root(blockedRoot.path());
            const QString mine = blockedRoot.path() + QStringLiteral("/quoblin-%1").arg(::getuid());
            QVERIFY(QDir().mkdir(mine));
            QVERIFY(writeWholeFile(mine + QStringLiteral("/ShelfDrops"), "file"));
            QVERIFY(!ShelfDropView::dropsDirectory());
            QVERIFY(ingest(data).empty());
        }

        // The private folder's name is a link planted by someone: nothing is written there.
        QTemporaryDir plantedRoot;
        QTemporaryDir elsewhere;
        {
            ScopedTempRoot root(plantedRoot.path());
            QVERIFY(
                QFile::link(elsewhere.path(),
                            plantedRoot.path() + QStringLiteral("/quoblin-%1").arg(::getuid())));
            QVERIFY(!ShelfDropView::dropsDirectory());
            QVERIFY(ingest(data).empty());
            QVERIFY(QDir(elsewhere.path())
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        }
    }

    void textIsTakenRawAndOnlyWhenNotEmpty_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("text/plain") << QByteArray("  word\n") << "  word\n";
        QTest::newRow("single space") << QByteArray("text/plain") << QByteArray(" ") << " ";
        QTest::newRow("with charset")
            << QByteArray("text/plain;charset=utf-8") << QByteArray("\xc8\x99") << "ș";
    }

    void textIsTakenRawAndOnlyWhenNotEmpty() {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QMimeData data;
        data.setData(QString::fromLatin1(type), bytes);
        data.setUrls({QUrl(QStringLiteral("https://loses.example/"))});
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(1));
        QVERIFY(!items[0]->isFile());
        QCOMPARE(items[0]->text(), text);
    }

    void aBareUrlBecomesTheFirstUrlsFullString() {
        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("https://example.org/a b?q=ș#top")),
                      QUrl(QStringLiteral("https://second.example/"))});
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(1));
        QVERIFY(!items[0]->isFile());
        QCOMPARE(items[0]->text(), QStringLiteral("https://example.org/a%20b?q=%C8%99#top"));
    }

    void nothingUsableGivesNoItems() {
        QMimeData empty;
        QVERIFY(ingest(empty).empty());
        QMimeData emptyText;
        emptyText.setText(QString());
        QVERIFY(ingest(emptyText).empty());
        QMimeData other;
        other.setData(QStringLiteral("application/x-unknown"), "bytes");
        QVERIFY(ingest(other).empty());
        QVERIFY(ShelfDropView::items(MimeDataPasteboard(nullptr)).empty());
    }

    void theDropsDirectoryIsInsideThePrivateTemporaryFolder() {
        const auto folder = ShelfDropView::dropsDirectory();
        QVERIFY(folder);
        QCOMPARE(*folder,
                 QDir::tempPath() + QStringLiteral("/quoblin-%1/ShelfDrops").arg(::getuid()));
        QVERIFY(QFileInfo(*folder).isDir());
    }
};

QTEST_MAIN(PasteboardIngestionTest)
#include "tst_PasteboardIngestion.moc"

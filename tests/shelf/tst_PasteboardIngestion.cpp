#include "platform/Pasteboard.h"
#include "shelf/ShelfDropView.h"

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

// A small picture with a translucent gradient and the given corner, in the given format.
QByteArray encodedImage(QColor corner, const char* format) {
    QImage image(7, 5, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 30, y * 50, (x + y) * 10, 255 - x * 20));
    }
    image.setPixelColor(0, 0, corner);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

class PasteboardIngestionTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyLocalFileBecomesAFileItemInOrderAndWinsOverAllElse() {
        QTemporaryDir dir;
        QVERIFY(writeWholeFile(dir.filePath("c.txt"), "c") &&
                writeWholeFile(dir.filePath("a.txt"), "a"));
        const QList<QUrl> files{QUrl::fromLocalFile(dir.filePath("c.txt")),
                                QUrl::fromLocalFile(dir.filePath("a.txt"))};
        QMimeData data;
        // Remote addresses never become file items.
        data.setUrls({QUrl(QStringLiteral("sftp://host/file")), files[0], files[1]});
        data.setText(QStringLiteral("some text"));
        data.setData(QStringLiteral("image/png"), encodedImage(Qt::red, "PNG"));
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(2));
        QVERIFY(items[0]->isFile() && items[1]->isFile());
        QCOMPARE(items[0]->url(), files[0]);
        QCOMPARE(items[1]->url(), files[1]);
    }

    void aPngIsPreferredOverTiffAndSavedWithTheSamePixelsUnderATimedName() {
        QMimeData data;
        data.setData(QStringLiteral("image/tiff"), encodedImage(Qt::green, "TIFF"));
        const QByteArray png = encodedImage(Qt::red, "PNG");
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

    void anImageThatCannotBeWrittenGivesNothingNotEvenTheText() {
        QMimeData data;
        data.setData(QStringLiteral("image/png"), encodedImage(Qt::red, "PNG"));
        data.setText(QStringLiteral("must not be used"));

        // "ShelfDrops" is taken by a file, so the folder cannot be made.
        QTemporaryDir blockedRoot;
        const QByteArray previousRoot = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(blockedRoot.path()));
        const QString mine = blockedRoot.path() + QStringLiteral("/quoblin-%1").arg(::getuid());
        QVERIFY(QDir().mkdir(mine));
        QVERIFY(writeWholeFile(mine + QStringLiteral("/ShelfDrops"), "file"));
        const bool refused = !ShelfDropView::dropsDirectory() && ingest(data).empty();
        qputenv("TMPDIR", previousRoot);
        QVERIFY(refused);
    }

    // What is left after files and images: raw text in its charset, else the
    // first address in full, else nothing.
    void textElseTheFirstUrlElseNothing_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("text"); // empty: no item
        const QList<QUrl> urls{QUrl("https://example.org/a b?q=ș#top"), QUrl("https://b.example/")};
        QTest::newRow("text over urls")
            << "text/plain;charset=utf-8" << QByteArray(" \xc8\x99\n") << urls << " ș\n";
        QTest::newRow("undecodable image") << "image/png" << QByteArray("not a png") << urls
                                           << "https://example.org/a%20b?q=%C8%99#top";
        QTest::newRow("empty text") << "text/plain" << QByteArray() << QList<QUrl>() << "";
        QTest::newRow("unknown type")
            << "application/x-unknown" << QByteArray("bytes") << QList<QUrl>() << "";
    }

    void textElseTheFirstUrlElseNothing() {
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, text);
        QMimeData data;
        data.setData(format, bytes);
        if (!urls.isEmpty())
            data.setUrls(urls);
        const auto items = ingest(data);
        QCOMPARE(items.size(), size_t(text.isEmpty() ? 0 : 1));
        if (!text.isEmpty())
            QVERIFY(!items[0]->isFile() && items[0]->text() == text);
        QVERIFY(ShelfDropView::items(MimeDataPasteboard(nullptr)).empty());
    }
};

QTEST_MAIN(PasteboardIngestionTest)
#include "tst_PasteboardIngestion.moc"

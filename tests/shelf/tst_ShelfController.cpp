#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenPoints.h"
#include "shelf/DragAllView.h"
#include "shelf/DragThreshold.h"
#include "shelf/FooterButton.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"
#include "shelf/ShelfPlacement.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

std::vector<ShelfItemPtr> ingest(const QMimeData& data) {
    return ShelfDropView::items(MimeDataPasteboard(&data));
}

// A small translucent picture with the given corner, in the given format.
QByteArray encodedImage(QColor corner, const char* format) {
    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(QColor(30, 50, 10, 200));
    image.setPixelColor(0, 0, corner);
    QByteArray bytes;
    QBuffer buffer(&bytes); // opened by the save
    image.save(&buffer, format);
    return bytes;
}

} // namespace

// The window of a shelf: what it shows, how its controls reach the shelf's
// rules (which have their own test), and what a drop or paste brings it.
class ShelfControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScopedPreferences m_prefs;
    FakeTimers m_timers;

    ShelfItemPtr file(const QString& name) {
        return ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath(name)));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(writeWholeFile(m_dir.filePath("a.txt"), "a"));
        QVERIFY(writeWholeFile(m_dir.filePath("b.txt"), "b"));
    }

    void dragThresholdIsMoreThanFivePointsAndPointsFlipAroundThePrimaryBottomLeft() {
        QVERIFY(!DragThreshold::exceeded(QPointF(10, 10), QPointF(15, 10)));
        QVERIFY(DragThreshold::exceeded(QPointF(10, 10), QPointF(15.01, 10)));
        // A primary screen right of and below another one.
        const QRectF offset(1280, 200, 1024, 768);
        QCOMPARE(ScreenPoints::fromQtGlobal(QPointF(1280, 968), offset), QPointF(1280, 0));
    }

    // One screen 1000 x 800 points, its visible area without a 30-point bar at the top.
    void placementBesideThePointClampedInsideTheVisibleArea_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QPointF>("origin");
        QTest::newRow("free") << QPointF(100, 400) << QPointF(116, 220);
        QTest::newRow("right edge") << QPointF(990, 400) << QPointF(1000 - 8 - 280, 220);
        QTest::newRow("under the top bar") << QPointF(100, 760) << QPointF(116, 770 - 8 - 360);
        QTest::newRow("outside every screen") << QPointF(-500, 2000) << QPointF(8, 770 - 8 - 360);
    }

    void placementBesideThePointClampedInsideTheVisibleArea() {
        QFETCH(QPointF, point);
        QFETCH(QPointF, origin);
        ScreenLayout layout;
        layout.screens.append({QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 770)});
        // Screens left of, above and below the main one reach negative coordinates.
        for (const QRectF& other : {QRectF(-1024, 100, 1024, 768), QRectF(0, 800, 1280, 1024),
                                    QRectF(200, -768, 1024, 768)})
            layout.screens.append({other, other});
        layout.mainIndex = 0;
        QCOMPARE(ShelfPlacement::origin(point, QSizeF(280, 360), layout), origin);
    }

    void zipAddsTheArchiveLastAndHidesTheProgress() {
        ShelfController shelf({file("a.txt"), text("skip me"), file("b.txt")}, m_timers);
        shelf.shelf().scheduleAutoCloseIfEmpty(60);
        shelf.zipAll();
        QVERIFY(shelf.zipProgressVisible());
        QTRY_COMPARE(shelf.items().size(), std::size_t(4));
        QVERIFY(shelf.items().back()->path().endsWith(QStringLiteral(".zip")));
        QTRY_VERIFY(!shelf.zipProgressVisible());
        QVERIFY(!shelf.shelf().autoClosePending()); // the archive's arrival cancels it
    }

    void everyLocalFileBecomesAFileItemInOrderAndWinsOverAllElse() {
        const QList<QUrl> files{QUrl::fromLocalFile(m_dir.filePath("b.txt")),
                                QUrl::fromLocalFile(m_dir.filePath("a.txt"))};
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

QTEST_MAIN(ShelfControllerTest)
#include "tst_ShelfController.moc"

#include "FakePlatform.h"
#include "Pixels.h"
#include "TestEnvironment.h"
#include "model/DragThreshold.h"
#include "model/DroppedItems.h"
#include "model/ShelfPlacement.h"
#include "platform/common/DesktopScreens.h"
#include "platform/common/MimeDataContents.h"
#include "platform/common/PngImage.h"
#include "platform/common/ScreenPoints.h"
#include "platform/common/Symbols.h"
#include "shelf/DragAllView.h"
#include "shelf/FooterButton.h"
#include "shelf/ItemIcon.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfControllerWindows.h"
#include "shelf/ShelfDropView.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileIconProvider>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <unistd.h>

namespace {

ShelfItemPtr text(const QString& t) {
    return ShelfItem::makeText(t);
}

std::vector<ShelfItemPtr> ingest(const QMimeData& data) {
    return DroppedItems::from(MimeDataContents(&data), &PngImage::from);
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

    void placementBesideThePointClampedInsideTheVisibleArea() {
        // One screen 1000 x 800 points, its visible area without a 30-point bar at the top.
        ScreenLayout layout;
        layout.screens.append({QRectF(0, 0, 1000, 800), QRectF(0, 0, 1000, 770)});
        // Screens left of, above and below the main one reach negative coordinates.
        for (const QRectF& other : {QRectF(-1024, 100, 1024, 768), QRectF(0, 800, 1280, 1024),
                                    QRectF(200, -768, 1024, 768)})
            layout.screens.append({other, other});
        layout.mainIndex = 0;
        // Free, at the right edge, under the top bar, outside every screen.
        const std::pair<QPointF, QPointF> cases[] = {{{100, 400}, {116, 220}},
                                                     {{990, 400}, {1000 - 8 - 280, 220}},
                                                     {{100, 760}, {116, 770 - 8 - 360}},
                                                     {{-500, 2000}, {8, 770 - 8 - 360}}};
        for (const auto& [point, origin] : cases)
            QCOMPARE(ShelfPlacement::origin(point, QSizeF(280, 360), layout), origin);
    }

    void zipAddsTheArchiveLastAndHidesTheProgress() {
        Shelf model({file("a.txt"), text("skip me"), file("b.txt")}, m_timers);
        ShelfController shelf(model);
        model.scheduleAutoCloseIfEmpty(60);
        shelf.panel()->findChild<FooterButton*>("zip")->click();
        const auto* progress = shelf.panel()->findChild<QWidget*>("zipProgress");
        QVERIFY(!progress->isHidden());
        QTRY_COMPARE(model.items().size(), std::size_t(4));
        QVERIFY(model.items().back()->path().endsWith(QStringLiteral(".zip")));
        QTRY_VERIFY(progress->isHidden());
        QVERIFY(!model.autoClosePending()); // the archive's arrival cancels it
    }

    // The window of the next shelf waits mapped and drawing nothing, not the
    // shelf's until the shelf shows; unused, it goes.
    void aPreparedWindowDrawsNothingUntilItsShelfShowsAndGoesUnused() {
        ShelfControllerWindows windows([] { return DesktopScreens::layout(); });
        windows.prepareWindow();
        Shelf model({text("t")}, m_timers);
        const std::unique_ptr<ShelfWindow> window = windows.open(model);
        const ShelfPanel* panel = windows.controllerOf(&model)->panel();
        QVERIFY(panel->isVisible() && !panel->updatesEnabled() && !window->isVisible());
        window->show(QPointF(300, 300));
        QVERIFY(window->isVisible() && panel->updatesEnabled());
        QVERIFY(windows.controllerOf(&model)->rows().at(0)->isVisible());

        windows.prepareWindow();
        const auto shown = [] {
            return std::ranges::count_if(QApplication::topLevelWidgets(),
                                         [](const QWidget* w) { return w->isVisible(); });
        };
        QCOMPARE(shown(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(shown(), 1, 2 * ShelfControllerWindows::preparedForMs);
    }

    void theFooterOffersWhatTheShelfHolds() {
        Shelf model({}, m_timers);
        ShelfController shelf(model);
        QString enabled; // Copy All, Zip, Clear: empty, with a text, with a file too
        for (const auto& added : {std::vector<ShelfItemPtr>{}, {text("t")}, {file("a.txt")}}) {
            model.add(added);
            for (const char* button : {"copyAll", "zip", "clear"})
                enabled +=
                    shelf.panel()->findChild<FooterButton*>(button)->isEnabled() ? u'+' : u'-';
        }
        QCOMPARE(enabled, QStringLiteral("---+-++++")); // Zip packs files only
    }

    void symbolsAreDrawnAtTheScreensDensity() {
        const QIcon drawn = itemIcon(*text("t"), QFileIconProvider());
        const QIcon tinted = Symbols::tintedIcon(QStringLiteral("pin"), Qt::black);
        for (const QIcon& icon : {drawn, tinted}) {
            const QImage image = icon.pixmap(QSize(16, 16), 2.0).toImage();
            QCOMPARE(image.size(), QSize(32, 32));
            QCOMPARE(image.deviceIndependentSize(), QSizeF(16, 16));
            const int inked = inkedPixels(image);
            QVERIFY2(inked > 32, qPrintable(QString::number(inked)));
        }
    }

    void aRowsToolTipShowsTheTextAsItIsAndCutsALongOne() {
        const QString huge = QStringLiteral("<b>x</b>\n") + QString(3 << 20, u'y');
        Shelf model({text("<img src=a.png> & b"), text(huge)}, m_timers);
        ShelfController shelf(model);
        QStringList shown;
        for (QWidget* row : shelf.rows()) {
            QTextDocument tip; // read as a tool tip reads it
            const QString given = row->toolTip();
            Qt::mightBeRichText(given) ? tip.setHtml(given) : tip.setPlainText(given);
            shown << tip.toPlainText();
        }
        QCOMPARE(shown, (QStringList{"<img src=a.png> & b", huge.left(2000) + QChar(0x2026)}));
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
        const bool refused = !DroppedItems::directory() && ingest(data).empty();
        qputenv("TMPDIR", previousRoot);
        QVERIFY(refused);
    }

    // What is left after files and images: raw text in its charset, else the
    // first address in full, else nothing.
    void textElseTheFirstUrlElseNothing() {
        // Text over addresses; an image that cannot be read leaves the first one in full.
        const QStringList formats{"text/plain;charset=utf-8", "image/png"};
        const QByteArrayList bytes{" \xc8\x99\n", "not a png"};
        const QStringList texts{" ș\n", "https://example.org/a%20b?q=%C8%99#top"};
        for (int i = 0; i < 2; ++i) {
            QMimeData data;
            data.setData(formats[i], bytes[i]);
            data.setUrls({QUrl("https://example.org/a b?q=ș#top"), QUrl("https://b.example/")});
            const auto items = ingest(data);
            QVERIFY(items.size() == 1 && !items[0]->isFile() && items[0]->text() == texts[i]);
            // A password manager marks its copies: the text is kept as a secret.
            QVERIFY(!items[0]->isSecret());
            data.setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
            QVERIFY(ingest(data).at(0)->isSecret());
        }
        QVERIFY(DroppedItems::from(MimeDataContents(nullptr), &PngImage::from).empty());
    }
};

QTEST_MAIN(ShelfControllerTest)
#include "tst_ShelfController.moc"

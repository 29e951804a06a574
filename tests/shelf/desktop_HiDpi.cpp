// desktop-options: --compositor
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "model/ShelfItem.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <QToolButton>

namespace {

// True when some aligned 2x2 block differs inside: a picture drawn at half the
// resolution and blown up has only uniform blocks.
bool hasDetailFinerThanTwoPixels(const QImage& image, const QRect& area) {
    for (int y = area.top(); y + 1 <= area.bottom(); y += 2)
        for (int x = area.left(); x + 1 <= area.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
                image.pixel(x + 1, y + 1) != p)
                return true;
        }
    return false;
}

} // namespace

class HiDpi : public QObject {
    Q_OBJECT

    ScopedPreferences m_prefs;

private slots:
    void aShelfKeepsItsSizeInPointsAndDrawsSymbolsAtDeviceResolution() {
        DesktopServices desktop;
        ShelfController shelf({ShelfItem::makeText(QStringLiteral("A note"))}, desktop.timers(),
                              desktop.filePromises(), desktop.windowHints());
        shelf.show(QPointF(200, 300));
        ShelfPanel* panel = shelf.panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QTest::qWait(300);
        QCOMPARE(panel->size(), QSize(280, 360));
        const QPixmap grabbed = panel->grab();
        QCOMPARE(grabbed.size(), QSize(560, 720));

        for (QToolButton* button : {shelf.pinButton(), shelf.closeButton()}) {
            const QRect onPanel(button->mapTo(panel, QPoint(0, 0)) * 2, button->size() * 2);
            QVERIFY(hasDetailFinerThanTwoPixels(grabbed.toImage(), onPanel));
        }

        // Kept for people to look at: the shelf as drawn at scale 2.
        const QString shots = qEnvironmentVariable("QUOBLIN_SCREENSHOTS");
        QDir().mkpath(shots);
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"),
                           QDir(shots).filePath(QStringLiteral("hidpi-shelf.png"))});
        shelf.close();
    }
};

int main(int argc, char** argv) {
    // Must be in place before the application reads the screens.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_HiDpi.moc"

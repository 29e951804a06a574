// A shelf on a light desktop theme while another program has the focus.
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "app/DesktopServices.h"
#include "platform/common/DesktopScreens.h"
#include "shelf/ItemRowView.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfPanel.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTest>

namespace {

QImage onScreen(const QRect& r) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage();
}

// Drawn text has many shades; an undrawn window has one colour.
bool drawnAndDark(const QImage& image) {
    QSet<QRgb> colours;
    qint64 lightness = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
        colours.insert(image.pixel(i % image.width(), i / image.width()));
        lightness += QColor(image.pixel(i % image.width(), i / image.width())).lightness();
    }
    return colours.size() > 8 && lightness < 80LL * image.width() * image.height();
}

QWidget* shownPopup(Qt::WindowType type) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowType() == type)
            return widget;
    return nullptr;
}

bool xdotool(QString command, std::initializer_list<int> numbers) {
    for (int n : numbers)
        command = command.arg(n);
    return DesktopDriver::xdotool(command.split(u' '));
}

} // namespace

class ShelfLookTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;
    std::unique_ptr<DesktopDriver::Tool> m_target; // another program, which has the focus
    QPoint m_to;
    DesktopServices m_desktop;

    std::unique_ptr<Shelf> m_shelf;

    std::unique_ptr<ShelfController> shelf() {
        m_shelf = std::make_unique<Shelf>(
            std::vector{ShelfItem::makeFile(QUrl::fromLocalFile(m_file)),
                        ShelfItem::makeText(QStringLiteral("Notes for the meeting"))},
            m_desktop.timers());
        auto shelf = std::make_unique<ShelfController>(
            *m_shelf, ShelfDesktop{.hints = m_desktop.windowHints()});
        shelf->show(QPointF(100, 700), DesktopScreens::layout());
        QTest::qWait(500);
        return shelf;
    }

private Q_SLOTS:
    void initTestCase() {
        QApplication::setPalette(QPalette(QColor(236, 236, 236))); // a light theme
        m_file = m_dir.filePath(QStringLiteral("a folder with a long name/quarterly report.txt"));
        QVERIFY(QDir().mkpath(QFileInfo(m_file).path()) && writeWholeFile(m_file, "q"));
        m_target = std::make_unique<DesktopDriver::Tool>("drop_target", QStringList{"700", "300"});
        QVERIFY((m_to = m_target->waitForReady()).x() > 0);
    }

    void aRowItsToolTipAndMenuAreDrawnDarkAndTheHeadersGlyphsSitInPlace() {
        auto s = shelf();
        // The titles are light: the list behind them must not take the theme's colour.
        const ItemRowView* first = s->rows()[0];
        QVERIFY(drawnAndDark(onScreen(QRect(first->mapToGlobal(QPoint()), first->size()))));
        const QPoint row = first->mapToGlobal(first->rect().center());
        QVERIFY(
            xdotool("mousemove %1 %2 sleep 0.1 mousemove %3 %2", {row.x() - 5, row.y(), row.x()}));
        QLabel* tip = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((tip = qobject_cast<QLabel*>(shownPopup(Qt::ToolTip))), 5000);
        QCOMPARE(tip->text(), m_file);
        QVERIFY(!s->panel()->isActiveWindow());
        QTest::qWait(300);
        QVERIFY(drawnAndDark(onScreen(tip->geometry())));

        QVERIFY(xdotool("click 3", {}));
        QWidget* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(shownPopup(Qt::Popup))));
        QTest::qWait(400);
        QVERIFY(drawnAndDark(onScreen(menu->geometry())));
        menu->close();

        const QImage header = onScreen(
            QRect(s->panel()->mapToGlobal(QPoint(0, 11)), QSize(ShelfPanel::panelWidth - 2, 12)));
        QString ink; // a mark per column holding ink in the glyphs' rows, short of the border
        for (int x = 0; x < header.width(); ++x) {
            bool any = false;
            for (int y = 0; y < header.height(); ++y)
                any = any || header.pixelColor(x, y).lightness() > 90;
            ink += any ? u'#' : u'.';
        }
        const int closeRight = int(ink.lastIndexOf(u'#')) + 1;
        const int closeLeft = int(ink.lastIndexOf(u'.', closeRight - 1)) + 1;
        const int pinRight = int(ink.lastIndexOf(u'#', closeLeft - 1)) + 1;
        QVERIFY2(qAbs(ShelfPanel::panelWidth - closeRight - 8) <= 1, qPrintable(ink));
        QVERIFY2(qAbs(closeLeft - pinRight - 4) <= 1, qPrintable(ink));
    }

    void escapeDuringADragAllKeepsEveryItemAndTheShelfAndNoSecondDragStarts() {
        auto s = shelf();
        const QPoint from = s->panel()->mapToGlobal(QPoint(60, 17));
        QVERIFY(xdotool(
            "mousemove %1 %2 sleep 0.1 mousedown 1 sleep 0.1 mousemove %3 %2 sleep 0.3 "
            "key Escape sleep 0.3 mousemove %4 %2 sleep 0.2 mousemove %5 %6 sleep 0.2 "
            "mousemove %7 %6 sleep 0.3 mouseup 1",
            {from.x(), from.y(), from.x() + 20, from.x() + 60, m_to.x(), m_to.y(), m_to.x() + 10}));
        QVERIFY(m_target->waitForLine(QStringLiteral("URIS "), 500).isEmpty());
        QCOMPARE(m_shelf->items().size(), std::size_t(2));
        QVERIFY(s->panel()->isVisible());
    }
};

QTEST_MAIN(ShelfLookTest)
#include "desktop_ShelfLook.moc"

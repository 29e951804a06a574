// desktop-options: --tray --compositor
// The real program on a desktop with a tray host, driven from outside as a user would.
#include "DesktopDriver.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using DesktopDriver::Tool;
using DesktopDriver::xdotool;

namespace {

QString xdotoolOutput(const QString& command) {
    return DesktopDriver::lines(QStringLiteral("xdotool"), command.split(u' ')).join(u'\n');
}

QRect geometry(const QString& id) {
    static const QRegularExpression shell(
        QStringLiteral("X=(-?\\d+)\nY=(-?\\d+)\nWIDTH=(\\d+)\nHEIGHT=(\\d+)"));
    const QRegularExpressionMatch m =
        shell.match(xdotoolOutput(QStringLiteral("getwindowgeometry --shell ") + id));
    return m.hasMatch() ? QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                                m.captured(4).toInt())
                        : QRect();
}

// The visible shelves' titles by window id.
QMap<QString, QString> shelves() {
    QMap<QString, QString> titles;
    for (const QString& id : DesktopDriver::visibleWindows())
        if (const QString name = xdotoolOutput(QStringLiteral("getwindowname ") + id);
            name.startsWith(u"Shelf"))
            titles.insert(id, name);
    return titles;
}

// The icon windows the tray host docked: small windows in its top-right strip.
QStringList trayIcons() {
    QStringList icons;
    for (const QString& id : DesktopDriver::visibleWindows()) {
        const QRect r = geometry(id);
        if (r.width() > 0 && r.width() <= 48 && r.height() <= 48 && r.top() < 40 && r.left() > 1500)
            icons << id;
    }
    return icons;
}

QString recentShelvesPath() {
    return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quoblin/recent-shelves.json");
}

} // namespace

class WholeProgramTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QProcess> m_quoblin;
    QTemporaryDir m_files;

    // Waits until the tray icon is docked; by then the hot keys are registered too.
    bool startQuoblin() {
        m_quoblin = std::make_unique<QProcess>();
        m_quoblin->setProcessChannelMode(QProcess::ForwardedChannels);
        m_quoblin->start(qEnvironmentVariable("QUOBLIN_BINARY"), {});
        return m_quoblin->waitForStarted(5000) &&
               QTest::qWaitFor([] { return trayIcons().size() == 1; }, 15000) &&
               m_quoblin->state() == QProcess::Running;
    }

private Q_SLOTS:
    void initTestCase() { QFile::remove(recentShelvesPath()); }

    void cleanup() {
        m_quoblin.reset(); // kills a program still running
        // A menu or window left open would swallow the next test's clicks.
        xdotool({"key", "Escape"});
    }

    // The build draws the icon; on the tray host's light grey strip the glyph
    // shows in its own light grey, ringed in neutral dark.
    void theDockedIconIsALightGlyphRingedInDark() {
        QVERIFY(startQuoblin());
        const QString shot = m_files.filePath(QStringLiteral("icon.png"));
        QVERIFY(DesktopDriver::run(QStringLiteral("import"),
                                   {QStringLiteral("-window"), trayIcons().first(), shot}));
        const QImage icon(shot);
        int glyph = 0, ring = 0;
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const QRgb c = icon.pixel(x, y);
                glyph += c == qRgb(0xdc, 0xdc, 0xdc);
                ring += qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) < 0x80;
            }
        }
        QVERIFY2(glyph >= 20 && ring >= 20,
                 qPrintable(QStringLiteral("%1 %2").arg(glyph).arg(ring)));
    }

    void shakeThenDropKeepsTheShelfAndQuittingBySignalSavesIt() {
        QVERIFY(startQuoblin());
        const QString file = m_files.filePath(QStringLiteral("report.txt"));
        QVERIFY(writeWholeFile(file, "some words\n"));
        Tool source(QStringLiteral("drag_source"),
                    {file, QStringLiteral("200"), QStringLiteral("500")});
        const QPoint centre = source.waitForReady();
        QVERIFY(centre.x() > 0 && xdotool(DesktopDriver::pressAndShake(centre, 60)));
        QTRY_COMPARE(shelves().size(), 1);
        const QPoint target = geometry(shelves().firstKey()).center();
        QVERIFY(
            xdotool(QStringLiteral("mousemove %1 %2 sleep 0.2 mousemove %3 %4 sleep 0.2 mouseup 1")
                        .arg(target.x())
                        .arg(target.y())
                        .arg(target.x() + 5)
                        .arg(target.y() + 5)
                        .split(u' ')));
        QVERIFY(source.waitForLine(QStringLiteral("DRAG ")).toInt() != 0);
        QTRY_COMPARE(shelves().values(), QStringList{QStringLiteral("Shelf — 1")});

        // Quits the way a logout does.
        m_quoblin->terminate();
        QVERIFY(
            QTest::qWaitFor([this] { return m_quoblin->state() == QProcess::NotRunning; }, 15000));
        QCOMPARE(m_quoblin->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_quoblin->exitCode(), 0);
        const QJsonArray recent =
            QJsonDocument::fromJson(readWholeFile(recentShelvesPath())).array();
        QCOMPARE(recent.size(), 1);
        QCOMPARE(recent[0].toObject()["items"].toArray().size(), 1);
    }
};

QTEST_GUILESS_MAIN(WholeProgramTest)
#include "desktop_WholeProgram.moc"

#include "model/ShelfItem.h"
#include "model/ShelfStore.h"
#include "platform/Bookmarks.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class ShelfItemTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString existing(const QString& name) {
        const QString path = m_dir.filePath(name);
        writeWholeFile(path, "x");
        return path;
    }

private Q_SLOTS:
    void aFileItemIsStoredAsItsBookmarkAndRebuiltFromIt() {
        const QString path = existing(QStringLiteral("report.pdf"));
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(path));
        QCOMPARE(item->title(), QStringLiteral("report.pdf"));
        const auto back = ShelfItem::fromStored(item->toStored());
        QVERIFY(back && back->isFile());
        QCOMPARE(back->path(), path);
        QCOMPARE(back->bookmark(), item->bookmark());
        QCOMPARE(ShelfItem::makeFile(QUrl("file:///tmp/%C8%99%20x/"))->title(),
                 QStringLiteral("ș x"));
    }

    void textTitlesAreTrimmedButTheTextIsKept() {
        const QString text = QString::fromUtf8("\u00a0 two  words \r\n");
        const auto item = ShelfItem::makeText(text);
        QCOMPARE(item->title(), QStringLiteral("two  words"));
        const auto back = ShelfItem::fromStored(item->toStored());
        QVERIFY(back && !back->isFile());
        QCOMPARE(back->text(), text);
    }

    void textIconsShowALinkOnlyForTextStartingWithHttp() {
        const auto rendered = [](const QIcon& icon) {
            return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
        };
        const QImage link = rendered(QIcon(QStringLiteral(":/symbols/link.svg")));
        QCOMPARE(rendered(ShelfItem::makeText("http")->icon()), link);
        for (const char* text : {" http://example.org", "HTTP://EXAMPLE.ORG"})
            QVERIFY(rendered(ShelfItem::makeText(text)->icon()) != link);
    }

    void storedItemsWithoutAUsableBookmarkGiveNothing() {
        QVERIFY(!ShelfItem::fromStored({}));
        QVERIFY(!ShelfItem::fromStored({QByteArray("not a bookmark"), std::nullopt}));
        const QString path = existing(QStringLiteral("deleted.txt"));
        const auto bookmark = Bookmarks::make(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(!ShelfItem::fromStored({bookmark, std::nullopt}));
        // The resolver finds a dangling link itself, but there is no file behind it.
        const QString link = m_dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("target")), link));
        QVERIFY(!ShelfItem::fromStored({Bookmarks::make(link), std::nullopt}));
    }

    void aStaleBookmarkIsRenewedAndTheNextWriteStoresTheRenewal() {
        const QString path = existing(QStringLiteral("old name.txt"));
        const auto old = Bookmarks::make(path);
        QVERIFY(QFile::rename(path, m_dir.filePath(QStringLiteral("new name.txt"))));
        const auto item = ShelfItem::fromStored({old, std::nullopt});
        QVERIFY(item);
        QCOMPARE(item->title(), QStringLiteral("new name.txt"));
        QVERIFY(item->bookmark() && item->bookmark() != old);
        QCOMPARE(Bookmarks::resolve(*item->bookmark())->stale, false);
        QVERIFY(item->toStored().bookmark == item->bookmark());
    }
};

QTEST_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"

#include "model/ShelfItem.h"
#include "model/ShelfStore.h"
#include "platform/Bookmarks.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage rendered(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class ShelfItemTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString existing(const QString& name) {
        const QString path = m_dir.filePath(name);
        writeWholeFile(path, "x");
        return path;
    }

private Q_SLOTS:
    void aFileItemCarriesItsPathAndBookmark() {
        const QString path = existing(QStringLiteral("report.pdf"));
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(path));
        QVERIFY(item->isFile());
        QCOMPARE(item->path(), path);
        QVERIFY(item->bookmark());
        QCOMPARE(Bookmarks::resolve(*item->bookmark())->path, path);
        QCOMPARE(item->title(), QStringLiteral("report.pdf"));
        QVERIFY(item->toStored() == (StoredItem{item->bookmark(), std::nullopt}));
    }

    void aFileWhoseBookmarkCannotBeMadeIsStoredAsNothing() {
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(m_dir.filePath("absent.txt")));
        QVERIFY(item && item->isFile() && !item->bookmark());
        QCOMPARE(item->title(), QStringLiteral("absent.txt"));
        QVERIFY(item->toStored() == StoredItem{});
        QVERIFY(!ShelfItem::fromStored(item->toStored()));
    }

    void fileTitlesAreTheLastPathComponent_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("title");
        QTest::newRow("file") << QUrl::fromLocalFile("/home/u/a b.txt") << "a b.txt";
        QTest::newRow("folder with slash")
            << QUrl(QStringLiteral("file:///home/u/Photos/")) << "Photos";
        QTest::newRow("escaped") << QUrl(QStringLiteral("file:///tmp/%C8%99%20x.png")) << "ș x.png";
        QTest::newRow("root") << QUrl(QStringLiteral("file:///")) << "/";
    }

    void fileTitlesAreTheLastPathComponent() {
        QFETCH(QUrl, url);
        QFETCH(QString, title);
        QCOMPARE(ShelfItem::makeFile(url)->title(), title);
    }

    void textTitlesAreTrimmedButTheTextIsKept_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("inner spaces kept") << "\t two  words \r\n"
                                           << "two  words";
        QTest::newRow("only blanks") << " \n \t\n"
                                     << "";
        QTest::newRow("unicode blanks") << QString::fromUtf8("\u00a0x\u2028") << "x";
    }

    void textTitlesAreTrimmedButTheTextIsKept() {
        QFETCH(QString, text);
        QFETCH(QString, title);
        const auto item = ShelfItem::makeText(text);
        QVERIFY(!item->isFile() && !item->bookmark());
        QCOMPARE(item->title(), title);
        QCOMPARE(item->text(), text);
        QVERIFY(item->toStored() == (StoredItem{std::nullopt, text}));
    }

    void textIconsShowALinkOnlyForTextStartingWithHttp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("just the letters") << "http" << true;
        QTest::newRow("not an address") << "httpfoo bar" << true;
        QTest::newRow("leading space") << " http://example.org" << false;
        QTest::newRow("capitals") << "HTTP://EXAMPLE.ORG" << false;
    }

    void textIconsShowALinkOnlyForTextStartingWithHttp() {
        QFETCH(QString, text);
        QFETCH(bool, link);
        const QImage linkImage = rendered(QIcon(QStringLiteral(":/symbols/link.svg")));
        const QImage textImage = rendered(QIcon(QStringLiteral(":/symbols/text.alignleft.svg")));
        QVERIFY(!linkImage.isNull() && linkImage != textImage);
        QCOMPARE(rendered(ShelfItem::makeText(text)->icon()), link ? linkImage : textImage);
    }

    void storedTextWinsOverABookmark() {
        const QString path = existing(QStringLiteral("f.txt"));
        const auto item = ShelfItem::fromStored({Bookmarks::make(path), QStringLiteral(" t\n")});
        QVERIFY(item && !item->isFile() && !item->bookmark());
        QCOMPARE(item->text(), QStringLiteral(" t\n"));
        const auto empty = ShelfItem::fromStored({std::nullopt, QString()});
        QVERIFY(empty && !empty->isFile() && empty->text().isEmpty());
    }

    void storedItemsWithoutAUsableBookmarkGiveNothing() {
        QVERIFY(!ShelfItem::fromStored({}));
        QVERIFY(!ShelfItem::fromStored({QByteArray("not a bookmark"), std::nullopt}));
        QVERIFY(!ShelfItem::fromStored({QByteArray(), std::nullopt}));
        const QString path = existing(QStringLiteral("deleted.txt"));
        const auto bookmark = Bookmarks::make(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(!ShelfItem::fromStored({bookmark, std::nullopt}));
        // The resolver finds a dangling link itself, but there is no file behind it.
        const QString link = m_dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("target")), link));
        QVERIFY(Bookmarks::resolve(*Bookmarks::make(link)));
        QVERIFY(!ShelfItem::fromStored({Bookmarks::make(link), std::nullopt}));
    }

    void aFreshBookmarkIsKeptAsStored() {
        const QString path = existing(QStringLiteral("same.txt"));
        const auto bookmark = Bookmarks::make(path);
        const auto item = ShelfItem::fromStored({bookmark, std::nullopt});
        QVERIFY(item && item->isFile());
        QCOMPARE(item->path(), path);
        QCOMPARE(item->bookmark(), bookmark);
    }

    void aStaleBookmarkIsRenewedAndTheNextWriteStoresTheRenewal() {
        const QString path = existing(QStringLiteral("old name.txt"));
        const auto old = Bookmarks::make(path);
        const QString renamed = m_dir.filePath(QStringLiteral("new name.txt"));
        QVERIFY(QFile::rename(path, renamed));

        const auto item = ShelfItem::fromStored({old, std::nullopt});
        QVERIFY(item);
        QCOMPARE(item->title(), QStringLiteral("new name.txt"));
        QVERIFY(item->bookmark() && item->bookmark() != old);
        QCOMPARE(Bookmarks::resolve(*item->bookmark())->stale, false);

        const QString file = m_dir.filePath(QStringLiteral("recent-shelves.json"));
        QVERIFY(ShelfStore::write({{1, {item->toStored()}}}, file));
        QCOMPARE(ShelfStore::read(file).at(0).items.at(0).bookmark, item->bookmark());
    }

    void aBookmarkOfAReplacedFileIsRenewed() {
        const QString path = existing(QStringLiteral("f"));
        Bookmarks::Record forged = *Bookmarks::decode(*Bookmarks::make(path));
        ++forged.inode; // as if the file had been replaced since
        const auto item = ShelfItem::fromStored({Bookmarks::encode(forged), std::nullopt});
        QVERIFY(item);
        QCOMPARE(item->path(), path);
        QCOMPARE(item->bookmark(), Bookmarks::make(path));
    }
};

QTEST_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"

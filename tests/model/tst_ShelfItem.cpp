#include "model/ShelfItem.h"
#include "model/ShelfStore.h"
#include "platform/Bookmarks.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

QImage rendered(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage symbol(const char* name) {
    return rendered(QIcon(QStringLiteral(":/symbols/%1.svg").arg(QLatin1String(name))));
}

} // namespace

class ShelfItemTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aFileItemCarriesItsUrlPathAndBookmark() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeWholeFile(path, "%PDF"));
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(path));
        QCOMPARE(item->kind(), ShelfItem::Kind::file);
        QVERIFY(item->isFile());
        QCOMPARE(item->path(), path);
        QCOMPARE(item->text(), QString());
        QVERIFY(item->bookmark());
        QCOMPARE(Bookmarks::resolve(*item->bookmark())->path, path);
        QVERIFY(!item->isAccessingScope());
        QCOMPARE(item->title(), QStringLiteral("report.pdf"));
        QVERIFY(item->toStored() == (StoredItem{item->bookmark(), std::nullopt}));
    }

    void aFileWhoseBookmarkCannotBeMadeIsStillAnItem() {
        QTemporaryDir dir;
        const auto item = ShelfItem::makeFile(QUrl::fromLocalFile(dir.filePath("absent.txt")));
        QVERIFY(item);
        QVERIFY(item->isFile());
        QVERIFY(!item->bookmark());
        QCOMPARE(item->title(), QStringLiteral("absent.txt"));
        // Stored as an empty object, which reads back as no item.
        QVERIFY(item->toStored() == StoredItem{});
        QVERIFY(!ShelfItem::fromStored(item->toStored()));
    }

    void fileTitlesAreTheLastPathComponent_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("title");
        QTest::newRow("file") << QUrl::fromLocalFile("/home/u/a b.txt") << "a b.txt";
        QTest::newRow("folder with slash")
            << QUrl(QStringLiteral("file:///home/u/Photos/")) << "Photos";
        QTest::newRow("folder without slash") << QUrl::fromLocalFile("/home/u/Photos") << "Photos";
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
        QTest::newRow("word with spaces and line break") << "   word\n"
                                                         << "word";
        QTest::newRow("inner spaces kept") << "\t two  words \r\n"
                                           << "two  words";
        QTest::newRow("only blanks") << " \n \t\n"
                                     << "";
        QTest::newRow("single space") << " "
                                      << "";
        QTest::newRow("unicode blanks") << QString::fromUtf8("\u00a0x\u2028") << "x";
        QTest::newRow("empty") << ""
                               << "";
    }

    void textTitlesAreTrimmedButTheTextIsKept() {
        QFETCH(QString, text);
        QFETCH(QString, title);
        const auto item = ShelfItem::makeText(text);
        QCOMPARE(item->kind(), ShelfItem::Kind::text);
        QVERIFY(!item->isFile());
        QCOMPARE(item->title(), title);
        QCOMPARE(item->text(), text);
        QVERIFY(item->url().isEmpty());
        QCOMPARE(item->path(), QString());
        QVERIFY(!item->bookmark());
        QVERIFY(item->toStored() == (StoredItem{std::nullopt, text}));
    }

    void textIconsShowALinkOnlyForTextStartingWithHttp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("web address") << "https://example.org" << true;
        QTest::newRow("just the letters") << "http" << true;
        QTest::newRow("not an address") << "httpfoo bar" << true;
        QTest::newRow("leading space") << " http://example.org" << false;
        QTest::newRow("capitals") << "HTTP://EXAMPLE.ORG" << false;
        QTest::newRow("plain") << "hello" << false;
        QTest::newRow("empty") << "" << false;
    }

    void textIconsShowALinkOnlyForTextStartingWithHttp() {
        QFETCH(QString, text);
        QFETCH(bool, link);
        const QImage linkImage = symbol("link");
        const QImage textImage = symbol("text.alignleft");
        QVERIFY(!linkImage.isNull() && !textImage.isNull());
        QVERIFY(linkImage != textImage);
        QCOMPARE(rendered(ShelfItem::makeText(text)->icon()), link ? linkImage : textImage);
    }

    void storedTextWinsOverABookmark() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const auto item = ShelfItem::fromStored({Bookmarks::make(path), QStringLiteral(" t\n")});
        QVERIFY(item);
        QCOMPARE(item->kind(), ShelfItem::Kind::text);
        QCOMPARE(item->text(), QStringLiteral(" t\n"));
        QVERIFY(!item->bookmark());
        const auto empty = ShelfItem::fromStored({std::nullopt, QString()});
        QVERIFY(empty && !empty->isFile() && empty->text().isEmpty());
    }

    void storedItemsWithoutUsableBookmarkGiveNothing() {
        QVERIFY(!ShelfItem::fromStored({}));
        QVERIFY(!ShelfItem::fromStored({QByteArray("not a bookmark"), std::nullopt}));
        QVERIFY(!ShelfItem::fromStored({QByteArray(), std::nullopt}));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deleted.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const auto bookmark = Bookmarks::make(path);
        QVERIFY(QFile::remove(path));
        QVERIFY(!ShelfItem::fromStored({bookmark, std::nullopt}));
    }

    void aFreshBookmarkIsKeptAsStored() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("same.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const auto bookmark = Bookmarks::make(path);
        const auto item = ShelfItem::fromStored({bookmark, std::nullopt});
        QVERIFY(item && item->isFile());
        QCOMPARE(item->path(), path);
        QCOMPARE(item->bookmark(), bookmark);
        QVERIFY(!item->isAccessingScope());
    }

    void aStaleBookmarkIsRenewedAndTheNextWriteStoresTheRenewal() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old name.txt"));
        QVERIFY(writeWholeFile(path, "x"));
        const auto old = Bookmarks::make(path);
        const QString renamed = dir.filePath(QStringLiteral("new name.txt"));
        QVERIFY(QFile::rename(path, renamed));

        const auto item = ShelfItem::fromStored({old, std::nullopt});
        QVERIFY(item);
        QCOMPARE(item->path(), renamed);
        QCOMPARE(item->title(), QStringLiteral("new name.txt"));
        QVERIFY(item->bookmark() && item->bookmark() != old);
        QCOMPARE(Bookmarks::resolve(*item->bookmark())->stale, false);

        // Through the file and back, the renewed bookmark is what survives.
        const QString file = dir.filePath(QStringLiteral("recent-shelves.json"));
        QVERIFY(ShelfStore::write({{1, {item->toStored()}}}, file));
        const auto shelves = ShelfStore::read(file);
        QCOMPARE(shelves.size(), size_t(1));
        QCOMPARE(shelves[0].items.at(0).bookmark, item->bookmark());
    }

    void aDanglingLinkGivesNothing() {
        // The resolver finds the link itself, but there is no file behind it.
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("target")), link));
        QVERIFY(Bookmarks::resolve(*Bookmarks::make(link)));
        QVERIFY(!ShelfItem::fromStored({Bookmarks::make(link), std::nullopt}));
    }

    void aBookmarkOfAReplacedFileIsRenewed() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f"));
        QVERIFY(writeWholeFile(path, "x"));
        Bookmarks::Record forged = *Bookmarks::decode(*Bookmarks::make(path));
        ++forged.inode; // as if the file had been replaced since
        const auto item = ShelfItem::fromStored({Bookmarks::encode(forged), std::nullopt});
        QVERIFY(item);
        QCOMPARE(item->path(), path);
        QCOMPARE(item->bookmark(), Bookmarks::make(path));
    }

    void equalTextsMakeDistinctItems() {
        QVERIFY(ShelfItem::makeText(QStringLiteral("same")) !=
                ShelfItem::makeText(QStringLiteral("same")));
    }
};

QTEST_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"

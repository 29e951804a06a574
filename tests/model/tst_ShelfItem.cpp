#include "model/ShelfItem.h"
#include "model/ShelfStore.h"
#include "platform/Bookmarks.h"
#include "platform/Symbols.h"

#include "TestEnvironment.h"

#include <QAbstractFileIconProvider>
#include <QFile>
#include <QGuiApplication>
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
        QCOMPARE(ShelfItem::makeFile(QUrl("file:///tmp/%C8%99%20x/"))->title(),
                 QStringLiteral("ș x"));
    }

    void aBookmarkOfADanglingLinkGivesNoItem() {
        // The resolver finds a dangling link itself, but there is no file behind it.
        const QString link = m_dir.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("target")), link));
        QVERIFY(!ShelfItem::fromStored({Bookmarks::make(link), std::nullopt}));
    }

    void textItemsAreTitledTrimmedAndShowALinkOnlyForHttp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("symbol");
        QTest::newRow("trimmed") << " \tNotes \n"
                                 << "Notes"
                                 << "text.alignleft";
        QTest::newRow("http") << "https://example.org"
                              << "https://example.org"
                              << "link";
        QTest::newRow("http anywhere else") << " http://a"
                                            << "http://a"
                                            << "text.alignleft";
    }

    void textItemsAreTitledTrimmedAndShowALinkOnlyForHttp() {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, symbol);
        const auto item = ShelfItem::makeText(text);
        QCOMPARE(item->title(), title);
        QVERIFY(Symbols::icon("link").pixmap(16).toImage() !=
                Symbols::icon("text.alignleft").pixmap(16).toImage());
        QCOMPARE(item->icon(QAbstractFileIconProvider()).pixmap(16).toImage(),
                 Symbols::icon(symbol).pixmap(16).toImage());
        QCOMPARE(ShelfItem::fromStored(item->toStored())->text(), text); // stored untrimmed
    }

    void aStoredItemIsItsTextElseItsFileElseNothing_data() {
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("bookmark");
        QTest::addColumn<int>("kind"); // -1 nothing, 0 file, 1 text
        QTest::newRow("text over bookmark") << true << true << 1;
        QTest::newRow("text") << true << false << 1;
        QTest::newRow("bookmark") << false << true << 0;
        QTest::newRow("neither") << false << false << -1;
    }

    void aStoredItemIsItsTextElseItsFileElseNothing() {
        QFETCH(bool, text);
        QFETCH(bool, bookmark);
        QFETCH(int, kind);
        StoredItem stored;
        if (text)
            stored.text = QStringLiteral("kept");
        if (bookmark)
            stored.bookmark = Bookmarks::make(existing(QStringLiteral("stored.txt")));
        const auto item = ShelfItem::fromStored(stored);
        QCOMPARE(item ? int(!item->isFile()) : -1, kind);
    }
};

QTEST_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"

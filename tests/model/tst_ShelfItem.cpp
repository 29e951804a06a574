#include "model/ShelfItem.h"
#include "platform/Bookmarks.h"

#include "TestEnvironment.h"

#include <QApplication>
#include <QFile>
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
};

QTEST_MAIN(ShelfItemTest)
#include "tst_ShelfItem.moc"

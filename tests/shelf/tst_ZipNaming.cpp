#include "shelf/ZipNaming.h"

#include <QRegularExpression>
#include <QTest>

class ZipNamingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void collidingNamesAreNumberedBeforeTheLastExtension_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("folders of one name")
            << QStringList{"/x/Photos", "/y/Photos/"} << QStringList{"Photos", "Photos 2"};
        QTest::newRow("only the last suffix is the extension")
            << QStringList{"/x/archive.tar.gz", "/y/archive.tar.gz"}
            << QStringList{"archive.tar.gz", "archive.tar 2.gz"};
        QTest::newRow("a taken numbered name is skipped")
            << QStringList{"/x/a.txt", "/y/a 2.txt", "/z/a.txt"}
            << QStringList{"a.txt", "a 2.txt", "a 3.txt"};
        QTest::newRow("a hidden file has no extension")
            << QStringList{"/x/.bashrc", "/y/.bashrc"} << QStringList{".bashrc", ".bashrc 2"};
        QTest::newRow("names differing in case do not collide")
            << QStringList{"/x/A.txt", "/y/a.txt"} << QStringList{"A.txt", "a.txt"};
    }

    void collidingNamesAreNumberedBeforeTheLastExtension() {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, names);
        QCOMPARE(ZipNaming::collisionFreeNames(paths), names);
    }

    void archiveNamesCarryTheTimeAndFourUpperCaseCharactersOfARandomUuid() {
        const QUuid uuid("{7c2a9e01-1111-2222-3333-444455556666}");
        QCOMPARE(ZipNaming::archiveName(QTime(14, 5, 9), uuid),
                 QStringLiteral("Shelf 14.05.09-7C2A.zip"));
        static const QRegularExpression form(
            QStringLiteral("^Shelf [0-2][0-9]\\.[0-5][0-9]\\.[0-5][0-9]-[0-9A-F]{4}\\.zip$"));
        QSet<QString> tags;
        for (int i = 0; i < 20; ++i) {
            const QString name = ZipNaming::newArchiveName();
            QVERIFY2(form.match(name).hasMatch(), qPrintable(name));
            tags.insert(name.mid(15, 4));
        }
        // Twenty random 16-bit tags all equal would mean they are not random.
        QVERIFY(tags.size() > 1);
    }
};

QTEST_GUILESS_MAIN(ZipNamingTest)
#include "tst_ZipNaming.moc"

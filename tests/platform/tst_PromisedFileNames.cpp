#include "platform/PromisedFileNames.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace PromisedFileNames;

class PromisedFileNamesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestionsBecomeOnePlainName_data() {
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("expected");
        const QString fallback = QString::fromLatin1(fallbackName);
        QTest::newRow("parent") << QStringLiteral("../evil") << QStringLiteral(".._evil");
        QTest::newRow("absolute") << QStringLiteral("/etc/passwd") << QStringLiteral("_etc_passwd");
        QTest::newRow("controls") << QStringLiteral("a\nb\tc\x7f") << QStringLiteral("a_b_c_");
        QTest::newRow("dot dot") << QStringLiteral(" .. ") << fallback;
    }
    void suggestionsBecomeOnePlainName() {
        QFETCH(QString, suggested);
        QFETCH(QString, expected);
        QCOMPARE(safeName(suggested), expected);
    }

    void longNamesAreShortenedKeepingTheExtensionAndWholeCharacters() {
        QString faces;
        for (int i = 0; i < 100; ++i)
            faces += QString::fromUtf8("\xF0\x9F\x98\x80"); // four bytes, two UTF-16 units
        const QString shortened = safeName(faces + QStringLiteral(".png"));
        QVERIFY(shortened.toUtf8().size() <= 247);
        QVERIFY(shortened.endsWith(QStringLiteral(".png")));
        QCOMPARE(QString::fromUtf8(shortened.toUtf8()), shortened); // no half characters
    }

    void takenNamesGetTheNextNumberBeforeTheExtension() {
        QSet<QString> taken{QStringLiteral("/d/report.txt"), QStringLiteral("/d/report 2.txt"),
                            QStringLiteral("/d/a.tar.gz")};
        const auto isTaken = [&](const QString& path) { return taken.contains(path); };
        QCOMPARE(unusedPath(QStringLiteral("/d/"), QStringLiteral("report.txt"), isTaken),
                 QStringLiteral("/d/report 3.txt"));
        QCOMPARE(unusedPath(QStringLiteral("/d"), QStringLiteral("a.tar.gz"), isTaken),
                 QStringLiteral("/d/a.tar 2.gz"));
    }

    void anythingAtAPathOccupiesIt() {
        QTemporaryDir dir;
        const QString dangling = dir.filePath(QStringLiteral("dangling"));
        QVERIFY(!occupied(dangling));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing")), dangling));
        QVERIFY(occupied(dangling));
    }

    void namePropertiesAreDecodedByTheirCharset_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QString>("expected");
        const QString cafe = QString::fromUtf8("caf\xC3\xA9");
        QTest::newRow("latin-1 named")
            << QByteArray("caf\xE9") << QByteArray("text/plain; charset=\"ISO-8859-1\"") << cafe;
        QTest::newRow("unnamed latin-1")
            << QByteArray("caf\xE9") << QByteArray("text/plain") << cafe;
        QTest::newRow("UTF8_STRING")
            << QByteArray("caf\xC3\xA9\0", 6) << QByteArray("UTF8_STRING") << cafe;
        QTest::newRow("bad utf-8 named")
            << QByteArray("caf\xE9") << QByteArray("text/plain;charset=utf-8") << QString();
    }
    void namePropertiesAreDecodedByTheirCharset() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, type);
        QFETCH(QString, expected);
        QCOMPARE(decode(bytes, type), expected);
    }
};

QTEST_MAIN(PromisedFileNamesTest)
#include "tst_PromisedFileNames.moc"

#include "platform/PromisedFileNames.h"

#include <QTest>

using namespace PromisedFileNames;

class PromisedFileNamesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestionsBecomeOnePlainName() {
        QCOMPARE(safeName(QStringLiteral("../evil")), QStringLiteral(".._evil"));
        QCOMPARE(safeName(QStringLiteral("a\nb\tc\x7f")), QStringLiteral("a_b_c_"));
        QCOMPARE(safeName(QStringLiteral(" .. ")), QString::fromLatin1(fallbackName));
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

    void namePropertiesAreDecodedByTheirCharset() {
        const QString cafe = QString::fromUtf8("caf\xC3\xA9");
        QCOMPARE(decode("caf\xE9", "text/plain; charset=\"ISO-8859-1\""), cafe);
        QCOMPARE(decode("caf\xE9", "text/plain"), cafe); // unnamed is Latin-1
        QCOMPARE(decode(QByteArray("caf\xC3\xA9\0", 6), "UTF8_STRING"), cafe);
        QCOMPARE(decode("caf\xE9", "text/plain;charset=utf-8"), QString()); // bad UTF-8
    }
};

QTEST_MAIN(PromisedFileNamesTest)
#include "tst_PromisedFileNames.moc"

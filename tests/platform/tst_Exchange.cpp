#include "platform/ClipboardWriter.h"
#include "platform/PromisedFileNames.h"

#include <QGuiApplication>
#include <QTest>
#include <QUrl>

using namespace PromisedFileNames;

namespace {

const QList<ClipboardEntry> mixed{
    ClipboardEntry::file("/home/u/My Files/a b.txt"),
    ClipboardEntry::text("  padded text, kept as is  "),
    ClipboardEntry::file("/tmp/Ștefan/100% #1?.pdf"),
    ClipboardEntry::text("two\nlines"),
    ClipboardEntry::file("/tmp/caf\xe9.txt"), // Latin-1: only its text is lossy
};

} // namespace

// What goes to other programs through the clipboard, and what comes from them
// as a promised file.
class ExchangeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void suggestionsBecomeOnePlainNameShortenedKeepingTheExtensionAndWholeCharacters() {
        QCOMPARE(safeName(QStringLiteral("../evil")), QStringLiteral(".._evil"));
        QCOMPARE(safeName(QStringLiteral("a\nb\tc\x7f")), QStringLiteral("a_b_c_"));
        QCOMPARE(safeName(QStringLiteral(" .. ")), QString::fromLatin1(fallbackName));
        QString faces;
        for (int i = 0; i < 100; ++i)
            faces += QString::fromUtf8("\xF0\x9F\x98\x80"); // four bytes, two UTF-16 units
        const QString shortened = safeName(faces + QStringLiteral(".png"));
        QVERIFY(shortened.toUtf8().size() <= 247);
        QVERIFY(shortened.endsWith(QStringLiteral(".png")));
        QCOMPARE(QString::fromUtf8(shortened.toUtf8()), shortened); // no half characters
    }

    void theThreeFormsOfAMixedList() {
        // Percent-encoded URIs ended by CR LF, the file managers' copy operation,
        // and one plain line per entry in order with texts untouched.
        QCOMPARE(ClipboardWriter::uriList(mixed),
                 QByteArray("file:///home/u/My%20Files/a%20b.txt\r\n"
                            "file:///tmp/%C8%98tefan/100%25%20%231%3F.pdf\r\n"
                            "file:///tmp/caf%E9.txt\r\n"));
        QCOMPARE(ClipboardWriter::copiedFiles(mixed),
                 QByteArray("copy\nfile:///home/u/My%20Files/a%20b.txt\n"
                            "file:///tmp/%C8%98tefan/100%25%20%231%3F.pdf\n"
                            "file:///tmp/caf%E9.txt"));
        QCOMPARE(ClipboardWriter::plainText(mixed), QStringLiteral("/home/u/My Files/a b.txt\n"
                                                                   "  padded text, kept as is  \n"
                                                                   "/tmp/Ștefan/100% #1?.pdf\n"
                                                                   "two\nlines\n"
                                                                   "/tmp/caf\uFFFD.txt"));
    }
};

QTEST_MAIN(ExchangeTest)
#include "tst_Exchange.moc"

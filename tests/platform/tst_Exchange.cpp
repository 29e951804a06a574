#include "platform/common/ClipboardWriter.h"
#include "platform/files/PromisedFileNames.h"

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
        // C1 controls, and the direction marks that would show "gpj.exe" backwards.
        QCOMPARE(safeName(QStringLiteral("a\u0085b\u202egpj\u2066.exe")),
                 QStringLiteral("a_b_gpj_.exe"));
        QString faces;
        for (int i = 0; i < 100; ++i)
            faces += QString::fromUtf8("\xF0\x9F\x98\x80"); // four bytes, two UTF-16 units
        const QString shortened = safeName(faces + QStringLiteral(".png"));
        QCOMPARE(shortened.toUtf8().size(), 62 * 4 + 4); // as many whole ones as 255 bytes hold
        QVERIFY(shortened.endsWith(QStringLiteral(".png")));
        QCOMPARE(QString::fromUtf8(shortened.toUtf8()), shortened); // no half characters
        QCOMPARE(safeName(QString(1 << 20, u'x') + QStringLiteral(".txt")).toUtf8().size(), 255);
    }

    // Suggested names come in the charset their type names, else UTF-8 or Latin-1.
    void promisedNamesAreDecodedByTheirType() {
        const std::pair<const char*, QByteArray> unreadable[] = {
            {"text/plain;charset=x-none", "a"}, {"text/plain;charset=utf-8", "caf\xe9"}};
        for (const auto& [type, bytes] : unreadable)
            QCOMPARE(decode(bytes, type), QString());
        const QString cafe = QStringLiteral("café");
        QCOMPARE(decode("caf\xc3\xa9", "text/plain"), cafe);
        QCOMPARE(decode("caf\xe9", "text/plain"), cafe);
        QCOMPARE(decode("caf\xe9", "STRING"), cafe);
        QCOMPARE(decode(QByteArray("caf\xc3\xa9\0", 6), "UTF8_STRING"), cafe);
        QCOMPARE(decode("\xaa", "Text/Plain; charset=\"ISO-8859-2\"; x=y"), QStringLiteral("Ş"));
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

#include "platform/ClipboardWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>

namespace {

const QList<ClipboardEntry> mixed{
    ClipboardEntry::file("/home/u/My Files/a b.txt"),
    ClipboardEntry::text("  padded text, kept as is  "),
    ClipboardEntry::file("/tmp/Ștefan/100% #1?.pdf"),
    ClipboardEntry::text("two\nlines"),
};

} // namespace

class ClipboardWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theThreeFormsOfAMixedList() {
        // Percent-encoded URIs ended by CR LF, the file managers' copy operation,
        // and one plain line per entry in order with texts untouched.
        QCOMPARE(ClipboardWriter::uriList(mixed),
                 QByteArray("file:///home/u/My%20Files/a%20b.txt\r\n"
                            "file:///tmp/%C8%98tefan/100%25%20%231%3F.pdf\r\n"));
        QCOMPARE(ClipboardWriter::copiedFiles(mixed),
                 QByteArray("copy\nfile:///home/u/My%20Files/a%20b.txt\n"
                            "file:///tmp/%C8%98tefan/100%25%20%231%3F.pdf"));
        QCOMPARE(ClipboardWriter::plainText(mixed), QStringLiteral("/home/u/My Files/a b.txt\n"
                                                                   "  padded text, kept as is  \n"
                                                                   "/tmp/Ștefan/100% #1?.pdf\n"
                                                                   "two\nlines"));
    }

    void writingPutsAllThreeFormsOnTheClipboard() {
        QVERIFY(ClipboardWriter::write(mixed));
        const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
        QCOMPARE(data->text(), ClipboardWriter::plainText(mixed));
        QCOMPARE(data->urls().size(), 2);
        QCOMPARE(data->data("x-special/gnome-copied-files"), ClipboardWriter::copiedFiles(mixed));
    }
};

QTEST_MAIN(ClipboardWriterTest)
#include "tst_ClipboardWriter.moc"

// The program's own X11 connection, and the clipboard of other X11 programs read on it.
#include "DesktopDriver.h"
#include "TestEnvironment.h"
#include "platform/x11/GraphicalSession.h"
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Connection.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;
using Shortfall = ClipboardRead::Shortfall;

namespace {

const QStringList formats = {u"text/uri-list"_s, u"image/png"_s, u"text/plain;charset=utf-8"_s,
                             u"text/plain"_s};

} // namespace

class X11ClipboardTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_files;
    std::unique_ptr<QProcess> m_owner;

    // Another program takes the clipboard with `bytes` as its one target.
    bool offer(const char* target, const QByteArray& bytes) {
        const QString file = m_files.filePath(u"offered"_s);
        if (!writeWholeFile(file, bytes))
            return false;
        release();
        m_owner = std::make_unique<QProcess>();
        m_owner->start(u"xclip"_s, {u"-quiet"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s,
                                    QString::fromLatin1(target), u"-i"_s, file});
        return m_owner->waitForStarted() && QTest::qWaitFor([target] {
                   QString targets;
                   return DesktopDriver::run(
                              u"xclip"_s,
                              {u"-o"_s, u"-selection"_s, u"clipboard"_s, u"-t"_s, u"TARGETS"_s},
                              &targets) &&
                          targets.split(u'\n').contains(QString::fromLatin1(target));
               });
    }

    void release() {
        if (m_owner) {
            m_owner->kill();
            m_owner->waitForFinished();
        }
    }

private Q_SLOTS:
    void cleanup() { release(); }

    // The connection that found the server answering becomes the program's
    // own rather than a second one, and names asked together come back each
    // with its own atom.
    void theProbeConnectionServesTheProgram() {
        QCOMPARE(GraphicalSession::choose().platform, u"xcb"_s);
        const auto x11 = X11Connection::open();
        QVERIFY(x11 && !xcb_connection_has_error(x11->raw()));
        int screen = -1;
        QCOMPARE(GraphicalSession::takeProbeConnection(&screen), nullptr);

        const char* names[] = {"QUOBLIN_TEST_FIRST", "QUOBLIN_TEST_SECOND", "WM_PROTOCOLS"};
        uint32_t asked[3] = {};
        x11->atoms({{names[0], &asked[0]}, {names[1], &asked[1]}, {names[2], &asked[2]}});
        const auto other = X11Connection::open();
        QVERIFY(other);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(asked[i], other->atom(names[i]));
        QVERIFY(asked[0] != asked[1]);
    }

    // Each kind of contents arrives as the program's format, large images in
    // pieces, Latin-1 text as UTF-8, and only the formats offered are there.
    void readsWhatAnotherProgramOffers() {
        auto x11 = X11Connection::open();
        QVERIFY(x11);
        const QByteArray urls = "file:///tmp/a%20b.txt\r\nfile:///tmp/c.png\r\n";
        QByteArray image(24 << 20, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(image.data()), image.size() / 4);
        const struct {
            const char* target;
            QByteArray offered;
            QString format;
            QByteArray read;
        } cases[] = {
            {"text/uri-list", urls, u"text/uri-list"_s, urls},
            {"image/png", image, u"image/png"_s, image},
            {"UTF8_STRING", "Vânătorii de mâine", u"text/plain;charset=utf-8"_s,
             "Vânătorii de mâine"},
            {"STRING", "caf\xe9", u"text/plain"_s, "café"},
        };
        for (const auto& c : cases) {
            QVERIFY2(offer(c.target, c.offered), c.target);
            const ClipboardRead read = X11ClipboardReader(*x11).read(formats);
            QVERIFY(read.data);
            QCOMPARE(read.data->formats(), QStringList{c.format});
            QVERIFY2(read.data->data(c.format) == c.read, c.target);
            QCOMPARE(read.shortfall, Shortfall::none);
        }
    }

    // A format beyond the size allowed is left out, and an owner that stops
    // answering is left at the time allowed; each is said.
    void whatCannotBeReadInTheLimitsIsSaid() {
        auto x11 = X11Connection::open();
        QVERIFY(x11);
        QVERIFY(offer("UTF8_STRING", QByteArray(5000, 'a')));
        const ClipboardRead large = X11ClipboardReader(*x11, {.bytes = 4999}).read(formats);
        QVERIFY(large.data && large.data->formats().isEmpty());
        QCOMPARE(large.shortfall, Shortfall::tooLarge);

        QVERIFY(offer("image/png", QByteArray(8 << 20, 'p')));
        ::kill(pid_t(m_owner->processId()), SIGSTOP);
        const ClipboardRead slow =
            X11ClipboardReader(*x11, {.time = std::chrono::milliseconds(300)}).read(formats);
        ::kill(pid_t(m_owner->processId()), SIGCONT);
        QVERIFY(slow.data && slow.data->formats().isEmpty());
        QCOMPARE(slow.shortfall, Shortfall::tooSlow);
    }
};

QTEST_MAIN(X11ClipboardTest)
#include "desktop_X11Clipboard.moc"

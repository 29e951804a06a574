// A stand-in for another program: a window that starts a real drag when the
// left button is pressed and moved over it.
//   drag_source FILE [X Y]              drags FILE (and its path as text); FILE
//       may also be "file:" URLs, space-separated, for names in any bytes
//   drag_source --promise NAME [CONTENT] offers only a file promised under NAME
//       (XdndDirectSave0), saved with CONTENT or, without it, never answered
//   drag_source --extract CODE [ENTRY...] like an archive manager: promises
//       "xds.txt", writes each ENTRY (a file holding its name; a folder for a
//       name ending in "/"; a link to TARGET for "NAME@TARGET", and then the
//       drag offers bytes too) beside the path it is given, and answers CODE
//   drag_source --silent-clipboard      owns the clipboard, offers text and never
//       hands it over
// Prints "READY <x> <y>" (its centre in X11 pixels), "ASKED <uri>" for each
// request of a promise, "STARTED <actions offered>" as a drag begins and "DRAG <action>" when it
// ends.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_connection_t* connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

uint32_t atom(const char* name) {
    xcb_connection_t* c = connection();
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const uint32_t result = reply ? reply->atom : uint32_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// Answers the promise's requests itself, on Qt's own connection, since Qt
// knows nothing of the protocol. With no content it never answers.
class Promiser : public QAbstractNativeEventFilter {
public:
    QByteArray name;
    QByteArray content;
    QByteArray code; // archive-manager mode: the answer given after extracting
    QStringList entries;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto& request = *static_cast<const xcb_selection_request_event_t*>(message);
        if (request.target == atom("application/octet-stream") &&
            !entries.filter(QStringLiteral("@")).isEmpty()) {
            answer(request, "written through"); // Qt forgets the drag once it is dropped
            return true;
        }
        if (request.target != atom("XdndDirectSave0"))
            return false;
        const QByteArray uri = property(request.owner);
        say("ASKED " + uri);
        const QString path = QUrl::fromEncoded(uri).toLocalFile();
        if (!code.isEmpty()) {
            const QDir folder = QFileInfo(path).dir();
            for (const QString& entry : entries) {
                if (entry.contains(u'@')) {
                    QFile::link(entry.section(u'@', 1), folder.filePath(entry.section(u'@', 0, 0)));
                    continue;
                }
                QFile file(folder.filePath(entry.endsWith(u'/') ? entry + QStringLiteral("inner")
                                                                : entry));
                if (folder.mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly))
                    file.write(entry.toUtf8());
            }
            answer(request, code);
        } else if (!content.isEmpty()) {
            QFile file(path);
            const bool saved = file.open(QIODevice::WriteOnly) &&
                               file.write(content) == content.size() && file.flush();
            answer(request, saved ? "S" : "E");
        }
        return true;
    }

    // The suggested name goes on the window that owns the drag's selection,
    // which only exists once the drag has begun.
    void nameTheFile() const {
        xcb_connection_t* c = connection();
        auto* reply = xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, atom("XdndSelection")), nullptr);
        if (!reply)
            return;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, reply->owner, atom("XdndDirectSave0"),
                            atom("text/plain"), 8, uint32_t(name.size()), name.constData());
        xcb_flush(c);
        std::free(reply);
    }

private:
    static QByteArray property(xcb_window_t owner) {
        xcb_connection_t* c = connection();
        auto* reply =
            xcb_get_property_reply(c,
                                   xcb_get_property(c, 0, owner, atom("XdndDirectSave0"),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
                                   nullptr);
        if (!reply)
            return {};
        const QByteArray uri(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
        std::free(reply);
        return uri;
    }

    static void answer(const xcb_selection_request_event_t& request, const QByteArray& data) {
        xcb_connection_t* c = connection();
        const uint32_t property = request.property ? request.property : request.target;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_STRING,
                            8, uint32_t(data.size()), data.constData());
        const xcb_selection_notify_event_t notify{
            XCB_SELECTION_NOTIFY, 0,       0, request.time, request.requestor, request.selection,
            request.target,       property};
        xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(c);
    }
};

class Source : public QWidget {
public:
    QString path;
    const Promiser* promiser = nullptr;

    Source() { resize(300, 200); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || m_dragging)
            return;
        m_dragging = true;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        if (promiser) {
            mime->setData(QStringLiteral("XdndDirectSave0"), promiser->name);
            QTimer::singleShot(0, this, [this] { promiser->nameTheFile(); });
        } else {
            QList<QUrl> urls{QUrl::fromLocalFile(path)};
            if (path.startsWith(QStringLiteral("file:"))) {
                urls.clear();
                for (const QString& url : path.split(u' '))
                    urls.append(QUrl::fromEncoded(url.toLatin1()));
            }
            mime->setUrls(urls);
            mime->setText(path);
        }
        drag->setMimeData(mime);
        const Qt::DropActions actions = promiser ? Qt::DropActions(Qt::CopyAction)
                                                 : Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        say("STARTED " + QByteArray::number(int(actions)));
        say("DRAG " + QByteArray::number(int(drag->exec(actions))));
        m_dragging = false;
    }

private:
    bool m_dragging = false;
};

// Offers text and, asked for it, hangs: an owner that never finishes writing.
class SilentText : public QMimeData {
    QStringList formats() const override { return {QStringLiteral("text/plain")}; }
    QVariant retrieveData(const QString&, QMetaType) const override {
        QThread::sleep(3600);
        return {};
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Promiser promiser;
    Source window;
    if (args.value(0) == QStringLiteral("--extract")) {
        promiser.code = args.value(1).toLatin1();
        promiser.entries = args.mid(2);
        args = {QStringLiteral("--promise"), QStringLiteral("xds.txt")};
    }
    const bool silent = args.value(0) == QStringLiteral("--silent-clipboard");
    if (silent)
        args.clear();
    if (args.value(0) == QStringLiteral("--promise")) { // X11 only
        promiser.name = args.value(1).toUtf8();
        promiser.content = args.value(2).toUtf8();
        app.installNativeEventFilter(&promiser);
        window.promiser = &promiser;
    } else {
        window.path = args.value(0);
        if (args.size() == 3)
            window.move(args[1].toInt(), args[2].toInt());
    }
    window.show();
    // Only once the window is on screen and the window manager is done with it.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &window, [&window, &ready, silent] {
        if (!window.windowHandle()->isExposed())
            return;
        ready.stop();
        const QPoint centre = window.mapToGlobal(window.rect().center());
        const qreal ratio = window.devicePixelRatio();
        say("READY " + QByteArray::number(int(centre.x() * ratio)) + ' ' +
            QByteArray::number(int(centre.y() * ratio)));
        if (silent) // the desktop may ask at once, and then this program hangs
            QGuiApplication::clipboard()->setMimeData(new SilentText);
    });
    ready.start(300);
    return app.exec();
}

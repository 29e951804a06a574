// A stand-in for a program that saves by drag and drop: a window whose drag
// offers only a promised file (XdndDirectSave0).
//
//   direct_save_source NAME MODE CONTENT
//
// NAME is the suggested file name. MODE says how the promise is kept:
//   save    writes CONTENT to the file URI the target names and answers "S"
//   silent  never answers
// Prints "READY <x> <y>" (its centre in X pixels), "ASKED <uri>" for each
// request of the promise, and "DRAG <action>" when a drag ends.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
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
// knows nothing of the protocol.
class Promiser : public QAbstractNativeEventFilter {
public:
    Promiser(QByteArray mode, QByteArray content)
        : m_mode(std::move(mode))
        , m_content(std::move(content)) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto& request = *static_cast<const xcb_selection_request_event_t*>(message);
        if (request.selection != atom("XdndSelection") || request.target != atom("XdndDirectSave0"))
            return false;
        keepPromise(request);
        return true;
    }

private:
    void keepPromise(const xcb_selection_request_event_t& request) {
        xcb_connection_t* c = connection();
        QByteArray uri;
        auto* reply =
            xcb_get_property_reply(c,
                                   xcb_get_property(c, 0, request.owner, atom("XdndDirectSave0"),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
                                   nullptr);
        if (reply) {
            uri = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
            std::free(reply);
        }
        say("ASKED " + uri);
        if (m_mode == "silent")
            return;
        if (m_mode == "save") {
            QFile file(QUrl::fromEncoded(uri).toLocalFile());
            const bool saved = !uri.isEmpty() && file.open(QIODevice::WriteOnly) &&
                               file.write(m_content) == m_content.size();
            file.close();
            if (saved)
                say("SAVED " + file.fileName().toUtf8());
            answer(request, saved ? "S" : "E");
        }
    }

    void answer(const xcb_selection_request_event_t& request, const QByteArray& data) {
        xcb_connection_t* c = connection();
        const uint32_t property = request.property ? request.property : request.target;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_STRING,
                            8, uint32_t(data.size()), data.constData());
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(c);
    }

    QByteArray m_mode;
    QByteArray m_content;
};

class Source : public QWidget {
public:
    explicit Source(QByteArray name)
        : m_name(std::move(name)) {
        setWindowTitle(QStringLiteral("direct-save-source"));
        resize(300, 200);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { m_pressAt = event->position().toPoint(); }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton) || m_dragging ||
            (event->position().toPoint() - m_pressAt).manhattanLength() < 5)
            return;
        m_dragging = true;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setData(QStringLiteral("XdndDirectSave0"), m_name);
        drag->setMimeData(mime);
        // The suggested name goes on the window that owns the drag's selection,
        // which only exists once the drag has begun.
        QTimer::singleShot(0, this, [this] { nameTheFile(); });
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        say("DRAG " + QByteArray::number(int(action)));
        m_dragging = false;
    }

private:
    void nameTheFile() {
        xcb_connection_t* c = connection();
        auto* reply = xcb_get_selection_owner_reply(
            c, xcb_get_selection_owner(c, atom("XdndSelection")), nullptr);
        if (!reply)
            return;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, reply->owner, atom("XdndDirectSave0"),
                            atom("text/plain"), 8, uint32_t(m_name.size()), m_name.constData());
        xcb_flush(c);
        std::free(reply);
    }

    QByteArray m_name;
    QPoint m_pressAt;
    bool m_dragging = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 4 || !connection()) {
        std::fprintf(stderr, "usage: direct_save_source NAME MODE CONTENT (on X11)\n");
        return 2;
    }
    Promiser promiser(argv[2], argv[3]);
    app.installNativeEventFilter(&promiser);
    Source window(argv[1]);
    window.show();
    // Only once the window is on screen and the window manager is done with it.
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &window, [&window, &ready] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed())
            return;
        ready.stop();
        const QPoint centre = window.mapToGlobal(window.rect().center());
        const qreal ratio = window.devicePixelRatio();
        say("READY " + QByteArray::number(int(centre.x() * ratio)) + ' ' +
            QByteArray::number(int(centre.y() * ratio)));
    });
    ready.start(300);
    return app.exec();
}

// A stand-in for another program that takes every drop as a copy. Prints
// "READY <x> <y>" with the global centre in X11 pixels and "WINDOW <id>", then
// for each drop "URIS <uri-list, base64>".
//   drop_target [--future-time] [--fullscreen] [X Y]
// --future-time asks for the dropped data itself, stamped with the Unix time in
// seconds, as some file managers do; --fullscreen covers the screen with focus.
#include <QApplication>
#include <QDateTime>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// The drag's uri-list, asked for on a connection of its own for the window the
// drop went to (the source tells drops apart by it).
QByteArray requestWithUnixTime(xcb_window_t window) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    auto atom = [c](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const uint32_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    };
    const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, mask);
    const uint32_t property = atom("DROPPED");
    xcb_convert_selection(c, window, atom("XdndSelection"), atom("text/uri-list"), property,
                          uint32_t(QDateTime::currentSecsSinceEpoch()));
    xcb_flush(c);
    QByteArray data;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        const bool written = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                             notify->atom == property && notify->state == XCB_PROPERTY_NEW_VALUE;
        std::free(event);
        if (!written)
            continue;
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr);
        data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                          xcb_get_property_value_length(reply));
        std::free(reply);
        break;
    }
    xcb_disconnect(c);
    return data;
}

} // namespace

class DropTarget : public QWidget {
public:
    bool futureTime = false;

    DropTarget() {
        setWindowTitle(QStringLiteral("drop-target"));
        setAcceptDrops(true);
        resize(300, 200);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }

    void dropEvent(QDropEvent* event) override {
        const QByteArray uris = futureTime
                                    ? requestWithUnixTime(xcb_window_t(winId()))
                                    : event->mimeData()->data(QStringLiteral("text/uri-list"));
        std::printf("URIS %s\n", uris.toBase64().constData());
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    DropTarget window;
    window.futureTime = args.removeAll(QStringLiteral("--future-time")) > 0;
    const bool fullScreen = args.removeAll(QStringLiteral("--fullscreen")) > 0;
    if (args.size() >= 2)
        window.move(args[0].toInt(), args[1].toInt());
    if (fullScreen)
        window.showFullScreen();
    else
        window.show();
    window.activateWindow();
    QTimer::singleShot(300, &window, [&window] {
        const QPoint centre = window.mapToGlobal(window.rect().center());
        std::printf("READY %d %d\nWINDOW %llu\n", centre.x(), centre.y(),
                    static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
    });
    return app.exec();
}

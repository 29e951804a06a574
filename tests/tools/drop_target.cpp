// A stand-in for another program that takes every drop as a copy. Prints
// "READY <x> <y>" with the global centre in X11 pixels and "WINDOW <id>", then
// for each drop "URIS <uri-list, base64>".
//   drop_target [--future-time] [--fullscreen] [X Y]
// --future-time behaves as some file managers do: while the drag moves over
// it, it asks for the data from a window of its own, stamped with the Unix
// time in seconds, and refuses the drop until it has it. --fullscreen covers
// the screen with focus.
#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// The drag's uri-list, or nothing when the source refuses or stays silent.
QByteArray requestWithUnixTime() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    auto atom = [c](const char* name) {
        auto* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const uint32_t a = reply ? reply->atom : 0;
        std::free(reply);
        return a;
    };
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const uint32_t property = atom("DROPPED");
    xcb_convert_selection(c, window, atom("XdndSelection"), atom("text/uri-list"), property,
                          uint32_t(QDateTime::currentSecsSinceEpoch()));
    xcb_flush(c);
    QByteArray data;
    for (QDeadlineTimer deadline(3000); !deadline.hasExpired();) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            QThread::msleep(5);
            continue;
        }
        const bool answered = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const bool given =
            answered && reinterpret_cast<xcb_selection_notify_event_t*>(event)->property != 0;
        std::free(event);
        if (!answered)
            continue;
        if (given) {
            auto* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
                nullptr);
            if (reply)
                data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                  xcb_get_property_value_length(reply));
            std::free(reply);
        }
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

    void dragMoveEvent(QDragMoveEvent* event) override {
        if (futureTime && m_uris.isEmpty())
            m_uris = requestWithUnixTime();
        if (futureTime && m_uris.isEmpty())
            event->ignore();
        else
            event->acceptProposedAction();
    }

    void dragLeaveEvent(QDragLeaveEvent*) override { m_uris.clear(); }

    void dropEvent(QDropEvent* event) override {
        const QByteArray uris =
            futureTime ? m_uris : event->mimeData()->data(QStringLiteral("text/uri-list"));
        m_uris.clear();
        std::printf("URIS %s\n", uris.toBase64().constData());
        std::fflush(stdout);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }

private:
    QByteArray m_uris;
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

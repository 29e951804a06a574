#include "platform/x11/X11ClipboardReader.h"

#include "platform/x11/SelectionOwnership.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Properties.h"

#include <QDeadlineTimer>
#include <QSet>
#include <QtEndian>
#include <xcb/xcb.h>

namespace {

const QString utf8Text = QStringLiteral("text/plain;charset=utf-8");
const QString plainText = QStringLiteral("text/plain");
constexpr char latin1Target[] = "STRING";

// The targets an owner may offer a format under, best first.
QByteArrayList targetsOf(const QString& format) {
    if (format == utf8Text)
        return {utf8Text.toLatin1(), "UTF8_STRING"};
    if (format == plainText)
        return {plainText.toLatin1(), latin1Target};
    return {format.toUtf8()};
}

struct Answer {
    enum class Status { read, refused, tooLarge, tooSlow } status = Status::refused;
    QByteArray data;
};

// One format's requestor: a window of its own, so that an owner still
// answering an abandoned request (too slow, or too large halfway through its
// pieces) can never put its answer where a later one is read.
class Requestor {
public:
    Requestor(X11Connection& x11, QDeadlineTimer deadline)
        : m_x11(x11)
        , m_deadline(deadline)
        , m_window(xcb_generate_id(x11.raw()))
        , m_clipboard(x11.atom("CLIPBOARD"))
        , m_property(x11.atom("QUOBLIN_CLIPBOARD"))
        , m_incr(x11.atom("INCR")) {
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(x11.raw(), XCB_COPY_FROM_PARENT, m_window, x11.root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    ~Requestor() {
        xcb_destroy_window(m_x11.raw(), m_window);
        xcb_flush(m_x11.raw());
    }
    Requestor(const Requestor&) = delete;
    Requestor& operator=(const Requestor&) = delete;

    // The clipboard as `target`, if it fits in `room` bytes.
    Answer fetch(uint32_t target, qsizetype room) {
        using enum Answer::Status;
        xcb_connection_t* c = m_x11.raw();
        xcb_convert_selection(c, m_window, m_clipboard, target, m_property, XCB_CURRENT_TIME);
        xcb_flush(c);
        const auto notified = m_x11.waitFor(
            [&](const xcb_generic_event_t* event) {
                const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
                return (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                       notify->requestor == m_window && notify->target == target;
            },
            m_deadline);
        if (!notified)
            return {tooSlow, {}};
        const uint32_t property =
            reinterpret_cast<const xcb_selection_notify_event_t*>(notified.get())->property;
        if (property == XCB_ATOM_NONE)
            return {refused, {}};
        const X11Properties::Property first = X11Properties::read(c, m_window, property, true);
        if (!first.ok)
            return {refused, {}};
        if (first.type != m_incr)
            return first.data.size() <= room ? Answer{read, first.data} : Answer{tooLarge, {}};
        // The value is a lower bound of the size; reading it with deletion asked
        // the owner for the first piece.
        if (first.data.size() == 4 && qFromUnaligned<quint32>(first.data.constData()) > room)
            return {tooLarge, {}};
        QByteArray data;
        for (;;) {
            const auto more = m_x11.waitFor(
                [&](const xcb_generic_event_t* event) {
                    const auto* notify =
                        reinterpret_cast<const xcb_property_notify_event_t*>(event);
                    return (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                           notify->window == m_window && notify->atom == property &&
                           notify->state == XCB_PROPERTY_NEW_VALUE;
                },
                m_deadline);
            if (!more)
                return {tooSlow, {}};
            const X11Properties::Property piece = X11Properties::read(c, m_window, property, true);
            if (!piece.ok)
                return {refused, {}};
            if (piece.data.isEmpty())
                return {read, data};
            if (data.size() + piece.data.size() > room)
                return {tooLarge, {}};
            data += piece.data;
        }
    }

private:
    X11Connection& m_x11;
    const QDeadlineTimer m_deadline;
    const uint32_t m_window;
    const uint32_t m_clipboard;
    const uint32_t m_property;
    const uint32_t m_incr;
};

} // namespace

X11ClipboardReader::X11ClipboardReader(X11Connection& x11)
    : X11ClipboardReader(x11, Limits{}) {}

X11ClipboardReader::X11ClipboardReader(X11Connection& x11, Limits limits)
    : m_x11(x11)
    , m_limits(limits) {}

ClipboardRead X11ClipboardReader::read(const QStringList& formats) {
    using enum Answer::Status;
    const uint32_t owner = SelectionOwnership::clipboardOwner(m_x11);
    if (SelectionOwnership::isToolkitWindow(owner))
        return {};
    ClipboardRead result{std::make_unique<QMimeData>()};
    if (owner == XCB_WINDOW_NONE)
        return result;

    const QDeadlineTimer deadline(m_limits.time);
    const Answer listed = Requestor(m_x11, deadline).fetch(m_x11.atom("TARGETS"), 64 * 1024);
    if (listed.status == tooSlow) {
        result.shortfall = ClipboardRead::Shortfall::tooSlow;
        return result;
    }
    QSet<uint32_t> offered;
    for (qsizetype at = 0; at + 4 <= listed.data.size(); at += 4)
        offered.insert(qFromUnaligned<quint32>(listed.data.constData() + at));

    qsizetype room = m_limits.bytes;
    for (const QString& format : formats) {
        // Text comes in one form: the UTF-8 one is preferred wherever both are read.
        if (format == plainText && result.data->hasFormat(utf8Text))
            continue;
        for (const QByteArray& name : targetsOf(format)) {
            const uint32_t target = m_x11.atom(name.constData());
            if (!offered.contains(target))
                continue;
            const Answer answer = Requestor(m_x11, deadline).fetch(target, room);
            if (answer.status == tooSlow) {
                result.shortfall = ClipboardRead::Shortfall::tooSlow;
                return result;
            }
            if (answer.status == tooLarge)
                result.shortfall = ClipboardRead::Shortfall::tooLarge;
            if (answer.status != read)
                break;
            room -= answer.data.size();
            result.data->setData(format, name == latin1Target
                                             ? QString::fromLatin1(answer.data).toUtf8()
                                             : answer.data);
            break;
        }
    }
    return result;
}

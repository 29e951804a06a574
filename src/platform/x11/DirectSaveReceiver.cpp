#include "platform/x11/DirectSaveReceiver.h"

#include "platform/files/PromisedFileNames.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Properties.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <xcb/xcb.h>

namespace {

constexpr char directSaveName[] = "XdndDirectSave0";

using X11Properties::atomName;
using X11Properties::Property;

// What lies in a folder, nested entries included, as far as telling whether
// anything is still being written goes.
using FolderState = QList<std::tuple<QString, qint64, qint64>>;

FolderState folderState(const QString& folder) {
    FolderState state;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        state.append({entry.filePath(), entry.size(), entry.lastModified().toMSecsSinceEpoch()});
    }
    std::sort(state.begin(), state.end());
    return state;
}

// What a source left at a name is taken only when it is a file or folder: a
// link would hand out whatever it points at, anywhere.
bool isPlainEntry(const QString& path) {
    const QFileInfo entry(path);
    return !entry.isSymLink() && (entry.isFile() || entry.isDir());
}

// Finishes a file made with the bytes the source handed over.
bool completed(QFile& file) {
    const bool flushed = file.flush();
    file.close();
    return flushed && file.error() == QFileDevice::NoError;
}

} // namespace

struct DirectSaveReceiver::Transfer {
    enum class Stage { Answer, Bytes, Incremental, Arriving };

    uint32_t window = 0; // ours, the requestor of every conversion
    uint32_t time = 0;
    QString folder; // the drop's own, made for it
    QString path;
    std::function<void(const QStringList&)> onFiles;
    Stage stage = Stage::Answer;
    std::unique_ptr<QFile> file; // made by us at `path`, while its bytes arrive
    std::unique_ptr<QTimer> timer;
    // While entries arrive: the folder watched, a pause in its changes, and
    // its state when last looked at.
    std::unique_ptr<QFileSystemWatcher> watcher;
    std::unique_ptr<QTimer> settle;
    std::optional<FolderState> seen;
};

DirectSaveReceiver::DirectSaveReceiver(X11Connection& x11)
    : m_x11(&x11) {
    x11.atoms({{"XdndDrop", &m_xdndDrop},
               {"XdndEnter", &m_xdndEnter},
               {"XdndSelection", &m_xdndSelection},
               {directSaveName, &m_directSave},
               {"text/plain", &m_textPlain},
               {"application/octet-stream", &m_octetStream},
               {"INCR", &m_incr},
               {"QUOBLIN_DIRECT_SAVE", &m_answerProperty}});
    m_handler = x11.addHandler([this](const xcb_generic_event_t* event) { handle(event); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

DirectSaveReceiver::~DirectSaveReceiver() {
    // The connection may already be closed when the application tears down.
    if (!m_x11)
        return;
    m_x11->removeHandler(m_handler);
    for (const auto& [window, transfer] : m_transfers)
        xcb_destroy_window(m_x11->raw(), window);
    xcb_flush(m_x11->raw());
}

bool DirectSaveReceiver::offersPromises(const QDropEvent& event) const {
    const QMimeData* data = event.mimeData();
    if (!data || !data->formats().contains(QLatin1String(directSaveName)))
        return false;
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                return false;
    }
    return true;
}

bool DirectSaveReceiver::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    // Qt keeps the drag source's window to itself, and turns the drop into a
    // QDropEvent right after this sees it: note who dropped, and when.
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (client->format != 32)
        return false;
    if (client->type == m_xdndEnter)
        m_lastDrop.reset();
    else if (client->type == m_xdndDrop)
        m_lastDrop = Drop{client->data.data32[0], client->data.data32[2]};
    return false;
}

void DirectSaveReceiver::receive(const QDropEvent&, const QString& directory,
                                 std::function<void(const QStringList& paths)> onFiles) {
    const std::optional<Drop> recorded = std::exchange(m_lastDrop, std::nullopt);
    if (!m_x11)
        return;
    xcb_connection_t* c = m_x11->raw();

    Drop drop;
    if (recorded) {
        drop = *recorded;
    } else if (auto* reply = xcb_get_selection_owner_reply(
                   c, xcb_get_selection_owner(c, m_xdndSelection), nullptr)) {
        drop.source = reply->owner;
        std::free(reply);
    }
    if (drop.source == XCB_WINDOW_NONE)
        return;

    const Property suggested = X11Properties::read(c, drop.source, m_directSave, false);
    if (!suggested.ok)
        return; // the source window is gone
    const QByteArray type =
        suggested.type != XCB_ATOM_NONE ? atomName(c, suggested.type) : QByteArray();
    const QString name =
        PromisedFileNames::safeName(PromisedFileNames::decode(suggested.data, type));
    // A folder of its own: sources that write under names of their choosing
    // can neither collide with an earlier drop nor mix their files with it.
    QTemporaryDir made(QDir(directory).filePath(QStringLiteral("drop-XXXXXX")));
    if (!made.isValid())
        return;
    made.setAutoRemove(false);
    const QString folder = made.path();
    const QString path = QDir(folder).filePath(name);

    // A percent-encoded URI with an empty host: plain ASCII, so no charset to name.
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, drop.source, m_directSave, m_textPlain, 8,
                        uint32_t(uri.size()), uri.constData());

    auto transfer = std::make_unique<Transfer>();
    transfer->window = xcb_generate_id(c);
    transfer->time = drop.time ? drop.time : uint32_t(XCB_CURRENT_TIME);
    transfer->folder = folder;
    transfer->path = path;
    transfer->onFiles = std::move(onFiles);
    const uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, transfer->window, m_x11->root(), -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, mask);
    xcb_convert_selection(c, transfer->window, m_xdndSelection, m_directSave, m_answerProperty,
                          transfer->time);
    // A round trip, so that the source has our request queued before it hears
    // that the drop finished: some sources forget the drag at that moment.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    restartTimer(*transfer);
    m_transfers.emplace(transfer->window, std::move(transfer));
    // The round trips may have queued events that the socket will not announce again.
    QMetaObject::invokeMethod(m_x11.data(), &X11Connection::dispatchPending, Qt::QueuedConnection);
}

void DirectSaveReceiver::handle(const void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_selection_notify_event_t*>(message);
        const auto it = m_transfers.find(notify->requestor);
        if (it != m_transfers.end() && notify->selection == m_xdndSelection)
            onSelectionNotify(*it->second, notify->property);
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
        const auto it = m_transfers.find(notify->window);
        if (it != m_transfers.end() && notify->atom == m_answerProperty &&
            notify->state == XCB_PROPERTY_NEW_VALUE &&
            it->second->stage == Transfer::Stage::Incremental)
            onIncrementalChunk(*it->second);
    }
}

void DirectSaveReceiver::onSelectionNotify(Transfer& transfer, uint32_t property) {
    const uint32_t window = transfer.window;
    if (transfer.stage == Transfer::Stage::Incremental ||
        transfer.stage == Transfer::Stage::Arriving)
        return;
    if (property == XCB_ATOM_NONE) {
        finish(window, {});
        return;
    }
    const Property answer = X11Properties::read(m_x11->raw(), window, property, true);
    if (!answer.ok) {
        finish(window, {});
        return;
    }

    if (transfer.stage == Transfer::Stage::Answer) {
        const char code = answer.data.isEmpty() ? '\0' : answer.data.at(0);
        if (code == 'S' && isPlainEntry(transfer.path))
            finish(window, {transfer.path});
        else if (code == 'S')
            awaitEntries(transfer);
        else if (code == 'F')
            startBytes(transfer);
        else
            finish(window, {});
        return;
    }

    // Made anew and never opened through what the source may have put at the
    // promised name meanwhile: a link there would take the bytes wherever it
    // points, replacing the file it names.
    const int fd = ::open(QFile::encodeName(transfer.path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    auto file = std::make_unique<QFile>();
    if (fd < 0 || !file->open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        finish(window, {});
        return;
    }
    transfer.file = std::move(file);
    if (answer.type == m_incr) {
        // Reading deleted the property, which tells the source to send the first piece.
        transfer.stage = Transfer::Stage::Incremental;
        restartTimer(transfer);
        return;
    }
    const bool written = transfer.file->write(answer.data) == answer.data.size();
    finish(window,
           written && completed(*transfer.file) ? QStringList{transfer.path} : QStringList{});
}

void DirectSaveReceiver::onIncrementalChunk(Transfer& transfer) {
    const uint32_t window = transfer.window;
    const Property chunk = X11Properties::read(m_x11->raw(), window, m_answerProperty, true);
    if (!chunk.ok) {
        finish(window, {});
        return;
    }
    if (chunk.data.isEmpty()) {
        finish(window, completed(*transfer.file) ? QStringList{transfer.path} : QStringList{});
        return;
    }
    if (transfer.file->write(chunk.data) != chunk.data.size()) {
        finish(window, {});
        return;
    }
    restartTimer(transfer);
}

void DirectSaveReceiver::startBytes(Transfer& transfer) {
    // The source could not write the file; it may still hand us its contents.
    transfer.stage = Transfer::Stage::Bytes;
    xcb_convert_selection(m_x11->raw(), transfer.window, m_xdndSelection, m_octetStream,
                          m_answerProperty, transfer.time);
    xcb_flush(m_x11->raw());
    restartTimer(transfer);
}

void DirectSaveReceiver::awaitEntries(Transfer& transfer) {
    // The source said it saved, but not under the name given: it may still be
    // writing into the folder, under names of its own. The folder is looked at
    // again only after it changed or after a pause, never in a tight loop.
    transfer.stage = Transfer::Stage::Arriving;
    const uint32_t window = transfer.window;
    transfer.watcher = std::make_unique<QFileSystemWatcher>(QStringList{transfer.folder});
    transfer.settle = std::make_unique<QTimer>();
    transfer.settle->setSingleShot(true);
    connect(transfer.settle.get(), &QTimer::timeout, this,
            [this, window] { checkEntries(window, false); });
    QTimer* settle = transfer.settle.get();
    const auto changed = [settle] { settle->start(settleMs); };
    connect(transfer.watcher.get(), &QFileSystemWatcher::directoryChanged, settle, changed);
    settle->start(settleMs);
    restartTimer(transfer, arrivalTimeoutMs);
}

void DirectSaveReceiver::checkEntries(uint32_t window, bool last) {
    const auto it = m_transfers.find(window);
    if (it == m_transfers.end())
        return;
    Transfer& transfer = *it->second;
    const FolderState state = folderState(transfer.folder);
    if (state.isEmpty() && !last)
        return; // nothing yet: the watcher says when something comes
    if (!last && state != transfer.seen) {
        // Still changing: look again after a pause, and hear of entries made
        // inside new folders too.
        transfer.seen = state;
        for (const auto& [path, size, modified] : state) {
            if (QFileInfo(path).isDir() && !transfer.watcher->directories().contains(path))
                transfer.watcher->addPath(path);
        }
        transfer.settle->start(settleMs);
        return;
    }
    QStringList entries;
    const QDir folder(transfer.folder);
    for (const QString& name : folder.entryList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        if (isPlainEntry(folder.filePath(name)))
            entries.append(folder.filePath(name));
    }
    finish(window, entries);
}

void DirectSaveReceiver::restartTimer(Transfer& transfer, int ms) {
    if (!transfer.timer) {
        transfer.timer = std::make_unique<QTimer>();
        transfer.timer->setSingleShot(true);
        const uint32_t window = transfer.window;
        connect(transfer.timer.get(), &QTimer::timeout, this, [this, window] {
            const auto it = m_transfers.find(window);
            if (it != m_transfers.end() && it->second->stage == Transfer::Stage::Arriving)
                checkEntries(window, true); // whatever has come by now
            else
                finish(window, {});
        });
    }
    transfer.timer->start(ms);
}

void DirectSaveReceiver::finish(uint32_t window, QStringList delivered) {
    const auto it = m_transfers.find(window);
    if (it == m_transfers.end())
        return;
    std::unique_ptr<Transfer> transfer = std::move(it->second);
    m_transfers.erase(it);
    // These may run inside their own signals.
    for (std::unique_ptr<QTimer>* timer : {&transfer->timer, &transfer->settle}) {
        if (*timer) {
            (*timer)->stop();
            timer->release()->deleteLater();
        }
    }
    transfer->watcher.reset();
    if (m_x11) {
        xcb_destroy_window(m_x11->raw(), window);
        xcb_flush(m_x11->raw());
    }
    // A file of ours that did not arrive whole, or a link put at the promised
    // name, is no use to anyone, and a folder nothing else came into is not
    // left behind; rmdir refuses any other.
    if (delivered.isEmpty() && (transfer->file || QFileInfo(transfer->path).isSymLink()))
        ::unlink(QFile::encodeName(transfer->path).constData());
    if (delivered.isEmpty())
        QDir().rmdir(transfer->folder);
    else if (transfer->onFiles)
        transfer->onFiles(delivered);
}

#pragma once

#include "platform/FilePromises.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

class X11Connection;

// File promises of X11 drag sources by the Direct Save protocol: the source
// names the file in a property of its window, we write back a file URI inside
// a new folder of the drop's own and ask it to save there. When it answers
// that it could not, we ask for the bytes and write the file ourselves.
// Archive managers answer that they saved, yet put the dragged entries into
// that folder under their own names: when the named file is not there, what
// appears in the folder is taken once it has stopped changing.
class DirectSaveReceiver final : public QObject,
                                 public FilePromiseReceiver,
                                 private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // How long a source may take over each answer before we give up on it.
    static constexpr int answerTimeoutMs = 5000;
    // After a source said it saved: how long the folder must stay unchanged,
    // and how long we wait at most for anything to appear there.
    static constexpr int settleMs = 500;
    static constexpr int arrivalTimeoutMs = 30000;

    explicit DirectSaveReceiver(X11Connection& x11);
    ~DirectSaveReceiver() override;

    bool offersPromises(const QDropEvent& event) const override;
    void receive(const QDropEvent& event, const QString& directory,
                 std::function<void(const QStringList& paths)> onFiles) override;

    // Transfers still waiting for their source.
    int pendingTransfers() const { return int(m_transfers.size()); }

private:
    struct Transfer;
    struct Drop {
        uint32_t source = 0;
        uint32_t time = 0;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void handle(const void* event);
    void onSelectionNotify(Transfer& transfer, uint32_t property);
    void onIncrementalChunk(Transfer& transfer);
    void startBytes(Transfer& transfer);
    void awaitEntries(Transfer& transfer);
    void checkEntries(uint32_t window, bool last);
    void restartTimer(Transfer& transfer, int ms = answerTimeoutMs);
    void finish(uint32_t window, QStringList delivered);

    QPointer<X11Connection> m_x11;
    int m_handler = 0;
    uint32_t m_xdndDrop = 0;
    uint32_t m_xdndEnter = 0;
    uint32_t m_xdndSelection = 0;
    uint32_t m_directSave = 0;
    uint32_t m_textPlain = 0;
    uint32_t m_octetStream = 0;
    uint32_t m_incr = 0;
    uint32_t m_answerProperty = 0;
    std::optional<Drop> m_lastDrop;
    std::map<uint32_t, std::unique_ptr<Transfer>> m_transfers; // by requestor window
};

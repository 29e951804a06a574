#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDropEvent;

// Files that a drag source only promises: it writes them where the drop target
// asks, after the drop. The desktop's protocol for it stands behind this.
class FilePromiseReceiver {
public:
    virtual ~FilePromiseReceiver() = default;

    // Whether the drop offers promised files (checked only when it offers no file URLs).
    virtual bool offersPromises(const QDropEvent& event) const = 0;

    // Asks the source to write its files into a new folder of their own inside
    // `directory`. Returns at once; `onFiles` later receives what arrived, as
    // one batch, on the GUI thread, and is never called when nothing did.
    virtual void receive(const QDropEvent& event, const QString& directory,
                         std::function<void(const QStringList& paths)> onFiles) = 0;
};

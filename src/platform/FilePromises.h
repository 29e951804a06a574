#pragma once

#include <QString>
#include <functional>

class QDropEvent;

// Files that a drag source only promises: it writes them where the drop target
// asks, after the drop. The desktop's protocol for it stands behind this.
class FilePromiseReceiver {
public:
    virtual ~FilePromiseReceiver() = default;

    // Whether the drop offers promised files (checked only when it offers no file URLs).
    virtual bool offersPromises(const QDropEvent& event) const = 0;

    // Asks the source to write its files into `directory`. Returns at once;
    // `onFile` later receives each saved file's path, on the GUI thread, and is
    // never called for a file that failed.
    virtual void receive(const QDropEvent& event, const QString& directory,
                         std::function<void(const QString& path)> onFile) = 0;
};

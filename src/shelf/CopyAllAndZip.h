#pragma once

#include "model/Shelf.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>

// The footer's Copy All and Zip for one shelf: the whole shelf onto the
// clipboard, and its files into an archive that joins the shelf when made.
class CopyAllAndZip : public QObject {
    Q_OBJECT

public:
    // `clipboardHeldHere` tells whether a copy really took the clipboard;
    // without it a copy counts as done.
    CopyAllAndZip(Shelf* shelf, std::function<bool()> clipboardHeldHere);

    // When the clipboard was out of the program's reach.
    std::function<void()> onCopyFailed;
    // The mean progress of the running zip jobs, or nothing once none runs.
    std::function<void(std::optional<double>)> onZipProgress;

    void copyAll();
    void zipAll();

private:
    void reportZipProgress();

    // Another owner's shelf may go first when both are deleted later.
    QPointer<Shelf> m_shelf;
    std::function<bool()> m_clipboardHeldHere;
    std::map<int, double> m_zipJobs; // running jobs and how far each is
    int m_nextZipJob = 1;
};

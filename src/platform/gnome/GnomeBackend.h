#pragma once

#include "platform/DragContents.h"
#include "platform/KeyGrabs.h"
#include "platform/PanelPlacement.h"
#include "platform/Pointer.h"
#include "platform/PressMonitor.h"

#include <QHash>
#include <QString>
#include <memory>

class ShellCompanion;

// The desktop services of a GNOME Wayland session, all of them asked of the
// companion extension. Each keeps working (doing nothing) while the extension
// is away, and the hot keys are grabbed again when it comes back.

// A drag of any client that began while the left button was held: the Shell
// hands presses over client windows to the client, so the drag is the only
// trace of another program's press the backend can see.
class GnomePressMonitor final : public PressMonitor {
public:
    explicit GnomePressMonitor(ShellCompanion& shell);
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()> handler) override;
    bool reportsDragStarts() const override;

private:
    ShellCompanion& m_shell;
};

class GnomePointer final : public Pointer {
public:
    explicit GnomePointer(ShellCompanion& shell);
    Reading read() const override;

private:
    ShellCompanion& m_shell;
};

// Counts the compositor's drag-and-drop selection owners; it holds items
// from a drag's start to its drop or cancel.
class GnomeDragContents final : public DragContents {
public:
    explicit GnomeDragContents(ShellCompanion& shell);
    long dragCount() const override;
    bool holdsItems() const override;

private:
    ShellCompanion& m_shell;
};

class GnomeKeyGrabs final : public KeyGrabService {
public:
    explicit GnomeKeyGrabs(ShellCompanion& shell);
    std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination keys,
                                          std::function<void()> onPress) override;

    // The Shell's accelerator for a letter or digit with modifiers, such as
    // "<Control><Alt>n"; empty for a key it is not written for here.
    static QString accelerator(QKeyCombination keys);

private:
    ShellCompanion& m_shell;
};

// A Wayland client cannot place its own toplevels: the extension does it, by
// an id for each panel, told with the window's title, which is therefore
// unique for every panel and never changes.
class GnomePanelPlacement final : public PanelPlacement {
public:
    explicit GnomePanelPlacement(ShellCompanion& shell);
    QString windowTitle(const QString& title, int serial) const override;
    void place(const QString& windowTitle, QPoint qtGlobalTopLeft) override;

private:
    ShellCompanion& m_shell;
    mutable QHash<unsigned, QString> m_titles; // each panel's id and title
};

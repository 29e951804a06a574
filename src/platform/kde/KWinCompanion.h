#pragma once

#include "platform/DragContents.h"
#include "platform/PanelPlacement.h"
#include "platform/Pointer.h"
#include "platform/PressMonitor.h"
#include "platform/ShakeSource.h"

#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>
#include <QRasterWindow>
#include <QTimer>

class QMimeData;

// A shake seen from the pointer's positions alone can be a plain wiggle, and
// KWin tells a script of no button or drag. This window, invisible, is shown
// under the pointer on a shake: it receives a Wayland drag-enter only while a
// drag is in progress, and a plain pointer enter, or nothing, otherwise.
class DragCheck final : public QRasterWindow {
public:
    static constexpr int side = 160;
    static constexpr int deadlineMs = 400; // after it is placed under the pointer
    static QString title() { return QStringLiteral("Quoblin drag check"); }
    // Its title once it has confirmed a drag, for the program's KWin effect.
    static QString confirmedTitle() { return QStringLiteral("Quoblin drag check: a drag"); }

    DragCheck();
    // Shows it centred on a point in Qt's global coordinates; false while an
    // earlier check is under way.
    bool check(QPoint qtGlobal);
    // Whether the program's KWin effect runs: it closes every later check of
    // a press that has confirmed a drag, so one drag cannot open two shelves
    // whatever it carries, and what it carries need not tell drags apart.
    void setPressesWatched(bool watched) { m_pressesWatched = watched; }
    QPoint topLeft() const { return m_topLeft; }
    // KWin put it in its place: the drag has its time from now.
    void placed();

    std::function<void(QPoint qtGlobal)> onConfirmed;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    // What tells one drag from another as far as a window can see: what it offers.
    static QByteArray fingerprint(const QMimeData* data);
    void finish();

    enum class State { idle, waiting, confirmed };
    State m_state = State::idle;
    QPoint m_point;
    QPoint m_topLeft;
    QTimer m_deadline;
    QByteArray m_lastDrag; // of the last confirmed shake, until a check sees no drag
    bool m_pressesWatched = false;
};

// The program's side of the KWin companion script (kwin/): the object the
// script calls, io.github.quoblin.KWin1 at /io/github/quoblin/KWin on the
// service io.github.quoblin.Program. It loads the script into KWin at start
// and again whenever KWin comes back, unloads it when it goes, and keeps the
// focus rule in the user's kwinrulesrc meanwhile.
class KWinCompanion final : public QObject, public ShakeSource {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quoblin.KWin1")

public:
    static constexpr char scriptName[] = "quoblin";
    static constexpr char effectName[] = "quoblindragcheck";

    KWinCompanion();
    ~KWinCompanion() override;

    void setMinReversals(int reversals) override;
    // Where the window of that title goes when it shows; the script asks.
    void placeWindow(const QString& title, QPoint qtGlobalTopLeft);
    bool scriptLoaded() const { return m_loaded; }

    // The user moved the placed window of that title.
    std::function<void(const QString& title, QPoint qtGlobalTopLeft)> onMoved;

public Q_SLOTS:
    Q_SCRIPTABLE void Shake(int x, int y);
    Q_SCRIPTABLE bool Placement(int pid, const QString& caption, int& x, int& y);
    // The user moved a placed window: where its top-left corner is now.
    Q_SCRIPTABLE void Moved(const QString& caption, int x, int y);

private:
    void load();

    DragCheck m_check;
    QHash<QString, QPoint> m_places;
    int m_reversals = 4;
    bool m_loaded = false;
    QDBusServiceWatcher m_kwin;
    // A new window of the program that the script did not ask about: someone
    // unloaded the script, and it is loaded again.
    QTimer m_unasked;
};

// The role interfaces the rest of the program asks for, from the companion:
// presses and drags are not seen here (a confirmed shake comes whole), the
// pointer only over the program's own windows.
class KdePanelPlacement final : public PanelPlacement {
public:
    explicit KdePanelPlacement(KWinCompanion& kwin)
        : m_kwin(kwin) {
        m_kwin.onMoved = [this](const QString& title, QPoint topLeft) {
            if (onMoved)
                onMoved(title, topLeft);
        };
    }
    QString windowTitle(const QString&, int serial) const override {
        return QStringLiteral("Shelf #%1").arg(serial);
    }
    void place(const QString& windowTitle, QPoint topLeft) override {
        m_kwin.placeWindow(windowTitle, topLeft);
    }

private:
    KWinCompanion& m_kwin;
};

class KdeUnseen final : public PressMonitor, public DragContents {
public:
    std::unique_ptr<MonitorToken> addLeftPressMonitor(std::function<void()>) override {
        return nullptr;
    }
    long dragCount() const override { return 0; }
    bool holdsItems() const override { return false; }
};

class KdePointer final : public Pointer {
public:
    Reading read() const override;
};

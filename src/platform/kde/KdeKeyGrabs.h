#pragma once

#include "platform/KeyGrabs.h"

#include <QDBusServiceWatcher>
#include <QList>
#include <QObject>
#include <QStringList>
#include <chrono>

// System-wide keys on Plasma, registered with KWin's global shortcut service
// (org.kde.kglobalaccel) under the component "quoblin". A key that another
// program holds comes back from it as no key at all: grabKey then returns
// nullptr, as where an X server refuses a grab. Registrations are made again
// whenever the service comes back (KWin restarted).
class KdeKeyGrabs final : public KeyGrabService {
public:
    std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination keys,
                                          std::function<void()> onPress) override;

    // The service's action id for a key: component, action, and their names.
    static QStringList actionId(int qtKey);
    // Registers the key for the action; the keys the service gave it (empty
    // when another holds it), or nothing when the service did not answer.
    static std::optional<QList<int>> registerKey(const QStringList& actionId, int qtKey);
};

// KWin repeats a held shortcut, the first time after about 660 ms, then every
// 40 ms, and tells of the release only in newer versions: one action per press
// keeps the first of a run of presses no more than `gap` apart, or the first
// after a release.
class PressRepeatFilter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds gap{750};

    // True when the press at `now` is a new one.
    bool pressed(Clock::time_point now);
    void released() { m_held = false; }

private:
    bool m_held = false;
    Clock::time_point m_last;
};

// One registered key: its presses, one per press, while the token lives.
class KdeShortcut final : public QObject, public KeyGrabToken {
    Q_OBJECT

public:
    KdeShortcut(QStringList actionId, int qtKey, std::function<void()> onPress);
    ~KdeShortcut() override;

private Q_SLOTS:
    void shortcutPressed(const QString& from, const QString& action, qlonglong);
    void shortcutReleased(const QString& from, const QString& action, qlonglong);

private:
    QStringList m_actionId;
    int m_qtKey = 0;
    std::function<void()> m_onPress;
    PressRepeatFilter m_repeats;
    QDBusServiceWatcher m_watcher;
};

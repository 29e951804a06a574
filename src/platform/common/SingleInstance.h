#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

class QSocketNotifier;

// One running program per user and display. The first start becomes the
// primary instance and listens on a local socket; a later start tells it to
// show itself and can then exit.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // A name without a slash lives in $XDG_RUNTIME_DIR when that is ours and
    // only we may write there, else in our own private folder of the temporary
    // directory (none when someone else planted it: the program then runs
    // unguarded); a name with one is a path.
    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // "quoblin-<uid>-<display>", the display without its screen number.
    static QString defaultName();
    static QString nameFor(unsigned uid, const QString& display);

    // False when another instance runs; it has then been asked to show itself,
    // or to run `command` when one is given (when it could be reached). True
    // otherwise, also when the lock or the socket cannot be made: the program
    // then runs unguarded. Blocks for at most about a second.
    bool tryBecomePrimary(const QString& command = {});

    // Empty when there is no private folder for them.
    QString socketPath() const;
    QString lockPath() const;

    // The user at the other end of a connected local socket, from the kernel.
    static std::optional<uid_t> peerUser(qintptr socketDescriptor);
    // How the primary learns a caller's user; only this user's own may ask
    // anything. Tests stand in for a caller of another user, which only root
    // could make.
    std::function<std::optional<uid_t>(qintptr socketDescriptor)> peerUserOf = &peerUser;

    // Called on the primary when a later start asks it to show itself.
    std::function<void()> onShowRequested;
    // Called on the primary for a command a later start passed on: a word of
    // lower-case letters and dashes, which the program may not know.
    std::function<void(const QString& command)> onCommand;

private:
    void acceptConnections();
    bool listen();
    bool sendRequest(const QByteArray& request, int attempts = 5);

    QString m_name;
    bool m_primary = false;
    int m_lockFd = -1;
    int m_listenFd = -1;
    std::unique_ptr<QSocketNotifier> m_listening;
};

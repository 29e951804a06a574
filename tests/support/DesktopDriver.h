#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// Drives the headless desktop from a test while the test's own event loop keeps running.
namespace DesktopDriver {

// Runs a program and waits, processing events, until it ends; true when it
// succeeded. `output`, when given, gets its trimmed standard output.
bool run(const QString& program, const QStringList& arguments, QString* output = nullptr,
         int timeoutMs = 20000);
bool xdotool(const QStringList& arguments, int timeoutMs = 20000);
QStringList lines(const QString& program, const QStringList& arguments);
// The ids of the program's visible windows: the tray icon, menus and shelves.
QStringList visibleWindows();

// Drags with the left button from `from` to `to`, pausing `pause` seconds between
// every step (X drags are lost without the pauses); a non-empty `settle` is slept
// after the release so the drop is handled before the next step.
bool drag(QPoint from, QPoint to, const QString& pause, const QString& settle = {});

// Press at `at`, move 25 pixels to start a drag, then zig-zag six legs of `amplitude`
// pixels, each a little longer than one sampling tick, the button kept down.
QStringList pressAndShake(QPoint at, int amplitude, int button = 1);

// A helper program from tests/tools, killed when the Tool goes.
class Tool {
public:
    Tool(const QString& name, const QStringList& arguments = {});
    // Waits for a line starting with prefix and returns the rest of it.
    QString waitForLine(const QString& prefix, int timeoutMs = 10000);
    QPoint waitForReady(int timeoutMs = 10000);
    qint64 processId() const { return m_process->processId(); }

private:
    std::unique_ptr<QProcess> m_process;
    QByteArray m_buffer;
};

} // namespace DesktopDriver

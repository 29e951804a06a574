#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// Drives the headless desktop from a test while the test's own event loop keeps running.
namespace DesktopDriver {

// Runs xdotool with the given arguments and waits, processing events, until it ends.
bool xdotool(const QStringList& arguments, int timeoutMs = 20000);

// A helper program from tests/tools, started and killed with the test.
class Tool {
public:
    Tool(const QString& name, const QStringList& arguments = {});
    ~Tool();
    // Waits for a line starting with prefix and returns the rest of it.
    QString waitForLine(const QString& prefix, int timeoutMs = 10000);
    // The point of a "READY x y" line.
    QPoint waitForReady(int timeoutMs = 10000);
    QProcess& process() { return *m_process; }

private:
    std::unique_ptr<QProcess> m_process;
    QByteArray m_buffer;
};

} // namespace DesktopDriver

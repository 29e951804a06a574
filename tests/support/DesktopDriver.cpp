#include "DesktopDriver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

namespace DesktopDriver {

bool run(const QString& program, const QStringList& arguments, QString* output, int timeoutMs) {
    QProcess process;
    process.start(program, arguments);
    // One still running at the deadline is killed with its QProcess.
    if (!process.waitForStarted(5000) ||
        !QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool xdotool(const QStringList& arguments, int timeoutMs) {
    return run(QStringLiteral("xdotool"), arguments, nullptr, timeoutMs);
}

QStringList lines(const QString& program, const QStringList& arguments) {
    QString output;
    run(program, arguments, &output);
    return output.split(u'\n', Qt::SkipEmptyParts);
}

QStringList visibleWindows() {
    return lines(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "quoblin"});
}

namespace {
QString num(int v) {
    return QString::number(v);
}
} // namespace

bool drag(QPoint from, QPoint to, const QString& pause, const QString& settle) {
    QStringList args = QStringLiteral("mousemove %1 %2 sleep %8 mousedown 1 sleep %8 "
                                      "mousemove %3 %2 sleep %8 mousemove %4 %5 sleep %8 "
                                      "mousemove %6 %7 sleep %8 mouseup 1")
                           .arg(num(from.x()), num(from.y()), num(from.x() + 20), num(to.x()),
                                num(to.y()), num(to.x() + 5), num(to.y() + 5), pause)
                           .split(u' ');
    if (!settle.isEmpty())
        args << QStringLiteral("sleep") << settle;
    return xdotool(args);
}

QStringList pressAndShake(QPoint at, int amplitude, int button) {
    QStringList args = QStringLiteral("mousemove %1 %2 sleep 0.1 mousedown %4 sleep 0.1 "
                                      "mousemove %3 %2 sleep 0.3")
                           .arg(num(at.x()), num(at.y()), num(at.x() + 25), num(button))
                           .split(u' ');
    for (int leg = 0; leg < 6; ++leg) {
        const int x = at.x() + (leg % 2 ? 25 : 25 + amplitude);
        args << QStringLiteral("mousemove") << num(x) << num(at.y()) << QStringLiteral("sleep")
             << QStringLiteral("0.09");
    }
    args << QStringLiteral("sleep") << QStringLiteral("0.2");
    return args;
}

Tool::Tool(const QString& name, const QStringList& arguments)
    : m_process(std::make_unique<QProcess>()) {
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(qEnvironmentVariable("QUOBLIN_TEST_TOOLS") + QLatin1Char('/') + name,
                     arguments);
    m_process->waitForStarted(5000);
}

QString Tool::waitForLine(const QString& prefix, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_buffer += m_process->readAllStandardOutput();
        int newline;
        while ((newline = m_buffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_buffer.left(newline));
            m_buffer.remove(0, newline + 1);
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).trimmed();
        }
        if (deadline.hasExpired() || m_process->state() == QProcess::NotRunning)
            return {};
        QTest::qWait(10);
    }
}

QPoint Tool::waitForReady(int timeoutMs) {
    const QStringList parts =
        waitForLine(QStringLiteral("READY "), timeoutMs).split(QLatin1Char(' '));
    return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint(-1, -1);
}

} // namespace DesktopDriver

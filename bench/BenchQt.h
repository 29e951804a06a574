// What the Wayland shake benches share: their options, and waiting for a
// condition or for a word from a helper process.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QThread>

// The value after `name` among the arguments, else `fallback`.
inline QString optionOf(const QStringList& args, const QString& name,
                        const QString& fallback = {}) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
}

// Up to `ms` for ready(), asked every `pollMs` (0: again at once); this
// process's events are handled in between, so a D-Bus call to it is taken,
// and timed, as soon as it comes.
template <typename Ready> bool waitFor(int ms, Ready ready, int pollMs = 0) {
    QElapsedTimer waited;
    waited.start();
    while (!ready()) {
        if (waited.elapsed() > ms)
            return false;
        if (pollMs > 0)
            QThread::msleep(ulong(pollMs));
        QCoreApplication::processEvents();
    }
    return true;
}

// Up to `ms` for `word` in what the process writes; `said` keeps what came
// after it for the next wait.
inline bool waitForWord(QProcess& process, QByteArray& said, const char* word, int ms) {
    return waitFor(ms, [&] {
        said += process.readAllStandardOutput();
        const qsizetype at = said.indexOf(word);
        if (at < 0)
            return false;
        said = said.mid(at + qsizetype(qstrlen(word)));
        return true;
    });
}

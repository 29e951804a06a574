#include "platform/freedesktop/AutostartEntry.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/UserDirectories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Backslash, newline, tab and carriage return are escaped in every string value.
QString escapeStringValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == u'\\')
            out += QLatin1String("\\\\");
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else
            out += c;
    }
    return out;
}

QString withPath(const QString& path, const QString& reason) {
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

AutostartEntry::AutostartEntry(QString entryPath, QString program)
    : m_entryPath(std::move(entryPath))
    , m_program(std::move(program)) {}

QString AutostartEntry::defaultEntryPath() {
    return UserDirectories::config() + QStringLiteral("/autostart/quoblin.desktop");
}

QString AutostartEntry::entryPath() const {
    return m_entryPath.isEmpty() ? defaultEntryPath() : m_entryPath;
}

QString AutostartEntry::execValue(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = program.isEmpty();
    for (QChar c : program)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString argument;
    if (needsQuotes) {
        argument = QStringLiteral("\"");
        for (QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                argument += u'\\';
            argument += c;
        }
        argument += u'"';
    } else {
        argument = program;
    }
    // Field codes start with %; a literal one is doubled.
    argument.replace(u'%', QLatin1String("%%"));
    // The string escapes are undone before the quoting is read.
    return escapeStringValue(argument);
}

QByteArray AutostartEntry::entryText(const QString& program) {
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Quoblin\n"
                                  "Comment=Floating shelves for drag and drop\n");
    // TryExec keeps an entry left behind by a removed program from failing at login.
    text += QStringLiteral("TryExec=") + escapeStringValue(program) + u'\n';
    text += QStringLiteral("Exec=") + execValue(program) + u'\n';
    text += QStringLiteral("Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

std::optional<QString> AutostartEntry::enable() {
    const QString path = entryPath();
    const QString program =
        m_program.isEmpty() ? QCoreApplication::applicationFilePath() : m_program;
    if (program.isEmpty())
        return unknownProgramReason();
    QString reason;
    if (!AtomicFile::write(path, entryText(program), &reason))
        return withPath(path, reason);
    return std::nullopt;
}

std::optional<QString> AutostartEntry::disable() {
    const QString path = entryPath();
    QFile file(path);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return std::nullopt;
    if (!file.remove())
        return withPath(path, file.errorString());
    return std::nullopt;
}

bool AutostartEntry::isEnabled() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Only the main group counts; a Hidden key elsewhere belongs to an action.
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const int equals = line.indexOf('=');
        if (equals < 0)
            continue;
        // GNOME's own switch: an entry it was told not to start stays off.
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return false;
    }
    return true;
}

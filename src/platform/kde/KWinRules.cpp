#include "platform/kde/KWinRules.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStandardPaths>

namespace KWinRules {

namespace {

// Force (2) a window of the program titled as a shelf or the drag check
// never to accept the focus; the settings and about windows are left alone.
const QByteArray rule = QByteArray("[") + group +
                        "]\n"
                        "Description=Quoblin: shelves do not take the focus\n"
                        "acceptfocus=false\n"
                        "acceptfocusrule=2\n"
                        "title=^(Shelf #[0-9]+|Quoblin drag check(: a drag)?)$\n"
                        "titlematch=3\n"
                        "wmclass=quoblin\n"
                        "wmclassmatch=1";

// The file as lines without their line breaks; a final line break leaves an
// empty last line, so joining them with "\n" gives the same bytes back.
using Lines = QList<QByteArray>;

bool isHeader(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    return trimmed.startsWith('[') && trimmed.endsWith(']');
}

// Where a group's lines begin and end (its header included); begin is -1
// when it is missing. The empty line of a final line break stays outside.
std::pair<qsizetype, qsizetype> groupRange(const Lines& lines, const QByteArray& name) {
    const QByteArray header = '[' + name + ']';
    qsizetype begin = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (begin < 0 && lines[i].trimmed() == header) {
            begin = i;
        } else if (begin >= 0 && isHeader(lines[i])) {
            return {begin, i};
        }
    }
    qsizetype end = lines.size();
    if (end > 0 && lines.last().isEmpty())
        --end;
    return {begin, begin < 0 ? begin : end};
}

// Sets key=value in [General], adding the group or the key where missing;
// KWin reads its rule groups from the list in "rules" and their number from "count".
void setGeneral(Lines& lines, const QByteArray& key, const QByteArray& value) {
    auto [begin, end] = groupRange(lines, "General");
    if (begin < 0) {
        lines.insert(0, "[General]");
        lines.insert(1, "");
        begin = 0;
        end = 1;
    }
    for (qsizetype i = begin + 1; i < end; ++i) {
        if (lines[i].startsWith(key + '=')) {
            lines[i] = key + '=' + value;
            return;
        }
    }
    lines.insert(begin + 1, key + '=' + value);
}

QByteArrayList ruleGroups(const Lines& lines) {
    const auto [begin, end] = groupRange(lines, "General");
    QByteArray count = "0";
    for (qsizetype i = begin + 1; begin >= 0 && i < end; ++i) {
        if (lines[i].startsWith("rules="))
            return lines[i].mid(6).split(',');
        if (lines[i].startsWith("count="))
            count = lines[i].mid(6).trimmed();
    }
    // Files from before the list named their groups 1 to count.
    QByteArrayList numbered;
    for (int n = 1; n <= count.toInt(); ++n)
        numbered << QByteArray::number(n);
    return numbered;
}

void setRuleGroups(Lines& lines, QByteArrayList groups) {
    groups.removeAll(QByteArray());
    setGeneral(lines, "count", QByteArray::number(groups.size()));
    setGeneral(lines, "rules", groups.join(','));
}

Lines removeGroup(Lines lines) {
    const auto [begin, end] = groupRange(lines, group);
    if (begin < 0)
        return lines;
    lines.remove(begin, end - begin);
    // The empty line withRule put before it.
    if (begin > 0 && lines[begin - 1].trimmed().isEmpty())
        lines.remove(begin - 1);
    QByteArrayList groups = ruleGroups(lines);
    groups.removeAll(group);
    setRuleGroups(lines, groups);
    return lines;
}

QString path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kwinrulesrc");
}

bool rewrite(QByteArray (*change)(const QByteArray&)) {
    QFile current(path());
    const QByteArray before = current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
    current.close();
    const QByteArray after = change(before);
    if (after != before) {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QSaveFile file(path());
        if (!file.open(QIODevice::WriteOnly) || file.write(after) != after.size() || !file.commit())
            return false;
    }
    // KWin reads its rules again only when told.
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/KWin"),
                                       QStringLiteral("org.kde.KWin"),
                                       QStringLiteral("reconfigure")),
        QDBus::NoBlock);
    return true;
}

} // namespace

QByteArray withRule(const QByteArray& file) {
    Lines lines = removeGroup(file.isEmpty() ? Lines{} : file.split('\n'));
    QByteArrayList groups = ruleGroups(lines);
    groups << group;
    setRuleGroups(lines, groups);
    if (lines.isEmpty() || !lines.last().isEmpty())
        lines << QByteArray();
    // After the last line, one empty line apart.
    lines.insert(lines.size() - 1, QByteArray());
    lines.insert(lines.size() - 1, rule);
    return lines.join('\n');
}

QByteArray withoutRule(const QByteArray& file) {
    return removeGroup(file.split('\n')).join('\n');
}

bool install() {
    return rewrite(&withRule);
}

bool uninstall() {
    return rewrite(&withoutRule);
}

} // namespace KWinRules

#include "model/RecentShelf.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextBoundaryFinder>
#include <QTimeZone>

#include <cmath>

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since 1970.
constexpr qint64 referenceMSecs = 978'307'200'000;
// Far inside what QDateTime can represent, and far beyond any real moment; a
// damaged file may hold any finite number.
constexpr double largestSeconds = 1e13;

constexpr int longTitle = 29;
constexpr int keptCharacters = 26;

// The title cut to its first `count` user-perceived characters (grapheme
// clusters), or nothing when it has fewer than `atLeast` of them.
std::optional<QString> truncated(const QString& text, int atLeast, int count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int clusters = 0;
    qsizetype cut = 0;
    while (finder.toNextBoundary() != -1) {
        ++clusters;
        if (clusters == count)
            cut = finder.position();
        if (clusters >= atLeast)
            return text.left(cut);
    }
    return std::nullopt;
}

} // namespace

QString RecentShelf::title() const {
    QString text = items.empty() ? QCoreApplication::translate("RecentShelf", "empty")
                                 : items.front()->title();
    if (auto cut = truncated(text, longTitle, keptCharacters))
        text = *cut + QChar(0x2026);
    if (items.size() >= 2)
        text += QStringLiteral(" +") + QString::number(items.size() - 1);
    const QDateTime moment = dateTime();
    const QString time = moment.isValid() ? QLocale::system().toString(moment.toLocalTime().time(),
                                                                       QLocale::ShortFormat)
                                          : QString();
    return text + QStringLiteral(" \u2014 ") + time;
}

QDateTime RecentShelf::dateTime() const {
    return fromSecondsSinceReference(date);
}

double RecentShelf::secondsSinceReference(const QDateTime& moment) {
    return static_cast<double>(moment.toMSecsSinceEpoch() - referenceMSecs) / 1000.0;
}

QDateTime RecentShelf::fromSecondsSinceReference(double seconds) {
    if (!std::isfinite(seconds) || std::abs(seconds) > largestSeconds)
        return {};
    const auto msecs = static_cast<qint64>(std::llround(seconds * 1000.0)) + referenceMSecs;
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}

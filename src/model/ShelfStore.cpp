#include "model/ShelfStore.h"

#include "platform/files/AtomicFile.h"
#include "platform/files/UserDirectories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

const QString dateKey = QStringLiteral("date");
const QString itemsKey = QStringLiteral("items");
const QString bookmarkKey = QStringLiteral("bookmark");
const QString textKey = QStringLiteral("text");

bool isBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

// Standard alphabet, padded to a multiple of four, no white space: what the
// writer produces. Qt's own decoder also accepts unpadded text, which we don't.
std::optional<QByteArray> strictBase64(const QString& text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    const QByteArray ascii = text.toLatin1();
    qsizetype padding = 0;
    while (padding < 2 && padding < ascii.size() && ascii.at(ascii.size() - 1 - padding) == '=')
        ++padding;
    for (qsizetype i = 0; i < ascii.size() - padding; ++i) {
        if (!isBase64Char(ascii.at(i)) || text.at(i).unicode() > 0x7f)
            return std::nullopt;
    }
    auto result = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return *result;
}

std::optional<StoredItem> decodeItem(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    StoredItem item;
    const QJsonValue bookmark = object.value(bookmarkKey);
    if (!bookmark.isUndefined() && !bookmark.isNull()) {
        if (!bookmark.isString())
            return std::nullopt;
        item.bookmark = strictBase64(bookmark.toString());
        if (!item.bookmark)
            return std::nullopt;
    }
    const QJsonValue text = object.value(textKey);
    if (!text.isUndefined() && !text.isNull()) {
        if (!text.isString())
            return std::nullopt;
        item.text = text.toString();
    }
    return item;
}

std::optional<StoredShelf> decodeShelf(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue date = object.value(dateKey);
    const QJsonValue items = object.value(itemsKey);
    if (!date.isDouble() || !items.isArray())
        return std::nullopt;
    StoredShelf shelf;
    shelf.date = date.toDouble();
    const QJsonArray array = items.toArray();
    shelf.items.reserve(array.size());
    for (const QJsonValue& entry : array) {
        auto item = decodeItem(entry);
        if (!item)
            return std::nullopt;
        shelf.items.push_back(std::move(*item));
    }
    return shelf;
}

} // namespace

namespace ShelfStore {

QString defaultURL() {
    const QString folder = UserDirectories::state() + QStringLiteral("/quoblin");
    AtomicFile::makePrivateFolder(folder);
    return folder + QStringLiteral("/recent-shelves.json");
}

std::optional<std::vector<StoredShelf>> decode(const QByteArray& json) {
    if (json.size() > maxFileBytes)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    std::vector<StoredShelf> shelves;
    shelves.reserve(array.size());
    for (const QJsonValue& entry : array) {
        auto shelf = decodeShelf(entry);
        if (!shelf)
            return std::nullopt;
        shelves.push_back(std::move(*shelf));
    }
    return shelves;
}

std::optional<QByteArray> encode(const std::vector<StoredShelf>& shelves) {
    // Qt's writer prints every finite double with the shortest digits that
    // read back to the same bits (only the sign of a zero is lost), so dates
    // survive a round trip exactly.
    QJsonArray array;
    for (const StoredShelf& shelf : shelves) {
        if (!std::isfinite(shelf.date))
            return std::nullopt;
        QJsonArray items;
        for (const StoredItem& item : shelf.items) {
            QJsonObject object;
            if (item.bookmark)
                object.insert(bookmarkKey, QString::fromLatin1(item.bookmark->toBase64()));
            if (item.text)
                object.insert(textKey, *item.text);
            items.append(object);
        }
        QJsonObject object;
        object.insert(dateKey, shelf.date == 0 ? 0.0 : shelf.date);
        object.insert(itemsKey, items);
        array.append(object);
    }
    QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Compact);
    if (json.size() > maxFileBytes)
        return std::nullopt;
    return json;
}

std::optional<QByteArray> encodeFitting(const std::vector<StoredShelf>& shelves, int* leftOut) {
    if (leftOut)
        *leftOut = 0;
    if (auto whole = encode(shelves))
        return whole;
    // The compact array is "[", the entries joined by ",", and "]", so each
    // entry's share can be measured on its own.
    qint64 room = maxFileBytes - 2;
    std::vector<StoredShelf> kept;
    for (const StoredShelf& shelf : shelves) {
        const auto alone = encode({shelf});
        const qint64 size = alone ? alone->size() - 2 + (kept.empty() ? 0 : 1) : maxFileBytes;
        if (size <= room) {
            kept.push_back(shelf);
            room -= size;
        } else if (leftOut) {
            ++*leftOut;
        }
    }
    return encode(kept);
}

std::vector<StoredShelf> read(const QString& path) {
    const auto bytes = AtomicFile::readRegular(path, maxFileBytes);
    return bytes ? decode(*bytes).value_or(std::vector<StoredShelf>()) : std::vector<StoredShelf>();
}

bool write(const std::vector<StoredShelf>& shelves, const QString& path) {
    const auto json = encode(shelves);
    if (!json)
        return false;
    return AtomicFile::writePrivate(path, *json);
}

bool Writer::claim(const QString& path) {
    if (m_lock.isHeld())
        return true;
    if (m_refused)
        return false;
    const QFileInfo file(path);
    AtomicFile::makePrivateFolder(file.absolutePath());
    const QString lockPath =
        file.absolutePath() + QLatin1Char('/') + file.completeBaseName() + QStringLiteral(".lock");
    if (m_lock.tryAcquire(lockPath) != FileLock::Result::heldElsewhere)
        return true;
    m_refused = true;
    std::fprintf(stderr,
                 "quoblin: another Quoblin of this user keeps the recent shelves (%s is "
                 "locked), so the shelves closed here are listed only until this program "
                 "ends.\n",
                 qPrintable(lockPath));
    return false;
}

bool Writer::write(const std::vector<StoredShelf>& shelves, const QString& path) {
    if (!claim(path))
        return false;
    int leftOut = 0;
    const auto json = encodeFitting(shelves, &leftOut);
    if (!json)
        return false;
    if (leftOut > 0 && !std::exchange(m_toldTooLarge, true))
        std::fprintf(stderr,
                     "quoblin: the recent shelves hold more text than their file takes (%lld "
                     "MiB); the oldest of the largest shelves are left out of it and are listed "
                     "only until this program ends.\n",
                     static_cast<long long>(maxFileBytes / (1024 * 1024)));
    return AtomicFile::writePrivate(path, *json);
}

} // namespace ShelfStore

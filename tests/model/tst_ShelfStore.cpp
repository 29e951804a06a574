#include "model/ShelfStore.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sys/stat.h>

namespace {

quint64 bitsOf(double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

StoredItem textItem(const QString& text) {
    return StoredItem{std::nullopt, text};
}

StoredItem bookmarkItem(const QByteArray& bytes) {
    return StoredItem{bytes, std::nullopt};
}

QByteArray roundTrip(const std::vector<StoredShelf>& shelves, std::vector<StoredShelf>* back) {
    const auto json = ShelfStore::encode(shelves);
    if (!json)
        return {};
    const auto decoded = ShelfStore::decode(*json);
    if (decoded)
        *back = *decoded;
    return *json;
}

// JSON written with single quotes, which are never part of the content here.
QByteArray j(const char* singleQuoted) {
    return QByteArray(singleQuoted).replace('\'', '"');
}

} // namespace

class ShelfStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writtenShelvesReadBackWithTheSameDatesTextsAndBookmarks() {
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(static_cast<char>(i));
        const std::vector<StoredShelf> shelves{
            {743'456'789.123456789,
             {bookmarkItem(binary), textItem(QStringLiteral("  hello\n")),
              textItem(QString::fromUtf8("quote \" backslash \\ tab \t nul \0 end", 35)),
              textItem(QString::fromUtf8("ăîșțâ 🙂 \u2028 line")), textItem(QString()),
              bookmarkItem(QByteArray()), StoredItem{}}},
            {-1.5e-7, {textItem(QStringLiteral("x"))}},
        };
        std::vector<StoredShelf> back;
        roundTrip(shelves, &back);
        QCOMPARE(back.size(), shelves.size());
        QVERIFY(back == shelves);
        QCOMPARE(bitsOf(back[0].date), bitsOf(shelves[0].date));
    }

    void datesSurviveTheRoundTripToTheLastBit() {
        std::mt19937_64 random(20240601);
        std::vector<StoredShelf> shelves;
        // Realistic moments with sub-second parts, and arbitrary bit patterns
        // (subnormals, huge exponents) that a naive number printer would round.
        std::uniform_real_distribution<double> moments(-1e9, 2e9);
        for (int i = 0; i < 2000; ++i)
            shelves.push_back({moments(random), {textItem(QStringLiteral("t"))}});
        while (shelves.size() < 4000) {
            const quint64 bits = random();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isfinite(value) && value != 0)
                shelves.push_back({value, {}});
        }
        for (double edge : {5e-324, 1.7976931348623157e308, 0.1, 1.0 / 3.0, 9007199254740993.0})
            shelves.push_back({edge, {}});
        std::vector<StoredShelf> back;
        roundTrip(shelves, &back);
        QCOMPARE(back.size(), shelves.size());
        for (size_t i = 0; i < shelves.size(); ++i) {
            if (bitsOf(back[i].date) != bitsOf(shelves[i].date))
                QFAIL(qPrintable(QStringLiteral("date %1 came back as %2")
                                     .arg(shelves[i].date, 0, 'g', 17)
                                     .arg(back[i].date, 0, 'g', 17)));
        }
    }

    void negativeZeroIsWrittenAsZero() {
        std::vector<StoredShelf> back;
        QCOMPARE(roundTrip({{-0.0, {}}}, &back), (j("[{'date':0,'items':[]}]")));
        QCOMPARE(back.at(0).date, 0.0);
    }

    void datesThatAreNotFiniteAreNotWritten() {
        QVERIFY(!ShelfStore::encode({{std::numeric_limits<double>::quiet_NaN(), {}}}));
        QVERIFY(!ShelfStore::encode({{std::numeric_limits<double>::infinity(), {}}}));
    }

    void layoutIsCompactWithAbsentValuesLeftOut() {
        const std::vector<StoredShelf> shelves{{1.5,
                                                {bookmarkItem(QByteArray("\x01\x02\xff", 3)),
                                                 textItem(QStringLiteral("a b")), StoredItem{}}},
                                               {-2, {}}};
        QCOMPARE(*ShelfStore::encode(shelves),
                 j("[{'date':1.5,'items':[{'bookmark':'AQL/'},{'text':'a b'},{}]},"
                   "{'date':-2,'items':[]}]"));
        QCOMPARE(*ShelfStore::encode({}), QByteArray("[]"));
        QCOMPARE(*ShelfStore::encode({{0, {bookmarkItem(QByteArray("ab"))}}}),
                 (j("[{'date':0,'items':[{'bookmark':'YWI='}]}]")));
        // Non-ASCII text goes out as UTF-8, not as escapes.
        QCOMPARE(*ShelfStore::encode({{0, {textItem(QString::fromUtf8("ș"))}}}),
                 (j("[{'date':0,'items':[{'text':'")) + QByteArray("\xc8\x99") + (j("'}]}]")));
    }

    void decodingRules_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QByteArray>("canonical"); // the decoded list, written again

        const auto row = [](const char* name, const QByteArray& json, bool readable,
                            const QByteArray& canonical = {}) {
            QTest::newRow(name) << json << readable << canonical;
        };

        // Shapes that are accepted, and how they read.
        row("empty array", "[]", true, "[]");
        row("white space between tokens", " [ { \"date\" : 1 , \"items\" : [ ] } ] \n", true,
            j("[{'date':1,'items':[]}]"));
        row("keys in any order", j("[{'items':[{'text':'t','bookmark':'AA=='}],'date':2}]"), true,
            j("[{'date':2,'items':[{'bookmark':'AA==','text':'t'}]}]"));
        row("integer date reads as whole seconds", j("[{'date':86400,'items':[]}]"), true,
            j("[{'date':86400,'items':[]}]"));
        row("exponent date", j("[{'date':1.5e3,'items':[]}]"), true,
            j("[{'date':1500,'items':[]}]"));
        row("unknown keys ignored",
            j("[{'date':1,'x':{'deep':[1,2]},'items':[{'text':'a','url':'file:///x','n':null}]}]"),
            true, j("[{'date':1,'items':[{'text':'a'}]}]"));
        row("null text and bookmark count as absent",
            j("[{'date':1,'items':[{'text':null,'bookmark':null},{'bookmark':null,'text':'b'}]}]"),
            true, j("[{'date':1,'items':[{},{'text':'b'}]}]"));
        row("empty text kept", j("[{'date':1,'items':[{'text':''}]}]"), true,
            j("[{'date':1,'items':[{'text':''}]}]"));
        row("empty base64", j("[{'date':1,'items':[{'bookmark':''}]}]"), true,
            j("[{'date':1,'items':[{'bookmark':''}]}]"));
        row("escaped text", j("[{'date':1,'items':[{'text':'a\\u00e9\\n\\'\\/'}]}]"), true,
            j("[{'date':1,'items':[{'text':'aé\\n\\'/'}]}]"));

        // Not JSON, or not the right top level.
        row("empty file", "", false);
        row("not json", "recent shelves", false);
        row("truncated", j("[{'date':1,'items':[{'text':'abc'}]}"), false);
        row("trailing garbage", "[] x", false);
        row("top level object", j("{'date':1,'items':[]}"), false);
        row("top level number", "3", false);
        row("shelf not an object", "[[]]", false);
        row("invalid utf-8", "[{\"date\":1,\"items\":[{\"text\":\"\xff\"}]}]", false);
        row("number out of range", j("[{'date':1e400,'items':[]}]"), false);

        // Required keys.
        row("missing date", j("[{'items':[]}]"), false);
        row("missing items", j("[{'date':1}]"), false);
        row("one good shelf and one without date fails all",
            j("[{'date':1,'items':[{'text':'a'}]},{'items':[]}]"), false);
        row("null date", j("[{'date':null,'items':[]}]"), false);
        row("null items", j("[{'date':1,'items':null}]"), false);

        // Wrong types.
        row("date as string", j("[{'date':'1','items':[]}]"), false);
        row("date as bool", j("[{'date':true,'items':[]}]"), false);
        row("items as object", j("[{'date':1,'items':{}}]"), false);
        row("item as string", j("[{'date':1,'items':['text']}]"), false);
        row("item as null", j("[{'date':1,'items':[null]}]"), false);
        row("text as number", j("[{'date':1,'items':[{'text':5}]}]"), false);
        row("text as array", j("[{'date':1,'items':[{'text':['a']}]}]"), false);
        row("bookmark as number", j("[{'date':1,'items':[{'bookmark':12}]}]"), false);
        row("bad bookmark beside text still fails",
            j("[{'date':1,'items':[{'text':'a','bookmark':7}]}]"), false);

        // Base64.
        row("base64 without padding", j("[{'date':1,'items':[{'bookmark':'YWI'}]}]"), false);
        row("base64 with bad character", j("[{'date':1,'items':[{'bookmark':'YW*='}]}]"), false);
        row("base64 url alphabet", j("[{'date':1,'items':[{'bookmark':'_-8='}]}]"), false);
        row("base64 with line break", j("[{'date':1,'items':[{'bookmark':'YWJj\\nZGVm'}]}]"),
            false);
        row("base64 padding in the middle", j("[{'date':1,'items':[{'bookmark':'YQ==YWI='}]}]"),
            false);
        row("base64 too much padding", j("[{'date':1,'items':[{'bookmark':'Y==='}]}]"), false);
        row("base64 non-ascii", j("[{'date':1,'items':[{'bookmark':'YWé='}]}]"), false);
    }

    void decodingRules() {
        QFETCH(QByteArray, json);
        QFETCH(bool, readable);
        QFETCH(QByteArray, canonical);
        const auto decoded = ShelfStore::decode(json);
        QCOMPARE(decoded.has_value(), readable);
        if (readable)
            QCOMPARE(*ShelfStore::encode(*decoded), canonical);
    }

    void damagedFilesReadAsNoShelvesAndStayOnDisk_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing date") << (j("[{'items':[]}]"));
        QTest::newRow("truncated") << (j("[{'date':1,'items':[{'te"));
        QTest::newRow("deeply nested") << QByteArray(200000, '[') + QByteArray(200000, ']');
        QTest::newRow("nested objects") << (j("[{'date':1,'items':[],'x':")).repeated(50000) +
                                               QByteArray("0") + QByteArray("}]").repeated(50000);
        QTest::newRow("random bytes") << QByteArray::fromHex("00ff10e3c2a1");
        // A well-formed file beyond the size limit is not read either.
        QByteArray big = j("[{'date':1,'items':[{'text':'");
        big += QByteArray(50 * 1024 * 1024, 'a');
        big += j("'}]}]");
        QTest::newRow("50 MB") << big;
    }

    void damagedFilesReadAsNoShelvesAndStayOnDisk() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("recent-shelves.json"));
        QVERIFY(writeWholeFile(path, content));
        QVERIFY(ShelfStore::read(path).empty());
        QCOMPARE(readWholeFile(path), content);
    }

    void missingOrNonRegularFilesReadAsNoShelves() {
        QTemporaryDir dir;
        QVERIFY(ShelfStore::read(dir.filePath(QStringLiteral("absent.json"))).empty());
        QVERIFY(ShelfStore::read(dir.path()).empty()); // a folder
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(ShelfStore::read(fifo).empty()); // must not block waiting for a writer
    }

    void writeReplacesTheFileAndReadGivesTheShelvesBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/recent-shelves.json"));
        const std::vector<StoredShelf> first{{10, {textItem(QStringLiteral("one"))}}};
        const std::vector<StoredShelf> second{{20, {bookmarkItem("bm")}}, {5, {}}};
        QVERIFY(ShelfStore::write(first, path));
        QVERIFY(ShelfStore::read(path) == first);
        QVERIFY(ShelfStore::write(second, path));
        QVERIFY(ShelfStore::read(path) == second);
        QCOMPARE(readWholeFile(path), *ShelfStore::encode(second));
        // Nothing is left behind beside the file.
        QCOMPARE(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("recent-shelves.json")});
    }

    void aFailedEncodingLeavesTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("recent-shelves.json"));
        QVERIFY(ShelfStore::write({{1, {}}}, path));
        const QByteArray before = readWholeFile(path);
        QVERIFY(!ShelfStore::write({{std::numeric_limits<double>::quiet_NaN(), {}}}, path));
        const QString huge(ShelfStore::maxFileBytes, QLatin1Char('a'));
        QVERIFY(!ShelfStore::write({{1, {textItem(huge)}}}, path));
        QCOMPARE(readWholeFile(path), before);
    }

    void defaultLocationIsInTheStateDirectoryAndIsCreated() {
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        QVERIFY(!state.isEmpty());
        QDir(state + QStringLiteral("/quoblin")).removeRecursively();
        const QString path = ShelfStore::defaultURL();
        QCOMPARE(path, state + QStringLiteral("/quoblin/recent-shelves.json"));
        QVERIFY(QFileInfo(state + QStringLiteral("/quoblin")).isDir());
        QVERIFY(ShelfStore::write({{3, {textItem(QStringLiteral("t"))}}}));
        QCOMPARE(ShelfStore::read().size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(ShelfStoreTest)
#include "tst_ShelfStore.moc"

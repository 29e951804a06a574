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

// JSON written with single quotes, which are never part of the content here.
QByteArray j(const char* singleQuoted) {
    return QByteArray(singleQuoted).replace('\'', '"');
}

} // namespace

class ShelfStoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shelvesReadBackWithTheSameTextsBookmarksAndDatesToTheLastBit() {
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(static_cast<char>(i));
        std::vector<StoredShelf> shelves{
            {743'456'789.123456789,
             {bookmarkItem(binary), textItem(QStringLiteral("  hello\n")),
              textItem(QString::fromUtf8("quote \" backslash \\ tab \t nul \0 end", 35)),
              textItem(QString::fromUtf8("ăîșțâ 🙂 \u2028 line")), textItem(QString()),
              bookmarkItem(QByteArray()), StoredItem{}}},
        };
        // Arbitrary bit patterns (subnormals, huge exponents) that a naive number
        // printer would round.
        std::mt19937_64 random(20240601);
        while (shelves.size() < 2000) {
            const quint64 bits = random();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isfinite(value) && value != 0)
                shelves.push_back({value, {}});
        }
        for (double edge : {5e-324, 1.7976931348623157e308, 0.1, 1.0 / 3.0, 9007199254740993.0})
            shelves.push_back({edge, {}});
        const auto back = ShelfStore::decode(ShelfStore::encode(shelves).value_or(""));
        QVERIFY(back && *back == shelves);
        for (size_t i = 0; i < shelves.size(); ++i) {
            if (bitsOf((*back)[i].date) != bitsOf(shelves[i].date))
                QFAIL(qPrintable(QStringLiteral("date %1 came back as %2")
                                     .arg(shelves[i].date, 0, 'g', 17)
                                     .arg((*back)[i].date, 0, 'g', 17)));
        }
    }

    void negativeZeroIsWrittenAsZeroAndDatesThatAreNotFiniteNotAtAll() {
        QCOMPARE(ShelfStore::encode({{-0.0, {}}}).value_or(""), j("[{'date':0,'items':[]}]"));
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
        // Non-ASCII text goes out as UTF-8, not as escapes.
        QCOMPARE(*ShelfStore::encode({{0, {textItem(QString::fromUtf8("ș"))}}}),
                 (j("[{'date':0,'items':[{'text':'")) + QByteArray("\xc8\x99") + (j("'}]}]")));
    }

    void decodingRules_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>(
            "canonical"); // the decoded list written again; empty: unreadable

        const auto row = [](const char* name, const QByteArray& json,
                            const QByteArray& canonical = {}) {
            QTest::newRow(name) << json << canonical;
        };

        row("white space between tokens", " [ { \"date\" : 1 , \"items\" : [ ] } ] \n",
            j("[{'date':1,'items':[]}]"));
        row("keys in any order", j("[{'items':[{'text':'t','bookmark':'AA=='}],'date':2}]"),
            j("[{'date':2,'items':[{'bookmark':'AA==','text':'t'}]}]"));
        row("exponent date", j("[{'date':1.5e3,'items':[]}]"), j("[{'date':1500,'items':[]}]"));
        row("unknown keys ignored",
            j("[{'date':1,'x':{'deep':[1,2]},'items':[{'text':'a','url':'file:///x','n':null}]}]"),
            j("[{'date':1,'items':[{'text':'a'}]}]"));
        row("null text and bookmark count as absent",
            j("[{'date':1,'items':[{'text':null,'bookmark':null},{'bookmark':null,'text':'b'}]}]"),
            j("[{'date':1,'items':[{},{'text':'b'}]}]"));
        row("escaped text", j("[{'date':1,'items':[{'text':'a\\u00e9\\n\\'\\/'}]}]"),
            j("[{'date':1,'items':[{'text':'aé\\n\\'/'}]}]"));

        row("empty file", "");
        row("trailing garbage", "[] x");
        row("top level object", j("{'date':1,'items':[]}"));
        row("shelf not an object", "[[]]");
        row("invalid utf-8", "[{\"date\":1,\"items\":[{\"text\":\"\xff\"}]}]");
        row("number out of range", j("[{'date':1e400,'items':[]}]"));
        row("missing date", j("[{'items':[]}]"));
        row("missing items", j("[{'date':1}]"));
        row("one good shelf and one without date fails all",
            j("[{'date':1,'items':[{'text':'a'}]},{'items':[]}]"));
        row("null date", j("[{'date':null,'items':[]}]"));
        row("date as string", j("[{'date':'1','items':[]}]"));
        row("items as object", j("[{'date':1,'items':{}}]"));
        row("item as null", j("[{'date':1,'items':[null]}]"));
        row("text as number", j("[{'date':1,'items':[{'text':5}]}]"));
        row("bad bookmark beside text still fails",
            j("[{'date':1,'items':[{'text':'a','bookmark':7}]}]"));
        row("base64 without padding", j("[{'date':1,'items':[{'bookmark':'YWI'}]}]"));
        row("base64 with bad character", j("[{'date':1,'items':[{'bookmark':'YW*='}]}]"));
        row("base64 url alphabet", j("[{'date':1,'items':[{'bookmark':'_-8='}]}]"));
        row("base64 padding in the middle", j("[{'date':1,'items':[{'bookmark':'YQ==YWI='}]}]"));
    }

    void decodingRules() {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, canonical);
        const auto decoded = ShelfStore::decode(json);
        QCOMPARE(decoded.has_value(), !canonical.isEmpty());
        if (decoded)
            QCOMPARE(*ShelfStore::encode(*decoded), canonical);
    }

    void damagedFilesReadAsNoShelvesAndStayOnDisk_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("truncated") << (j("[{'date':1,'items':[{'te"));
        QTest::newRow("deeply nested") << QByteArray(200000, '[') + QByteArray(200000, ']');
        QTest::newRow("nested objects") << (j("[{'date':1,'items':[],'x':")).repeated(50000) +
                                               QByteArray("0") + QByteArray("}]").repeated(50000);
        // A well-formed file beyond the size limit is not read either.
        QTest::newRow("50 MB") << j("[{'date':1,'items':[{'text':'") +
                                      QByteArray(50 * 1024 * 1024, 'a') + j("'}]}]");
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

    void writeReplacesTheFileAndLeavesNothingBeside() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/recent-shelves.json"));
        const std::vector<StoredShelf> second{{20, {bookmarkItem("bm")}}, {5, {}}};
        QVERIFY(ShelfStore::write({{10, {textItem(QStringLiteral("one"))}}}, path));
        QVERIFY(ShelfStore::write(second, path));
        QVERIFY(ShelfStore::read(path) == second);
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
        QCOMPARE(ShelfStore::defaultURL(), state + QStringLiteral("/quoblin/recent-shelves.json"));
        QVERIFY(QFileInfo(state + QStringLiteral("/quoblin")).isDir());
        QVERIFY(ShelfStore::write({{3, {textItem(QStringLiteral("t"))}}}));
        QCOMPARE(ShelfStore::read().size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(ShelfStoreTest)
#include "tst_ShelfStore.moc"

#include "model/ShelfStore.h"

#include "TestEnvironment.h"
#include "platform/files/SettingsStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// JSON written with single quotes, which are never part of the content here.
QByteArray j(const char* singleQuoted) {
    return QByteArray(singleQuoted).replace('\'', '"');
}

} // namespace

class ShelfStoreTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void layoutIsCompactWithAbsentValuesLeftOutAndReadsBackTheSame() {
        const std::vector<StoredShelf> shelves{{1.5,
                                                {{QByteArray("\x01\x02\xff", 3), std::nullopt},
                                                 {std::nullopt, QString::fromUtf8("ș \" \\ \n")},
                                                 {}}},
                                               {-2, {}}};
        const QByteArray json = *ShelfStore::encode(shelves);
        QCOMPARE(json, j("[{'date':1.5,'items':[{'bookmark':'AQL/'},{'text':'") +
                           QByteArray("\xc8\x99 \\\" \\\\ \\n") +
                           j("'},{}]},{'date':-2,'items':[]}]"));
        QVERIFY(ShelfStore::decode(json) == shelves);
    }

    void decodingRules() {
        // Each input with the decoded list written again; empty: unreadable. White
        // space, keys in any order, unknown keys and nulls are fine; trailing
        // garbage, invalid UTF-8, a number out of range, one shelf without a date
        // and Base64 without padding fail the whole file.
        const std::pair<QByteArray, QByteArray> cases[] = {
            {j(" [ {'items' : [{'text':null,'x':[1]},{'bookmark':'AA==','text':'t'}] ,"
               "'date':1e3} ] "),
             j("[{'date':1000,'items':[{},{'bookmark':'AA==','text':'t'}]}]")},
            {"[] x", {}},
            {"[{\"date\":1,\"items\":[{\"text\":\"\xff\"}]}]", {}},
            {j("[{'date':1e400,'items':[]}]"), {}},
            {j("[{'date':1,'items':[]},{'items':[]}]"), {}},
            {j("[{'date':1,'items':[{'bookmark':'YWI'}]}]"), {}}};
        for (const auto& [json, canonical] : cases) {
            const auto decoded = ShelfStore::decode(json);
            QVERIFY2(decoded.has_value() == !canonical.isEmpty(), json.constData());
            if (decoded)
                QCOMPARE(*ShelfStore::encode(*decoded), canonical);
        }
    }

    void damagedFilesReadAsNoShelvesAndStayOnDisk() {
        const QString path = m_dir.filePath(QStringLiteral("recent-shelves.json"));
        // Truncated, deeply nested, and well-formed but beyond the size limit.
        for (const QByteArray& content :
             {j("[{'date':1,'items':[{'te"), QByteArray(200000, '[') + QByteArray(200000, ']'),
              j("[{'date':1,'items':[{'text':'") + QByteArray(50 << 20, 'a') + j("'}]}]")}) {
            QVERIFY(writeWholeFile(path, content));
            QVERIFY(ShelfStore::read(path).empty());
            QCOMPARE(readWholeFile(path), content);
        }
    }

    void aFifoReadsAsNoShelvesOrSettingsWithoutWaitingForAWriter() {
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(ShelfStore::read(fifo).empty());
        QVERIFY(!SettingsStore(fifo).value(Preferences::key(Preferences::Setting::language)));
    }

    void writeReplacesTheFileAtomicallyOrNotAtAll() {
        const QString path = m_dir.filePath(QStringLiteral("sub/recent-shelves.json"));
        const std::vector<StoredShelf> second{{20, {{QByteArray("bm"), std::nullopt}}}, {5, {}}};
        QVERIFY(ShelfStore::write({{10, {}}}, path));
        QVERIFY(ShelfStore::write(second, path));
        QVERIFY(ShelfStore::read(path) == second);
        const QString huge(ShelfStore::maxFileBytes, QLatin1Char('a'));
        QVERIFY(!ShelfStore::write({{1, {{std::nullopt, huge}}}}, path));
        QVERIFY(ShelfStore::read(path) == second);
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("recent-shelves.json")});
    }

    // Clipboard texts end up in the recent shelves verbatim: passwords, tokens.
    void theFilesAndTheirFoldersAreTheUsersAlone() {
        const auto mode = [](const QString& path) {
            struct stat info;
            return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777
                                                                           : 0u;
        };
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("state"))));
        const QString recent = ShelfStore::defaultURL();
        SettingsStore settings(m_dir.filePath(QStringLiteral("config/quoblin/settings.json")));
        // Made fresh, then written again over a looser folder and file.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(ShelfStore::Writer().write({}, recent));
            QVERIFY(settings.setValue(QStringLiteral("language"), QStringLiteral("en")));
            for (const QString& file : {recent, settings.path()}) {
                const QString folder = QFileInfo(file).absolutePath();
                QCOMPARE(mode(folder), 0700u);
                QCOMPARE(mode(file), 0600u);
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0 &&
                        ::chmod(QFile::encodeName(file).constData(), 0644) == 0);
            }
        }
    }
};

QTEST_GUILESS_MAIN(ShelfStoreTest)
#include "tst_ShelfStore.moc"

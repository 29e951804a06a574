#include "model/RecentShelf.h"

#include "TestEnvironment.h"

#include <QLocale>
#include <QTest>
#include <QTimeZone>

class RecentShelfTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void titleShowsTheFirstItemTheCountAndTheTimeOfDay_data() {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        const QString e = QStringLiteral("e\u0301"); // e and a combining acute accent
        const QString ellipsis = QStringLiteral("…");
        QTest::newRow("empty in Romanian") << QStringList{} << "ro"
                                           << "gol";
        QTest::newRow("28 characters stay whole")
            << QStringList{QString(28, 'a')} << "en" << QString(28, 'a');
        QTest::newRow("29 characters are cut to 26")
            << QStringList{QString(29, 'b'), "x"} << "en" << QString(26, 'b') + ellipsis + " +1";
        QTest::newRow("29 accented letters are cut between clusters")
            << QStringList{e.repeated(29)} << "en" << e.repeated(26) + ellipsis;
    }

    void titleShowsTheFirstItemTheCountAndTheTimeOfDay() {
        QFETCH(QStringList, titles);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        ScopedPreferences preferences({language});
        std::vector<ShelfItemPtr> items;
        for (const QString& title : titles)
            items.push_back(ShelfItem::makeText(title));
        const QDateTime local(QDate(2024, 5, 6), QTime(9, 30));
        const RecentShelf shelf{RecentShelf::secondsSinceReference(local), items};
        const QString time = QLocale::system().toString(QTime(9, 30), QLocale::ShortFormat);
        QCOMPARE(shelf.title(), expected + QStringLiteral(" — ") + time);
    }

    void datesCountSecondsFrom2001InUtc() {
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
        QCOMPARE(RecentShelf::secondsSinceReference(reference.addMSecs(-1500)), -1.5);
        QCOMPARE(RecentShelf::fromSecondsSinceReference(86400.25), reference.addMSecs(86400250));
    }

    void aDateBeyondAnyCalendarStillGivesATitle() {
        ScopedPreferences preferences;
        for (double date : {1e300, -1e300, 1e13 + 1}) {
            const RecentShelf shelf{date, {ShelfItem::makeText("x")}};
            QVERIFY(!shelf.dateTime().isValid());
            QCOMPARE(shelf.title(), QStringLiteral("x — "));
        }
    }
};

QTEST_MAIN(RecentShelfTest)
#include "tst_RecentShelf.moc"

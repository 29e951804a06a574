#include "settings/Language.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

// The texts of a translation file that have no finished translation: new in
// the sources (unfinished), gone from them (vanished, obsolete) or empty.
QStringList untranslated(const QString& tsPath) {
    QFile file(tsPath);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read ") + tsPath};
    QStringList found;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            if (!type.isEmpty() || xml.readElementText().isEmpty())
                found << (type.isEmpty() ? QStringLiteral("empty") : type) + QStringLiteral(": ") +
                             source;
        }
    }
    if (xml.hasError())
        found << xml.errorString();
    return found;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every language's file, refreshed from today's sources, translates each text.
    void everyTextOfTheSourcesHasAFinishedTranslation() {
        const QDir root(qEnvironmentVariable("QUOBLIN_SOURCE_DIR"));
        const QFileInfoList found =
            QDir(root.filePath(QStringLiteral("translations")))
                .entryInfoList({QStringLiteral("quoblin_*.ts")}, QDir::Files);
        QVERIFY(!found.isEmpty());
        QTemporaryDir scratch;
        for (const QFileInfo& ts : found) {
            const QString copy = scratch.filePath(ts.fileName());
            QVERIFY(QFile::copy(ts.filePath(), copy));
            QProcess lupdate;
            lupdate.start(QStringLiteral(QUOBLIN_LUPDATE),
                          {QStringLiteral("-silent"), root.filePath(QStringLiteral("src")),
                           QStringLiteral("-ts"), copy});
            QVERIFY(lupdate.waitForFinished(60000));
            QCOMPARE(lupdate.exitCode(), 0);
            const QStringList missing = untranslated(copy);
            QVERIFY2(missing.isEmpty(), qPrintable(ts.fileName() + u'\n' + missing.join(u'\n')));
        }
    }

    // The program carries the translation of every language but its own.
    void everyOtherLanguageIsBuiltIn() {
        for (Language language : Languages::allCases) {
            QTranslator translator;
            const QString code = Languages::rawValue(language);
            QCOMPARE(translator.load(QStringLiteral(":/i18n/quoblin_%1.qm").arg(code)),
                     language != Language::english);
        }
    }
};

QTEST_MAIN(TranslationsTest)
#include "tst_Translations.moc"

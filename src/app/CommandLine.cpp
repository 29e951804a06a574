#include "app/CommandLine.h"

#include "settings/Commands.h"

#include <QCommandLineParser>

namespace CommandLine {

Outcome parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Floating shelves for drag and drop. With a command, the running Quoblin performs it; "
        "when none runs, Quoblin starts and then performs it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    parser.addOption(help);
    parser.addOption(version);
    for (const Commands::Entry& command : Commands::table)
        parser.addOption(
            QCommandLineOption(QLatin1String(command.name), QLatin1String(command.description)));

    const auto mistake = [](const QString& text) {
        return Outcome{{}, true, 2, QStringLiteral("quoblin: %1\nTry “quoblin --help”.").arg(text)};
    };
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (parser.isSet(help)) {
        // Without an application object the parser cannot know its own name.
        return {{},
                true,
                0,
                parser.helpText().replace(QStringLiteral("<executable_name>"),
                                          QStringLiteral("quoblin"))};
    }
    if (parser.isSet(version))
        return {{}, true, 0, QStringLiteral("quoblin %1\n").arg(QStringLiteral(QUOBLIN_VERSION))};
    if (!parser.positionalArguments().isEmpty())
        return mistake(
            QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().front()));
    QStringList asked;
    for (const Commands::Entry& command : Commands::table) {
        if (parser.isSet(QLatin1String(command.name)))
            asked << QLatin1String(command.name);
    }
    if (asked.size() > 1)
        return mistake(QStringLiteral("give one command at a time, not --%1")
                           .arg(asked.join(QStringLiteral(" and --"))));
    return {asked.value(0), false, 0, {}};
}

} // namespace CommandLine

#include "app/AboutDialog.h"
#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "app/DesktopServices.h"
#include "app/QuoblinApp.h"
#include "platform/common/SingleInstance.h"
#include "platform/common/SystemLanguages.h"
#include "platform/common/TerminationSignals.h"
#include "platform/files/SettingsStore.h"
#include "platform/gnome/GnomeSession.h"
#include "platform/kde/KdeSession.h"
#include "platform/x11/GraphicalSession.h"
#include "settings/Preferences.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Outcome asked = CommandLine::parse(arguments);
    if (asked.exit) {
        std::fputs(qPrintable(asked.output.trimmed() + u'\n'), asked.exitCode ? stderr : stdout);
        return asked.exitCode;
    }

    // On GNOME on Wayland the companion extension provides the global
    // services to a native Wayland client; without it, and on other Wayland
    // sessions, they exist only through XWayland.
    // An absent companion is turned on once per user, before the window
    // system is chosen, so that one the Shell already has serves this very
    // start. Someone who turned it off afterwards meant to.
    SettingsStore settings(SettingsStore::defaultPath());
    bool offer = false;
    GnomeSession::Status gnome = GnomeSession::probe([&offer, &asked, &settings] {
        const QString offered = QStringLiteral("gnomeCompanionOffered");
        if (asked.command == QLatin1String("quit") || settings.value(offered))
            return false;
        settings.setValue(offered, true);
        return offer = true;
    });
    // On Plasma on Wayland the program's KWin script does the same.
    const KdeSession::KWin kwin = KdeSession::probe();
    if ((gnome.companion == GnomeSession::Companion::ready || kwin == KdeSession::KWin::ready) &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "wayland");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        const GraphicalSession::Choice session = GraphicalSession::choose();
        if (session.platform.isEmpty()) {
            std::fprintf(stderr, "quoblin: %s\n", qPrintable(session.problem));
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", session.platform.toLatin1());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quoblin"));
    QApplication::setApplicationVersion(QStringLiteral(QUOBLIN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("quoblin"));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start only asks the running one to show its shelves: two
    // programs writing one recent-shelves file would lose each other's entries.
    SingleInstance instance;
    if (!instance.tryBecomePrimary(asked.command))
        return 0;
    // Nothing ran that could be asked to quit.
    if (asked.command == QLatin1String("quit"))
        return 0;

    Preferences preferences(settings, &SystemLanguages::preferred);
    DesktopServices desktop(gnome);
    QuoblinApp quoblin(desktop.appServices(), preferences);
    // Only now, with the application's translation installed, in the user's language.
    if (const QString note = AboutDialog::companionNote(gnome); !note.isEmpty())
        std::fprintf(stderr, "quoblin: %s\n", qPrintable(note));
    if (kwin == KdeSession::KWin::absent)
        std::fprintf(stderr, "quoblin: %s\n", qPrintable(KdeSession::fallbackNote()));
    // The Shell does not know it yet: its settings key, for the next login.
    if (gnome.companion == GnomeSession::Companion::absent && offer && !gnome.enabling) {
        GnomeSession::enableCompanion([&gnome](GnomeSession::Enabling outcome) {
            gnome.enabling = outcome;
            if (outcome != GnomeSession::Enabling::failed)
                std::fprintf(stderr, "quoblin: %s\n",
                             qPrintable(AboutDialog::companionNote(gnome)));
        });
    }

    instance.onShowRequested = [&quoblin] { quoblin.showShelves(); };
    instance.onCommand = [&quoblin](const QString& command) { quoblin.perform(command); };

    // A logout or kill ends the program the same way as its Quit command, so
    // the open shelves become recent shelves instead of being lost.
    TerminationSignals termination;
    termination.onTerminate = [] { QCoreApplication::quit(); };
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [] { QCoreApplication::quit(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &quoblin,
                     [&quoblin] { quoblin.aboutToQuit(); });

    // Before the event loop, whose start sets up the accessibility bridge and
    // waits for the session bus's answer: the icon's docking need not.
    quoblin.started();
    if (!asked.command.isEmpty())
        QTimer::singleShot(0, &quoblin,
                           [&quoblin, command = asked.command] { quoblin.perform(command); });
    return QApplication::exec();
}

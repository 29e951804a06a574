#include "TestEnvironment.h"
#include "app/HotKey.h"
#include "platform/KeyGrabs.h"
#include "platform/gnome/GnomeBackend.h"
#include "settings/Commands.h"

#include <QTest>

using Commands::Command;

namespace {

// The accelerator is GNOME's name for keys grabbed system-wide; none for keys only shown in the
// menu.
const struct {
    Command command;
    const char *name, *keys, *accelerator, *english, *romanian;
} expected[] = {
    {Command::newShelf, "new-shelf", "Ctrl+Alt+N", "<Control><Alt>n", "New Shelf", "Raft nou"},
    {Command::newShelfFromClipboard, "new-shelf-from-clipboard", "Ctrl+Alt+V", "<Control><Alt>v",
     "New Shelf From Clipboard", "Raft nou din clipboard"},
    {Command::toggleShelves, "toggle-shelves", "Ctrl+Alt+S", "<Control><Alt>s",
     "Show / Hide Shelves", "Arată / ascunde rafturile"},
    {Command::settings, "settings", "Ctrl+,", "", "Settings…", "Setări…"},
    {Command::quit, "quit", "Ctrl+Q", "", "Quit", "Ieșire"},
};

// Keeps the action of the last grab; the test plays the display server.
struct FakeKeyGrabs final : KeyGrabService {
    std::unique_ptr<KeyGrabToken> grabKey(QKeyCombination, std::function<void()> onPress) override {
        pressed = std::move(onPress);
        return std::make_unique<KeyGrabToken>();
    }
    std::function<void()> pressed;
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The desktop entry offers the same commands, under the same names and labels.
    void eachCommandHasItsNameKeysAndLabelInBothLanguagesAndInTheDesktopEntry() {
        const QString desktop =
            QString::fromUtf8(readWholeFile(qEnvironmentVariable("QUOBLIN_SOURCE_DIR") +
                                            QStringLiteral("/packaging/quoblin.desktop")));
        QCOMPARE(Commands::table.size(), std::size(expected));
        QVERIFY(!Commands::named(QStringLiteral("help")));
        QStringList names;
        for (const auto& e : expected) {
            const Commands::Entry& entry = Commands::entry(e.command);
            QVERIFY(Commands::named(names.emplaceBack(QLatin1String(e.name))) == e.command);
            QCOMPARE(entry.name, e.name);
            QCOMPARE(Commands::keyText(e.command), QLatin1String(e.keys));
            QCOMPARE(entry.systemWide ? GnomeKeyGrabs::accelerator(entry.keys) : QString(),
                     QLatin1String(e.accelerator));
            QStringList labels;
            for (const auto& [language, label] : {std::pair{"en", e.english}, {"ro", e.romanian}}) {
                const ScopedPreferences preferences({QLatin1String(language)});
                QCOMPARE(labels.emplaceBack(Commands::label(e.command)), QString::fromUtf8(label));
            }
            QVERIFY(desktop.contains(
                QStringLiteral("[Desktop Action %1]\nName=%2\nName[ro]=%3\nExec=quoblin --%1\n")
                    .arg(names.last(), labels[0].remove(u'…'), labels[1].remove(u'…'))));
        }
        QVERIFY(desktop.contains(QStringLiteral("\nActions=%1;\n").arg(names.join(u';'))));
    }

    void aPressQueuedBeforeTheHotKeyWasDestroyedRunsNothing() {
        FakeKeyGrabs grabs;
        int presses = 0;
        auto key =
            std::make_unique<HotKey>(grabs, Qt::CTRL | Qt::ALT | Qt::Key_N, [&] { ++presses; });
        key.reset();
        grabs.pressed();
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_Commands.moc"

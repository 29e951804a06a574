#include "app/HotKey.h"
#include "platform/x11/X11KeyGrabs.h"
#include "settings/HotKeys.h"

#include <QTest>
#include <vector>

namespace {

constexpr uint32_t controlOption = 6144;
constexpr uint16_t controlAlt = KeyModifier::control | KeyModifier::mod1;

// Records every grab; press() plays the part of the display server.
class FakeKeyGrabs final : public KeyGrabService {
public:
    std::unique_ptr<KeyGrabToken> grabKey(KeyCombination combination,
                                          std::function<void()> onPress) override {
        requested.push_back(combination);
        if (combination.keycode == refusedKeycode)
            return nullptr;
        grabs.emplace_back(combination, std::move(onPress));
        return std::make_unique<KeyGrabToken>();
    }

    void press(KeyCombination combination) {
        for (const auto& [grabbed, onPress] : grabs)
            if (grabbed == combination)
                onPress();
    }

    std::vector<KeyCombination> requested;
    std::vector<std::pair<KeyCombination, std::function<void()>>> grabs;
    uint8_t refusedKeycode = 0;
};

} // namespace

class HotKeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keysMapToXAndAPressWithShiftIsAnotherCombination() {
        const auto command = HotKey::physicalCombination(1, 0x0100);
        QVERIFY(command && (*command == KeyCombination{39, KeyModifier::mod4}));
        QVERIFY(!HotKey::physicalCombination(45, 0x1c00)); // the caps lock bit
        const KeyCombination n{57, controlAlt};
        QVERIFY(!(X11KeyGrabs::pressedCombination(57, controlAlt | KeyModifier::shift) == n));
    }

    void eachKeyOfTheTableGrabsItsPhysicalKeyAndRunsOnlyItsAction() {
        FakeKeyGrabs grabs;
        grabs.refusedKeycode = 55; // V
        std::vector<int> presses(HotKeys::table.size());
        std::vector<std::unique_ptr<HotKey>> keys;
        for (std::size_t i = 0; i < HotKeys::table.size(); ++i)
            keys.push_back(std::make_unique<HotKey>(grabs, HotKeys::table[i].keyCode, controlOption,
                                                    [&presses, i] { ++presses[i]; }));
        // The physical N, V and S keys with control and alt only.
        const std::vector<KeyCombination> expected{
            {57, controlAlt}, {55, controlAlt}, {39, controlAlt}};
        QVERIFY(grabs.requested == expected);
        QVERIFY(keys[0]->isRegistered() && !keys[1]->isRegistered() && keys[2]->isRegistered());
        for (const KeyCombination& combination : expected)
            grabs.press(combination);
        QVERIFY((presses == std::vector<int>{1, 0, 1}));
    }

    void aPressQueuedBeforeTheHotKeyWasDestroyedRunsNothing() {
        FakeKeyGrabs grabs;
        int presses = 0;
        auto key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] { ++presses; });
        key.reset();
        grabs.grabs.at(0).second();
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(HotKeyTest)
#include "tst_HotKey.moc"

#include "app/HotKey.h"
#include "platform/x11/GlobalKeyGrabs.h"

#include <QTest>
#include <vector>

namespace {

constexpr uint32_t controlOption = 6144;
constexpr uint16_t controlAlt = KeyModifier::control | KeyModifier::mod1;

// Records every grab; press() plays the part of the display server.
class FakeKeyGrabs final : public KeyGrabService {
public:
    struct Grab {
        KeyCombination combination;
        std::function<void()> onPress;
        std::shared_ptr<bool> live;
    };
    std::unique_ptr<KeyGrabToken> grabKey(KeyCombination combination,
                                          std::function<void()> onPress) override {
        requested.push_back(combination);
        if (combination.keycode == refusedKeycode)
            return nullptr;
        grabs.push_back({combination, std::move(onPress), std::make_shared<bool>(true)});
        return std::make_unique<Token>(grabs.back().live);
    }

    void press(KeyCombination combination) {
        for (const Grab& grab : grabs)
            if (*grab.live && grab.combination == combination)
                grab.onPress();
    }

    std::vector<KeyCombination> requested;
    std::vector<Grab> grabs;
    uint8_t refusedKeycode = 0;

private:
    struct Token final : KeyGrabToken {
        explicit Token(std::shared_ptr<bool> flag)
            : live(std::move(flag)) {}
        ~Token() override { *live = false; }
        std::shared_ptr<bool> live;
    };
};

} // namespace

class HotKeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void modifiersAndKeyPositionsMapToXOrAreRefused() {
        const auto command = HotKey::physicalCombination(1, 0x0100);
        QVERIFY(command && (*command == KeyCombination{39, KeyModifier::mod4}));
        QVERIFY(!HotKey::physicalCombination(45, 0x1c00));   // the caps lock bit
        QVERIFY(!HotKey::physicalCombination(0x0a, 0x1800)); // no such key position
    }

    void grabsAndPressesIgnoreCapsLockAndNumLockButNotShift() {
        const std::vector<uint16_t> expected{0x0c, 0x0e, 0x1c, 0x1e};
        QVERIFY(GlobalKeyGrabs::grabbedMasks(controlAlt) == expected);
        const KeyCombination n{57, controlAlt};
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::lock) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::mod2) == n);
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::shift) == n));
    }

    void eachPressRunsOnlyItsOwnActionAndARefusedOneStaysSilent() {
        FakeKeyGrabs grabs;
        grabs.refusedKeycode = 55;
        int newShelf = 0, fromClipboard = 0, toggle = 0;
        HotKey n(grabs, 45, controlOption, [&] { ++newShelf; });
        HotKey v(grabs, 9, controlOption, [&] { ++fromClipboard; });
        HotKey s(grabs, 1, controlOption, [&] { ++toggle; });
        // The physical N, V and S keys with control and alt only.
        const std::vector<KeyCombination> expected{
            {57, controlAlt}, {55, controlAlt}, {39, controlAlt}};
        QVERIFY(grabs.requested == expected);
        QVERIFY(n.isRegistered() && !v.isRegistered() && s.isRegistered());
        grabs.press({55, controlAlt});
        grabs.press({57, controlAlt});
        grabs.press({39, controlAlt});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(1, 0, 1));
    }

    void aPressQueuedBeforeTheHotKeyWasDestroyedRunsNothing() {
        FakeKeyGrabs grabs;
        int presses = 0;
        auto key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] { ++presses; });
        key.reset();
        QVERIFY(!*grabs.grabs.at(0).live);
        grabs.grabs.at(0).onPress();
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(HotKeyTest)
#include "tst_HotKey.moc"

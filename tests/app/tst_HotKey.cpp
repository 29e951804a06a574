#include "app/HotKey.h"
#include "platform/GlobalKeyGrabs.h"

#include <QTest>
#include <map>
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
        bool released = false;
    };

    std::unique_ptr<KeyGrabToken> grabKey(KeyCombination combination,
                                          std::function<void()> onPress) override {
        requested.push_back(combination);
        if (combination.keycode == refusedKeycode)
            return nullptr;
        grabs.push_back({combination, std::move(onPress)});
        return std::make_unique<Token>(this, grabs.size() - 1);
    }

    // Runs the action of every live grab of the combination.
    void press(KeyCombination combination) {
        for (const Grab& grab : grabs) {
            if (!grab.released && grab.combination == combination && grab.onPress)
                grab.onPress();
        }
    }

    // Runs an action the way a press already queued when it was released would.
    void pressReleased(std::size_t index) { grabs.at(index).onPress(); }

    int liveCount() const {
        int count = 0;
        for (const Grab& grab : grabs)
            count += grab.released ? 0 : 1;
        return count;
    }

    std::vector<KeyCombination> requested;
    std::vector<Grab> grabs;
    uint8_t refusedKeycode = 0;

private:
    class Token final : public KeyGrabToken {
    public:
        Token(FakeKeyGrabs* owner, std::size_t index)
            : m_owner(owner)
            , m_index(index) {}
        ~Token() override { m_owner->grabs.at(m_index).released = true; }

    private:
        FakeKeyGrabs* m_owner;
        std::size_t m_index;
    };
};

} // namespace

class HotKeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Must stay the first test: the counter belongs to the process.
    void threeHotKeysInAFreshProcessGetSerialsOneTwoThree() {
        FakeKeyGrabs grabs;
        HotKey n(grabs, 45, controlOption, [] {});
        HotKey v(grabs, 9, controlOption, [] {});
        HotKey s(grabs, 1, controlOption, [] {});
        QCOMPARE(n.identifier().serial, 1u);
        QCOMPARE(v.identifier().serial, 2u);
        QCOMPARE(s.identifier().serial, 3u);
    }

    void laterHotKeysContinueTheSharedCounterEvenWhenRegistrationFails() {
        FakeKeyGrabs grabs;
        grabs.refusedKeycode = 55;
        HotKey first(grabs, 45, controlOption, [] {});
        HotKey refused(grabs, 9, controlOption, [] {});
        HotKey unmappable(grabs, 0x7f, controlOption, [] {});
        HotKey last(grabs, 1, controlOption, [] {});
        QCOMPARE(refused.identifier().serial, first.identifier().serial + 1);
        QCOMPARE(unmappable.identifier().serial, first.identifier().serial + 2);
        QCOMPARE(last.identifier().serial, first.identifier().serial + 3);
    }

    void signatureIsQBLNWithTheFirstCharacterInTheHighestByte() {
        FakeKeyGrabs grabs;
        HotKey key(grabs, 45, controlOption, [] {});
        QCOMPARE(key.identifier().signature, 0x51424C4Eu); // 'Q' 'B' 'L' 'N'
    }

    void programHotKeysGrabThePhysicalNVAndSKeysWithControlAndAltOnly() {
        FakeKeyGrabs grabs;
        HotKey n(grabs, 45, controlOption, [] {});
        HotKey v(grabs, 9, controlOption, [] {});
        HotKey s(grabs, 1, controlOption, [] {});
        const std::vector<KeyCombination> expected{
            {57, controlAlt}, {55, controlAlt}, {39, controlAlt}};
        QVERIFY(grabs.requested == expected);
        QVERIFY(n.isRegistered() && v.isRegistered() && s.isRegistered());
    }

    void modifierAndKeyMapping_data() {
        QTest::addColumn<uint32_t>("keyCode");
        QTest::addColumn<uint32_t>("modifiers");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<int>("keycode");
        QTest::addColumn<int>("mask");
        QTest::newRow("control") << 45u << 0x1000u << true << 57 << int(KeyModifier::control);
        QTest::newRow("option") << 45u << 0x0800u << true << 57 << int(KeyModifier::mod1);
        QTest::newRow("shift added")
            << 45u << 0x1a00u << true << 57 << int(controlAlt | KeyModifier::shift);
        QTest::newRow("command") << 1u << 0x0100u << true << 39 << int(KeyModifier::mod4);
        QTest::newRow("no modifier") << 9u << 0u << true << 55 << 0;
        QTest::newRow("A position") << 0u << 0x1800u << true << 38 << int(controlAlt);
        QTest::newRow("M position") << 0x2eu << 0x1800u << true << 58 << int(controlAlt);
        QTest::newRow("caps lock bit") << 45u << 0x1c00u << false << 0 << 0;
        QTest::newRow("unknown bit") << 45u << 0x1801u << false << 0 << 0;
        QTest::newRow("no such position") << 0x0au << 0x1800u << false << 0 << 0;
        QTest::newRow("return key") << 0x24u << 0x1800u << false << 0 << 0;
    }

    void modifierAndKeyMapping() {
        QFETCH(uint32_t, keyCode);
        QFETCH(uint32_t, modifiers);
        QFETCH(bool, mapped);
        QFETCH(int, keycode);
        QFETCH(int, mask);
        const std::optional<KeyCombination> combination =
            HotKey::physicalCombination(keyCode, modifiers);
        QCOMPARE(combination.has_value(), mapped);
        if (mapped) {
            QCOMPARE(int(combination->keycode), keycode);
            QCOMPARE(int(combination->modifiers), mask);
        }
    }

    void everyCombinationIsAlsoGrabbedWithCapsLockAndNumLock() {
        const std::vector<uint16_t> expected{0x0c, 0x0e, 0x1c, 0x1e};
        QVERIFY(GlobalKeyGrabs::grabbedMasks(controlAlt) == expected);
        // A lock bit asked for is not doubled into a different set.
        QVERIFY(GlobalKeyGrabs::grabbedMasks(controlAlt | KeyModifier::lock) == expected);
        const std::vector<uint16_t> withShift{0x0d, 0x0f, 0x1d, 0x1f};
        QVERIFY(GlobalKeyGrabs::grabbedMasks(controlAlt | KeyModifier::shift) == withShift);
    }

    void aPressMatchesDespiteLocksAndButtonsButNotWithShiftOrSuper() {
        const KeyCombination n{57, controlAlt};
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::lock) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::mod2) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | 0x0100) == n); // button 1
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::shift) == n));
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::mod4) == n));
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(55, controlAlt) == n));
    }

    void eachPressRunsOnlyItsOwnAction() {
        FakeKeyGrabs grabs;
        int newShelf = 0, fromClipboard = 0, toggle = 0;
        HotKey n(grabs, 45, controlOption, [&] { ++newShelf; });
        HotKey v(grabs, 9, controlOption, [&] { ++fromClipboard; });
        HotKey s(grabs, 1, controlOption, [&] { ++toggle; });
        grabs.press({55, controlAlt});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(0, 1, 0));
        grabs.press({57, controlAlt});
        grabs.press({57, controlAlt});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(2, 1, 0));
        grabs.press({39, controlAlt});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(2, 1, 1));
        grabs.press({57, controlAlt | KeyModifier::shift});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(2, 1, 1));
    }

    void destroyingAHotKeyReleasesItsGrabAndALatePressRunsNothing() {
        FakeKeyGrabs grabs;
        int presses = 0;
        auto key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] { ++presses; });
        QCOMPARE(grabs.liveCount(), 1);
        key.reset();
        QCOMPARE(grabs.liveCount(), 0);
        grabs.pressReleased(0);
        QCOMPARE(presses, 0);
    }

    void anActionMayDestroyItsOwnHotKey() {
        FakeKeyGrabs grabs;
        int presses = 0;
        std::unique_ptr<HotKey> key;
        key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] {
            ++presses;
            key.reset();
        });
        grabs.press({57, controlAlt});
        QCOMPARE(presses, 1);
        QVERIFY(!key);
        QCOMPARE(grabs.liveCount(), 0);
    }

    void aRefusedCombinationIsSilentWhileTheOthersWork() {
        FakeKeyGrabs grabs;
        grabs.refusedKeycode = 55;
        int newShelf = 0, fromClipboard = 0;
        HotKey n(grabs, 45, controlOption, [&] { ++newShelf; });
        HotKey v(grabs, 9, controlOption, [&] { ++fromClipboard; });
        QVERIFY(n.isRegistered());
        QVERIFY(!v.isRegistered());
        grabs.press({57, controlAlt});
        grabs.press({55, controlAlt});
        QCOMPARE(newShelf, 1);
        QCOMPARE(fromClipboard, 0);
    }

    void withoutX11AHotKeyRegistersNothing() {
        QVERIFY(QGuiApplication::platformName() != QLatin1String("xcb"));
        int presses = 0;
        HotKey key(45, controlOption, [&] { ++presses; });
        QVERIFY(!key.isRegistered());
        QVERIFY(key.identifier().serial > 0);
        QVERIFY(!GlobalKeyGrabs::instance().grabKey({57, controlAlt}, [&] { ++presses; }));
        QCOMPARE(presses, 0);
    }
};

QTEST_MAIN(HotKeyTest)
#include "tst_HotKey.moc"

#include "app/HotKey.h"
#include "platform/GlobalKeyGrabs.h"

#include <QTest>
#include <algorithm>
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

    void press(KeyCombination combination) {
        for (const Grab& grab : grabs) {
            if (!grab.released && grab.combination == combination && grab.onPress)
                grab.onPress();
        }
    }

    int liveCount() const {
        return int(std::count_if(grabs.begin(), grabs.end(), [](auto& g) { return !g.released; }));
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
    void serialsCountFromOneEvenWhenRegistrationFailsUnderTheQBLNSignature() {
        FakeKeyGrabs grabs;
        grabs.refusedKeycode = 55;
        HotKey first(grabs, 45, controlOption, [] {});
        HotKey refused(grabs, 9, controlOption, [] {});
        HotKey unmappable(grabs, 0x7f, controlOption, [] {});
        HotKey last(grabs, 1, controlOption, [] {});
        QCOMPARE(first.identifier().serial, 1u);
        QCOMPARE(refused.identifier().serial, 2u);
        QCOMPARE(unmappable.identifier().serial, 3u);
        QCOMPARE(last.identifier().serial, 4u);
        QCOMPARE(first.identifier().signature, 0x51424C4Eu); // 'Q' 'B' 'L' 'N'
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
        const auto combination = HotKey::physicalCombination(keyCode, modifiers);
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
    }

    void aPressMatchesDespiteLocksAndButtonsButNotWithShiftOrSuper() {
        const KeyCombination n{57, controlAlt};
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::lock) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::mod2) == n);
        QVERIFY(GlobalKeyGrabs::pressedCombination(57, controlAlt | 0x0100) == n); // button 1
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::shift) == n));
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(57, controlAlt | KeyModifier::mod4) == n));
        QVERIFY(!(GlobalKeyGrabs::pressedCombination(55, controlAlt) == n));
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
        grabs.press({57, controlAlt | KeyModifier::shift});
        grabs.press({39, controlAlt});
        QCOMPARE(std::tuple(newShelf, fromClipboard, toggle), std::tuple(1, 0, 1));
    }

    void destroyingAHotKeyReleasesItsGrabAndALatePressRunsNothing() {
        FakeKeyGrabs grabs;
        int presses = 0;
        auto key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] { ++presses; });
        QCOMPARE(grabs.liveCount(), 1);
        key.reset();
        QCOMPARE(grabs.liveCount(), 0);
        grabs.grabs.at(0).onPress(); // as a press queued before the release would
        QCOMPARE(presses, 0);
    }

    void anActionMayDestroyItsOwnHotKey() {
        FakeKeyGrabs grabs;
        std::unique_ptr<HotKey> key;
        key = std::make_unique<HotKey>(grabs, 45, controlOption, [&] { key.reset(); });
        grabs.press({57, controlAlt});
        QVERIFY(!key);
        QCOMPARE(grabs.liveCount(), 0);
    }

    void withoutX11AHotKeyRegistersNothing() {
        QVERIFY(QGuiApplication::platformName() != QLatin1String("xcb"));
        HotKey key(45, controlOption, [] {});
        QVERIFY(!key.isRegistered());
        QVERIFY(!GlobalKeyGrabs::instance().grabKey({57, controlAlt}, [] {}));
    }
};

QTEST_MAIN(HotKeyTest)
#include "tst_HotKey.moc"

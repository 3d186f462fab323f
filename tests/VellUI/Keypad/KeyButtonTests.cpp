#include "Appearance/Fonts.h"
#include "Appearance/Theme.h"
#include "Keypad/CatalogSlotCell.h"
#include "Keypad/Catalogs.h"
#include "Keypad/KeyButton.h"
#include "Keypad/KeypadTestSupport.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPointer>
#include <QRawFont>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace vell::testsupport {
namespace {

using K = KeypadKey;

class KeyButtonTest : public KeypadPartsTest {
protected:
    // A key of 80 × 50 in a shown window, every key it sends kept.
    KeyButton& make(KeypadKey key, KeyButton::Face face = KeyButton::Face::gridKey,
                    KeyButton::Timing timing = quickTiming()) {
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        auto* button = new KeyButton(std::move(key), face, appearance, timing, window.get());
        button->setGeometry(20, 20, 80, 51);
        button->setOnKey([this](const KeypadKey& sent) { this->sent.push_back(sent); });
        window->show();
        return *button;
    }

    int count(const KeypadKey& key) const {
        return static_cast<int>(std::count(sent.begin(), sent.end(), key));
    }

    std::unique_ptr<QWidget> window;
    std::vector<KeypadKey> sent;
};

TEST_F(KeyButtonTest, AClickSendsTheKeyOnceAndNeverTakesTheFocus) {
    KeyButton& seven = make(K::text("7", "7"));
    EXPECT_EQ(seven.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(seven.text(), "7");
    Hand::click(seven);
    EXPECT_EQ(sent, std::vector<KeypadKey>{K::text("7", "7")});

    // Held long and slid: still one key, at the release.
    Hand::press(seven);
    QTest::qWait(120);
    Hand::moveBy(seven, {30, 0});
    Hand::release(seven, {30, 0});
    EXPECT_EQ(count(K::text("7", "7")), 2);
}

TEST_F(KeyButtonTest, AHeldCaretKeyRepeatsUntilTheRelease) {
    KeyButton& left = make(K::move(CursorMove::left));
    Hand::press(left);
    QTest::qWait(30);
    EXPECT_TRUE(sent.empty()) << "nothing before the long press";
    QTRY_VERIFY_WITH_TIMEOUT(count(K::move(CursorMove::left)) >= 3, 2000);
    EXPECT_TRUE(left.isRepeating());
    Hand::release(left);
    EXPECT_FALSE(left.isRepeating());
    const std::size_t atRelease = sent.size();
    QTest::qWait(80);
    EXPECT_EQ(sent.size(), atRelease);
}

TEST_F(KeyButtonTest, MovingAwayEarlyPreventsTheRepeat) {
    KeyButton& left = make(K::move(CursorMove::left), KeyButton::Face::gridKey,
                           {std::chrono::milliseconds(80), std::chrono::milliseconds(10), {}});
    Hand::press(left);
    Hand::moveBy(left, {0, 11});
    QTest::qWait(200);
    EXPECT_TRUE(sent.empty());
    Hand::release(left, {0, 11});
    EXPECT_EQ(sent.size(), 1u) << "the release on the key is still a click";
}

TEST_F(KeyButtonTest, BackspaceSlidSidewaysAsksToClearOnceAtTheRelease) {
    auto now = std::make_shared<double>(100);
    KeyButton::Timing timing = quickTiming();
    timing.clock = [now] { return *now; };
    KeyButton& backspace = make(K::backspace(), KeyButton::Face::gridKey, timing);

    Hand::press(backspace);
    QTRY_VERIFY_WITH_TIMEOUT(count(K::backspace()) >= 1, 2000);
    Hand::moveBy(backspace, {44, 0});
    EXPECT_FALSE(backspace.isRepeating()) << "the slide stops the repeat at once";
    const int deleted = count(K::backspace());
    QTest::qWait(60);
    EXPECT_EQ(count(K::backspace()), deleted);
    EXPECT_EQ(count(K::clearSheet()), 0) << "nothing before the release";
    Hand::release(backspace, {44, 0}); // the face is 80 wide: the release falls on the key
    EXPECT_EQ(count(K::clearSheet()), 1);
    EXPECT_EQ(count(K::backspace()), deleted) << "the click that ends the slide is swallowed";

    // Ended beside the key, the slide swallows the next click within 0.6 s, only that one.
    Hand::press(backspace);
    Hand::moveBy(backspace, {-60, 0});
    Hand::release(backspace, {-60, 0});
    EXPECT_EQ(count(K::clearSheet()), 2);
    *now += 0.3;
    Hand::click(backspace);
    EXPECT_EQ(count(K::backspace()), deleted);
    Hand::click(backspace);
    EXPECT_EQ(count(K::backspace()), deleted + 1);
    Hand::press(backspace);
    Hand::moveBy(backspace, {60, 0});
    Hand::release(backspace, {60, 0});
    *now += 0.7;
    Hand::click(backspace);
    EXPECT_EQ(count(K::backspace()), deleted + 2);
}

TEST_F(KeyButtonTest, AHeldKeyStopsAtOnceWhenItIsTakenAway) {
    QWidget other;
    const struct {
        const char* what;
        std::function<void(KeyButton&, QWidget&)> takeAway;
    } cases[] = {
        {"hidden with its window part", [](KeyButton&, QWidget& window) { window.hide(); }},
        {"disabled", [](KeyButton& key, QWidget&) { key.setEnabled(false); }},
        {"its window left for another",
         [&other](KeyButton&, QWidget& window) {
             other.show();
             other.activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
             ASSERT_FALSE(window.isActiveWindow());
         }},
        {"a modal dialog over it",
         [](KeyButton& key, QWidget&) {
             QEvent blocked(QEvent::WindowBlocked);
             QCoreApplication::sendEvent(&key, &blocked);
         }},
        {"destroyed", [](KeyButton& key, QWidget&) { delete &key; }},
    };
    for (const auto& c : cases) {
        for (const bool slid : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (slid ? ", armed" : ", repeating"));
            other.hide();
            sent.clear();
            KeyButton& backspace = make(K::backspace());
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
            Hand::press(backspace);
            QTRY_VERIFY_WITH_TIMEOUT(!sent.empty(), 2000);
            if (slid) Hand::moveBy(backspace, {50, 0});
            EXPECT_EQ(backspace.tracker().isSlideArmed(), slid);
            EXPECT_EQ(backspace.isRepeating(), !slid);
            QPointer<KeyButton> alive(&backspace);
            c.takeAway(backspace, *window);
            if (alive) {
                EXPECT_FALSE(alive->isRepeating());
            }
            const std::size_t before = sent.size();
            QTest::qWait(60);
            if (alive) {
                // Back over the key and let go: no click either.
                Hand::moveBy(*alive, {0, 0});
                Hand::release(*alive);
            }
            EXPECT_EQ(sent.size(), before);
            EXPECT_EQ(count(K::clearSheet()), 0);
        }
    }
}

TEST_F(KeyButtonTest, PressedKeysShowTheirPressStyle) {
    KeyButton& grid = make(K::text("7", "7"));
    EXPECT_EQ(grid.pressStyle(), KeyButton::PressStyle::key);
    EXPECT_DOUBLE_EQ(grid.faceOpacity(), 1);
    Hand::press(grid);
    QTRY_COMPARE_WITH_TIMEOUT(grid.faceOpacity(), 0.4, 1000);
    EXPECT_DOUBLE_EQ(grid.faceScale(), 0.97);
    Hand::moveBy(grid, {0, 100}); // off the key: up again
    QTRY_COMPARE_WITH_TIMEOUT(grid.faceOpacity(), 1.0, 1000);
    Hand::release(grid, {0, 100});
    EXPECT_TRUE(sent.empty());

    KeyButton& token = make(K::text(" = ", "="), KeyButton::Face::token);
    EXPECT_EQ(token.pressStyle(), KeyButton::PressStyle::flat);
    Hand::press(token);
    EXPECT_DOUBLE_EQ(token.faceOpacity(), 0.55) << "at once, without animation";
    EXPECT_DOUBLE_EQ(token.faceScale(), 1);
    Hand::release(token);
    EXPECT_DOUBLE_EQ(token.faceOpacity(), 1);
}

TEST_F(KeyButtonTest, LabelsAreSizedByKeySizeAndColouredByAccent) {
    const struct {
        KeypadSizeSetting size;
        double digit;
        double other;
    } sizes[] = {{KeypadSizeSetting::small, 20.4, 17.85},
                 {KeypadSizeSetting::medium, 24, 21},
                 {KeypadSizeSetting::large, 26.4, 23.1}};
    KeyButton& seven = make(K::text("7", "7"));
    KeyButton pi(K::text("π", "π"), KeyButton::Face::gridKey, appearance);
    for (const auto& s : sizes) {
        settings.setKeypadSize(s.size);
        seven.setFontScale(settings.keypadFontScale());
        pi.setFontScale(settings.keypadFontScale());
        EXPECT_NEAR(seven.labelFont().pointSizeF(), Fonts::pointSize(s.digit), 1e-9);
        EXPECT_NEAR(pi.labelFont().pointSizeF(), Fonts::pointSize(s.other), 1e-9);
    }

    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        EXPECT_EQ(KeyButton(K::text("(", "("), KeyButton::Face::gridKey, appearance).labelColor(),
                  Theme::accent.resolve(dark));
        EXPECT_EQ(KeyButton(K::text(" × ", "×"), KeyButton::Face::gridKey, appearance).labelColor(),
                  Theme::ink.resolve(dark));
        // Token keys draw in the text colour whatever they insert.
        EXPECT_EQ(KeyButton(K::text("(", "("), KeyButton::Face::token, appearance).labelColor(),
                  Theme::ink.resolve(dark));
    }
}

// The symbols of the unit keys come from the label's own face and stand as large as the letters beside
// them: a face that squeezes "→" into half a letter's height would make the key hard to read.
TEST_F(KeyButtonTest, SymbolsOnFixedPitchKeysAreDrawnAsLargeAsLetters) {
    const QFont token = KeyButton(K::text("=", "="), KeyButton::Face::token, appearance).labelFont();
    for (const QFont& font : {token, SlotFace::labelFont()}) {
        const QRawFont face = QRawFont::fromFont(font);
        SCOPED_TRACE(face.familyName().toStdString() + " at " + std::to_string(font.pointSizeF()) + " pt");
        const QFontMetricsF metrics(font);
        const QRectF letter = metrics.tightBoundingRect(QStringLiteral("m"));
        const QRectF capital = metrics.tightBoundingRect(QStringLiteral("M"));
        for (const QString& symbol : {QStringLiteral("→"), QStringLiteral("$"), QStringLiteral("€")}) {
            SCOPED_TRACE(symbol.toStdString());
            EXPECT_TRUE(face.supportsCharacter(symbol.at(0)));
            const QRectF ink = metrics.tightBoundingRect(symbol);
            EXPECT_GE(ink.width(), symbol == QStringLiteral("→") ? letter.width() : 0.75 * letter.width());
            EXPECT_GE(ink.height(),
                      symbol == QStringLiteral("→") ? 0.55 * capital.height() : capital.height());
        }
    }
}

// A unit key showing a lone sign draws it at least as wide as a letter of its neighbours' labels and
// half as tall as a capital, from a face that has it.
TEST_F(KeyButtonTest, ALoneSignOnACatalogKeyIsDrawnAsLargeAsTheLettersBesideIt) {
    const QFontMetricsF letters(SlotFace::labelFont());
    const QRectF m = letters.tightBoundingRect(QStringLiteral("m"));
    const QRectF capital = letters.tightBoundingRect(QStringLiteral("M"));
    for (const QString& sign : {QStringLiteral("→"), QStringLiteral("$"), QStringLiteral("€")}) {
        const SlotFace::Label shown = SlotFace::fittedLabel(sign, 60);
        SCOPED_TRACE(sign.toStdString() + " in " + QRawFont::fromFont(shown.font).familyName().toStdString());
        EXPECT_EQ(shown.text, sign);
        EXPECT_TRUE(QRawFont::fromFont(shown.font).supportsCharacter(sign.at(0)));
        const QRectF ink = QFontMetricsF(shown.font).tightBoundingRect(sign);
        EXPECT_GE(ink.width(), sign == QStringLiteral("→") ? 1.25 * m.width() : 0.75 * m.width());
        EXPECT_GE(ink.height(), sign == QStringLiteral("→") ? 0.75 * capital.height() : capital.height());
    }
    // Letters and longer labels keep the fixed-pitch face.
    EXPECT_EQ(SlotFace::fittedLabel(QStringLiteral("km"), 60).font, SlotFace::labelFont());
    EXPECT_EQ(SlotFace::fittedLabel(QStringLiteral("π"), 60).font, SlotFace::labelFont());
}

// Every catalog key in either language, in the narrowest face the panel gives it and in wider ones,
// shows its whole label at 10 pixels or more, in at most two lines that fit the face.
TEST_F(KeyButtonTest, CatalogLabelsShowWholeAndNeverInATinyFace) {
    for (const AppLanguage language : {AppLanguage::english, AppLanguage::japanese}) {
        engine.setLanguage(language);
        for (const auto& groups : {FunctionCatalog::categories(), UnitCatalog::categories()})
            for (const CatalogGroup& group : groups)
                for (const FunctionItem& item : group.items) {
                    const QString label = QString::fromStdString(item.label);
                    for (const double face : {SlotFace::narrowestFace(label), 68.0, 90.0}) {
                        SCOPED_TRACE(item.label + " in " + std::to_string(face));
                        const SlotFace::Label shown = SlotFace::fittedLabel(label, face);
                        EXPECT_GE(shown.font.pointSizeF() * 96 / 72, 10 - 1e-9);
                        const QStringList lines = shown.text.split(QLatin1Char('\n'));
                        EXPECT_LE(lines.size(), 2);
                        EXPECT_EQ(lines.join(QLatin1Char(' ')), label);
                        const QFontMetricsF metrics(shown.font);
                        for (const QString& line : lines)
                            EXPECT_LE(metrics.horizontalAdvance(line), face - 2 * SlotFace::labelInset);
                        EXPECT_LE(metrics.boundingRect(QRectF(0, 0, face, 1000), Qt::AlignCenter, shown.text)
                                      .height(),
                                  SlotFace::height);
                    }
                }
    }
    // The label that was drawn at 7.8 pixels keeps a size like its neighbours', on two lines.
    const SlotFace::Label block = SlotFace::fittedLabel(QStringLiteral("sum (block)"), 68);
    EXPECT_EQ(block.text, QStringLiteral("sum\n(block)"));
    EXPECT_GE(block.font.pointSizeF() * 96 / 72, 11);
}

TEST_F(KeyButtonTest, TheFaceIsPaintedInTheAppearanceColours) {
    KeyButton& plus = make(K::text(" + ", "+"));
    for (const bool dark : {false, true}) {
        settings.setAppearance(dark ? AppearanceSetting::dark : AppearanceSetting::light);
        const QImage image = plus.grab().toImage();
        // A point of the face away from the label and the rounded corners.
        EXPECT_EQ(image.pixelColor(12, image.height() / 2), Theme::controlBackground.resolve(dark)) << dark;
        // Somewhere on the label the accent shows.
        bool accentSeen = false;
        const QColor accent = Theme::accent.resolve(dark);
        for (int x = 0; x < image.width() && !accentSeen; ++x)
            for (int y = 0; y < image.height() && !accentSeen; ++y)
                accentSeen = image.pixelColor(x, y) == accent;
        EXPECT_TRUE(accentSeen) << dark;
    }
}

} // namespace
} // namespace vell::testsupport

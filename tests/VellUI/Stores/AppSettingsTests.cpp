#include "Engine/Evaluator.h"
#include "Engine/ValueFormatter.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/Notifications.h"
#include "Stores/UserDefaults.h"
#include "Support/EngineSettingsScope.h"
#include "Support/NotificationRecorder.h"
#include "Support/TempDefaults.h"

#include <QDir>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::NotificationRecorder;
using testsupport::TempDefaults;

const std::vector<std::string_view> settingsNotifications{
    notify::languageChanged.name(), notify::keypadSizeChanged.name(), notify::syntaxColorsChanged.name()};

std::string storedText(const TempDefaults& defaults, const char* key) {
    return defaults.stored(key).toString().toStdString();
}

TEST(AppSettings, EmptyDefaultsGiveEveryDefaultAndSetTheEngine) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::english);
    scope.setDegrees(true);
    scope.setMaxFractionDigits(3);
    TempDefaults defaults;
    NotificationRecorder posts(settingsNotifications);

    const AppSettings settings(defaults.open());

    EXPECT_EQ(settings.appearance(), AppearanceSetting::dark);
    EXPECT_EQ(settings.keypadSize(), KeypadSizeSetting::large);
    EXPECT_EQ(settings.textSize(), TextSizeSetting::standard);
    EXPECT_EQ(settings.resultColumnWidth(), 180);
    EXPECT_EQ(settings.maxFractionDigits(), 10);
    EXPECT_EQ(settings.angle(), AngleSetting::radians);
    EXPECT_EQ(settings.sheetListStyle(), SheetListStyle::both);
    EXPECT_TRUE(settings.showsNamedValues());
    EXPECT_TRUE(settings.syntaxColors().empty());
    EXPECT_EQ(settings.keypadSide(), KeypadSide::right);
    EXPECT_TRUE(settings.groupsDigits());
    EXPECT_TRUE(settings.hapticFeedback());
    EXPECT_EQ(settings.language(), AppLanguage::system);
    EXPECT_EQ(settings.acceptedTermsVersion(), 0);
    EXPECT_EQ(settings.keypadFontScale(), 1.1);
    EXPECT_EQ(settings.keypadHeightMac(), 300);

    EXPECT_FALSE(EngineSettings::current().degrees);
    EXPECT_EQ(EngineSettings::current().maxFractionDigits, 10);
    EXPECT_EQ(EngineSettings::current().language, AppLanguage::system);
    // Loading writes and posts nothing.
    EXPECT_TRUE(defaults.readFile().isEmpty());
    EXPECT_TRUE(posts.posts.empty());
}

template <class Helper, class Value>
void expectChoiceStored(const char* key, Value (AppSettings::*get)() const, void (AppSettings::*set)(Value)) {
    EngineSettingsScope scope;
    for (Value value : Helper::allCases) {
        TempDefaults defaults;
        AppSettings settings(defaults.open());
        (settings.*set)(value);
        EXPECT_EQ((settings.*get)(), value);
        EXPECT_EQ(storedText(defaults, key), Helper::rawValue(value)) << key;
        const AppSettings reloaded(defaults.open());
        EXPECT_EQ((reloaded.*get)(), value) << key << " " << Helper::rawValue(value);
    }
}

TEST(AppSettings, EveryChoiceIsWrittenAtOnceUnderItsKey) {
    expectChoiceStored<AppearanceSettings>("vell.appearance", &AppSettings::appearance,
                                           &AppSettings::setAppearance);
    expectChoiceStored<KeypadSizeSettings>("vell.keypadSize", &AppSettings::keypadSize,
                                           &AppSettings::setKeypadSize);
    expectChoiceStored<TextSizeSettings>("vell.textSize", &AppSettings::textSize, &AppSettings::setTextSize);
    expectChoiceStored<AngleSettings>("vell.angle", &AppSettings::angle, &AppSettings::setAngle);
    expectChoiceStored<SheetListStyles>("vell.sheetListStyle", &AppSettings::sheetListStyle,
                                        &AppSettings::setSheetListStyle);
    expectChoiceStored<KeypadSides>("vell.keypadSide", &AppSettings::keypadSide, &AppSettings::setKeypadSide);
    expectChoiceStored<AppLanguages>("vell.language", &AppSettings::language, &AppSettings::setLanguage);
}

TEST(AppSettings, BooleansAndNumbersAreWrittenAtOnceUnderTheirKeys) {
    EngineSettingsScope scope;
    struct Case {
        const char* key;
        std::function<void(AppSettings&)> assign;
        std::string stored;
        std::function<bool(const AppSettings&)> reloaded;
    };
    const Case cases[] = {
        {"vell.showsNamedValues", [](AppSettings& s) { s.setShowsNamedValues(false); }, "false",
         [](const AppSettings& s) { return !s.showsNamedValues(); }},
        {"vell.groupsDigits", [](AppSettings& s) { s.setGroupsDigits(false); }, "false",
         [](const AppSettings& s) { return !s.groupsDigits(); }},
        {"vell.hapticFeedback", [](AppSettings& s) { s.setHapticFeedback(false); }, "false",
         [](const AppSettings& s) { return !s.hapticFeedback(); }},
        {"vell.hapticFeedback", [](AppSettings& s) { s.setHapticFeedback(true); }, "true",
         [](const AppSettings& s) { return s.hapticFeedback(); }},
        {"vell.resultColumnWidth", [](AppSettings& s) { s.setResultColumnWidth(250.5); }, "250.5",
         [](const AppSettings& s) { return s.resultColumnWidth() == 250.5; }},
        // Written as given; the bounds apply at the next start.
        {"vell.resultColumnWidth", [](AppSettings& s) { s.setResultColumnWidth(40); }, "40",
         [](const AppSettings& s) { return s.resultColumnWidth() == 84; }},
        {"vell.maxFractionDigits", [](AppSettings& s) { s.setMaxFractionDigits(25); }, "25",
         [](const AppSettings& s) { return s.maxFractionDigits() == 25; }},
        {"vell.maxFractionDigits", [](AppSettings& s) { s.setMaxFractionDigits(0); }, "0",
         [](const AppSettings& s) { return s.maxFractionDigits() == 0; }},
    };
    for (const Case& c : cases) {
        TempDefaults defaults;
        AppSettings settings(defaults.open());
        c.assign(settings);
        EXPECT_EQ(storedText(defaults, c.key), c.stored) << c.key;
        EXPECT_TRUE(c.reloaded(AppSettings(defaults.open()))) << c.key << " " << c.stored;
    }
}

TEST(AppSettings, StoredValuesThatAreNotAllowedFallBack) {
    EngineSettingsScope scope;
    struct Case {
        QByteArray file; // as edited by hand
        std::function<bool(const AppSettings&)> expected;
    };
    const Case cases[] = {
        {"vell.angle=Degrees", [](const AppSettings& s) { return s.angle() == AngleSetting::radians; }},
        {"vell.angle=degrees", [](const AppSettings& s) { return s.angle() == AngleSetting::degrees; }},
        {"vell.keypadSize=huge",
         [](const AppSettings& s) { return s.keypadSize() == KeypadSizeSetting::large; }},
        {"vell.sheetListStyle=tabs",
         [](const AppSettings& s) { return s.sheetListStyle() == SheetListStyle::tabs; }},
        {"vell.appearance=Light",
         [](const AppSettings& s) { return s.appearance() == AppearanceSetting::dark; }},
        {"vell.appearance=", [](const AppSettings& s) { return s.appearance() == AppearanceSetting::dark; }},
        {"vell.appearance=light,dark",
         [](const AppSettings& s) { return s.appearance() == AppearanceSetting::dark; }},
        {"vell.textSize=@Invalid()",
         [](const AppSettings& s) { return s.textSize() == TextSizeSetting::standard; }},
        {"vell.keypadSide=Left", [](const AppSettings& s) { return s.keypadSide() == KeypadSide::right; }},
        {"vell.language=English", [](const AppSettings& s) { return s.language() == AppLanguage::system; }},
        {"vell.resultColumnWidth=40", [](const AppSettings& s) { return s.resultColumnWidth() == 84; }},
        {"vell.resultColumnWidth=1000", [](const AppSettings& s) { return s.resultColumnWidth() == 560; }},
        {"vell.resultColumnWidth=200.5", [](const AppSettings& s) { return s.resultColumnWidth() == 200.5; }},
        {"vell.resultColumnWidth=wide", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.resultColumnWidth=nan", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.resultColumnWidth=inf", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.resultColumnWidth=-inf", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.resultColumnWidth=1e400", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.resultColumnWidth=300px", [](const AppSettings& s) { return s.resultColumnWidth() == 180; }},
        {"vell.maxFractionDigits=25", [](const AppSettings& s) { return s.maxFractionDigits() == 25; }},
        {"vell.maxFractionDigits=3.0", [](const AppSettings& s) { return s.maxFractionDigits() == 3; }},
        {"vell.maxFractionDigits=2.5", [](const AppSettings& s) { return s.maxFractionDigits() == 10; }},
        {"vell.maxFractionDigits=many", [](const AppSettings& s) { return s.maxFractionDigits() == 10; }},
        {"vell.maxFractionDigits=99999999999999999999",
         [](const AppSettings& s) { return s.maxFractionDigits() == 10; }},
        {"vell.acceptedTermsVersion=1", [](const AppSettings& s) { return s.acceptedTermsVersion() == 1; }},
        {"vell.acceptedTermsVersion=yes", [](const AppSettings& s) { return s.acceptedTermsVersion() == 0; }},
        {"vell.groupsDigits=false", [](const AppSettings& s) { return !s.groupsDigits(); }},
        {"vell.groupsDigits=0", [](const AppSettings& s) { return s.groupsDigits(); }},
        {"vell.showsNamedValues=no", [](const AppSettings& s) { return s.showsNamedValues(); }},
        {"vell.hapticFeedback=False", [](const AppSettings& s) { return s.hapticFeedback(); }},
    };
    for (const Case& c : cases) {
        TempDefaults defaults;
        defaults.writeFile("[General]\n" + c.file + "\n");
        EXPECT_TRUE(c.expected(AppSettings(defaults.open()))) << c.file.toStdString();
    }
}

TEST(AppSettings, SyntaxColorsLoadWholeOrNotAtAll) {
    struct Case {
        QByteArray file;
        AppSettings::SyntaxColors expected;
    };
    const Case cases[] = {
        {"[vell.syntaxColors]\nnumber.light=#112233\nunit.dark=#445566\n",
         {{"number.light", "#112233"}, {"unit.dark", "#445566"}}},
        // One entry that is no single text spoils the others too.
        {"[vell.syntaxColors]\nnumber.light=#112233\nname.dark=#1, #2\n", {}},
        {"[vell.syntaxColors]\nnumber.light=#112233\nname.dark=@ByteArray(#123456)\n", {}},
        {"[vell.syntaxColors]\nnumber.light=#112233\nnested\\unit.dark=#445566\n", {}},
        {"[General]\nvell.syntaxColors=#112233\n", {}},
    };
    for (const Case& c : cases) {
        TempDefaults defaults;
        defaults.writeFile(c.file);
        EXPECT_EQ(AppSettings(defaults.open()).syntaxColors(), c.expected) << c.file.toStdString();
    }
}

TEST(AppSettings, EngineSettingsFollowAndFractionDigitsReachTheEngineWithinZeroToTen) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());

    settings.setAngle(AngleSetting::degrees);
    EXPECT_TRUE(EngineSettings::current().degrees);
    settings.setAngle(AngleSetting::radians);
    EXPECT_FALSE(EngineSettings::current().degrees);

    const std::pair<std::int64_t, int> digits[] = {
        {4, 4}, {0, 0}, {10, 10}, {25, 10}, {-1, 0}, {1'000'000'000, 10}, {INT64_MIN, 0}};
    for (const auto& [stored, engine] : digits) {
        settings.setMaxFractionDigits(stored);
        EXPECT_EQ(settings.maxFractionDigits(), stored);
        EXPECT_EQ(EngineSettings::current().maxFractionDigits, engine) << stored;
        EXPECT_EQ(storedText(defaults, "vell.maxFractionDigits"), std::to_string(stored));
    }

    // The same bound holds for a hand-edited file.
    for (const auto& [text, engine] : {std::pair<QByteArray, int>{"-1", 0}, {"1000000000", 10}, {"7", 7}}) {
        TempDefaults edited;
        edited.writeFile("[General]\nvell.maxFractionDigits=" + text +
                         "\nvell.angle=degrees\nvell.language=japanese\n");
        scope.setMaxFractionDigits(5);
        const AppSettings loaded(edited.open());
        EXPECT_EQ(loaded.maxFractionDigits(), text.toLongLong());
        EXPECT_EQ(EngineSettings::current().maxFractionDigits, engine) << text.toStdString();
        EXPECT_TRUE(EngineSettings::current().degrees);
        EXPECT_EQ(EngineSettings::current().language, AppLanguage::japanese);
    }
}

TEST(AppSettings, LanguageIsInForceBeforeItsChangeIsPosted) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    std::vector<AppLanguage> seen;
    NotificationRecorder posts({notify::languageChanged.name()},
                               [&] { seen.push_back(EngineSettings::current().language); });

    settings.setLanguage(AppLanguage::english);
    settings.setLanguage(AppLanguage::english);
    settings.setLanguage(AppLanguage::japanese);

    EXPECT_EQ(seen,
              (std::vector<AppLanguage>{AppLanguage::english, AppLanguage::english, AppLanguage::japanese}));
    EXPECT_FALSE(posts.posts.front().object.isValid());
    EXPECT_EQ(storedText(defaults, "vell.language"), "japanese");
}

TEST(AppSettings, EveryAssignmentIsWrittenAndAnnouncedEvenWithoutChange) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    QSignalSpy changed(&settings, &AppSettings::changed);
    NotificationRecorder posts(settingsNotifications);

    settings.setTextSize(settings.textSize());
    EXPECT_EQ(storedText(defaults, "vell.textSize"), "standard");
    EXPECT_EQ(changed.count(), 1);

    settings.setKeypadSize(KeypadSizeSetting::large);
    settings.setKeypadSize(KeypadSizeSetting::large);
    EXPECT_EQ(posts.count(notify::keypadSizeChanged.name()), 2);
    EXPECT_EQ(changed.count(), 3);
    settings.setKeypadSize(KeypadSizeSetting::small);
    EXPECT_EQ(settings.keypadFontScale(), 0.85);
    EXPECT_EQ(settings.keypadHeightMac(), 220);

    // The width is no published preference: the answer column announces it itself.
    settings.setResultColumnWidth(300);
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(posts.posts.size(), 3u);
}

TEST(AppSettings, SyntaxColorsChangeOnlyWhenTheyDiffer) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    QSignalSpy changed(&settings, &AppSettings::changed);
    NotificationRecorder posts({notify::syntaxColorsChanged.name()});

    EXPECT_EQ(AppSettings::syntaxColorKey("operatorMark", true), "operatorMark.dark");
    EXPECT_EQ(AppSettings::syntaxColorKey("number", false), "number.light");

    settings.resetSyntaxColors();
    settings.setSyntaxColor(std::nullopt, "number", false);
    EXPECT_EQ(posts.posts.size(), 0u);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(defaults.readFile().contains("syntaxColors"));

    settings.setSyntaxColor("#2F6FED", "name", false);
    settings.setSyntaxColor("#6FA0FF", "name", true);
    settings.setSyntaxColor("#6FA0FF", "name", true); // already held
    EXPECT_EQ(posts.posts.size(), 2u);
    EXPECT_EQ(settings.syntaxHex("name", false), "#2F6FED");
    EXPECT_EQ(settings.syntaxHex("name", true), "#6FA0FF");
    EXPECT_EQ(settings.syntaxHex("unit", true), std::nullopt);
    EXPECT_EQ(defaults.stored("vell.syntaxColors/name.light").toString(), "#2F6FED");
    EXPECT_EQ(AppSettings(defaults.open()).syntaxColors(), settings.syntaxColors());

    settings.setSyntaxColor(std::nullopt, "name", false);
    EXPECT_EQ(posts.posts.size(), 3u);
    EXPECT_FALSE(defaults.contains("vell.syntaxColors/name.light"));
    EXPECT_EQ(AppSettings(defaults.open()).syntaxColors(),
              (AppSettings::SyntaxColors{{"name.dark", "#6FA0FF"}}));

    settings.resetSyntaxColors();
    EXPECT_EQ(posts.posts.size(), 4u);
    EXPECT_TRUE(settings.syntaxColors().empty());
    EXPECT_TRUE(AppSettings(defaults.open()).syntaxColors().empty());
    EXPECT_EQ(changed.count(), 4);
}

TEST(AppSettings, OnlyAcceptingTheTermsStoresTheirVersion) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    QSignalSpy changed(&settings, &AppSettings::changed);

    settings.acceptTerms();
    EXPECT_EQ(settings.acceptedTermsVersion(), 1);
    EXPECT_EQ(storedText(defaults, "vell.acceptedTermsVersion"), "1");
    settings.setAcceptedTermsVersion(5);
    EXPECT_EQ(settings.acceptedTermsVersion(), 5);
    EXPECT_EQ(storedText(defaults, "vell.acceptedTermsVersion"), "1");
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(AppSettings(defaults.open()).acceptedTermsVersion(), 1);
}

TEST(AppSettings, SharedStoresUseTheOneVellIniFile) {
    EngineSettingsScope scope;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());

    EXPECT_EQ(&AppSettings::shared(), &AppSettings::shared());
    EXPECT_EQ(UserDefaults::standard()->format(), QSettings::IniFormat);
    EXPECT_EQ(UserDefaults::standard()->fileName(), QDir(home.path()).filePath("Vell/Vell.ini"));
    AppSettings::shared().setTextSize(TextSizeSetting::large);
    KeyLayoutStore::shared().addBlank(KeyLayoutStore::Kind::units);

    const QSettings file(QDir(home.path()).filePath("Vell/Vell.ini"), QSettings::IniFormat);
    EXPECT_EQ(file.value("vell.textSize").toString(), "large");
    EXPECT_TRUE(file.contains("vell.keyLayout.units"));
}

} // namespace
} // namespace vell

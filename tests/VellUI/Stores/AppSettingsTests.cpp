#include "Engine/Evaluator.h"
#include "Engine/ValueFormatter.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/UserDefaults.h"
#include "Support/EngineSettingsScope.h"
#include "Support/TempDefaults.h"

#include <QDir>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace vell {
namespace {

using testsupport::EngineSettingsScope;
using testsupport::TempDefaults;

std::string storedText(const TempDefaults& defaults, const char* key) {
    return defaults.stored(key).toString().toStdString();
}

TEST(AppSettings, EmptyDefaultsGiveEveryDefaultAndSetTheEngine) {
    EngineSettingsScope scope;
    scope.setLanguage(AppLanguage::english);
    scope.setDegrees(true);
    scope.setMaxFractionDigits(3);
    TempDefaults defaults;

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
    // Loading writes nothing.
    EXPECT_TRUE(defaults.readFile().isEmpty());
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

TEST(AppSettings, LanguageIsInForceBeforeItsChangeIsAnnounced) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    std::vector<std::pair<std::string, AppLanguage>> seen;
    QObject::connect(&settings, &AppSettings::engineSettingsChanged,
                     [&] { seen.emplace_back("engine", EngineSettings::current().language); });
    QObject::connect(&settings, &AppSettings::languageChanged,
                     [&] { seen.emplace_back("language", EngineSettings::current().language); });

    settings.setLanguage(AppLanguage::english);
    settings.setLanguage(AppLanguage::japanese);

    EXPECT_EQ(seen, (std::vector<std::pair<std::string, AppLanguage>>{{"engine", AppLanguage::english},
                                                                      {"language", AppLanguage::english},
                                                                      {"engine", AppLanguage::japanese},
                                                                      {"language", AppLanguage::japanese}}));
    EXPECT_EQ(storedText(defaults, "vell.language"), "japanese");
}

// Every signal of the settings, by name, with a spy on it.
struct SettingSignals {
    explicit SettingSignals(AppSettings& settings) {
        const std::pair<const char*, void (AppSettings::*)()> all[] = {
            {"engine", &AppSettings::engineSettingsChanged},
            {"language", &AppSettings::languageChanged},
            {"font", &AppSettings::editorFontChanged},
            {"appearance", &AppSettings::appearanceChanged},
            {"syntaxColors", &AppSettings::syntaxColorsChanged},
            {"layout", &AppSettings::layoutChanged},
            {"resultWidth", &AppSettings::resultColumnWidthChanged},
            {"digitGrouping", &AppSettings::digitGroupingChanged},
            {"terms", &AppSettings::termsAcceptanceChanged},
            {"syncFolder", &AppSettings::syncFolderChanged},
        };
        for (const auto& [name, signal] : all)
            spies.emplace(name, std::make_unique<QSignalSpy>(&settings, signal));
    }
    // The names of the signals emitted since the last call, each with its count.
    std::map<std::string, int> take() {
        std::map<std::string, int> emitted;
        for (auto& [name, spy] : spies) {
            if (!spy->isEmpty()) emitted[name] = static_cast<int>(spy->count());
            spy->clear();
        }
        return emitted;
    }
    std::map<std::string, std::unique_ptr<QSignalSpy>> spies;
};

TEST(AppSettings, EveryAssignmentIsWrittenAndAnnouncedByItsKindEvenWithoutChange) {
    EngineSettingsScope scope;
    struct Case {
        const char* key;
        std::function<void(AppSettings&)> assign;
        std::map<std::string, int> emitted;
    };
    const Case cases[] = {
        {"vell.appearance", [](AppSettings& s) { s.setAppearance(s.appearance()); }, {{"appearance", 1}}},
        {"vell.keypadSize", [](AppSettings& s) { s.setKeypadSize(s.keypadSize()); }, {{"layout", 1}}},
        {"vell.keypadSide", [](AppSettings& s) { s.setKeypadSide(s.keypadSide()); }, {{"layout", 1}}},
        {"vell.sheetListStyle",
         [](AppSettings& s) { s.setSheetListStyle(s.sheetListStyle()); },
         {{"layout", 1}}},
        {"vell.showsNamedValues",
         [](AppSettings& s) { s.setShowsNamedValues(s.showsNamedValues()); },
         {{"layout", 1}}},
        {"vell.textSize", [](AppSettings& s) { s.setTextSize(s.textSize()); }, {{"font", 1}}},
        {"vell.resultColumnWidth",
         [](AppSettings& s) { s.setResultColumnWidth(s.resultColumnWidth()); },
         {{"resultWidth", 1}}},
        {"vell.maxFractionDigits",
         [](AppSettings& s) { s.setMaxFractionDigits(s.maxFractionDigits()); },
         {{"engine", 1}}},
        {"vell.angle", [](AppSettings& s) { s.setAngle(s.angle()); }, {{"engine", 1}}},
        {"vell.language",
         [](AppSettings& s) { s.setLanguage(s.language()); },
         {{"engine", 1}, {"language", 1}}},
        {"vell.groupsDigits",
         [](AppSettings& s) { s.setGroupsDigits(s.groupsDigits()); },
         {{"digitGrouping", 1}}},
        {"vell.hapticFeedback", [](AppSettings& s) { s.setHapticFeedback(s.hapticFeedback()); }, {}},
        {"vell.syncFolder",
         [](AppSettings& s) { s.setSyncFolder(QStringLiteral("/srv/sync")); },
         {{"syncFolder", 1}}},
        {"vell.syntaxColors",
         [](AppSettings& s) { s.setSyntaxColors(s.syntaxColors()); },
         {{"syntaxColors", 1}}},
    };
    for (const Case& c : cases) {
        TempDefaults defaults;
        AppSettings settings(defaults.open());
        SettingSignals announced(settings);
        c.assign(settings);
        EXPECT_EQ(announced.take(), c.emitted) << c.key;
        if (std::string_view(c.key) != "vell.syntaxColors") {
            EXPECT_TRUE(defaults.contains(c.key)) << c.key;
        }
    }

    TempDefaults defaults;
    AppSettings settings(defaults.open());
    settings.setKeypadSize(KeypadSizeSetting::small);
    EXPECT_EQ(settings.keypadFontScale(), 0.85);
    EXPECT_EQ(settings.keypadHeightMac(), 220);
}

TEST(AppSettings, SyntaxColorsChangeOnlyWhenTheyDiffer) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    SettingSignals announced(settings);

    EXPECT_EQ(AppSettings::syntaxColorKey("operatorMark", true), "operatorMark.dark");
    EXPECT_EQ(AppSettings::syntaxColorKey("number", false), "number.light");

    settings.resetSyntaxColors();
    settings.setSyntaxColor(std::nullopt, "number", false);
    EXPECT_TRUE(announced.take().empty());
    EXPECT_FALSE(defaults.readFile().contains("syntaxColors"));

    settings.setSyntaxColor("#2F6FED", "name", false);
    settings.setSyntaxColor("#6FA0FF", "name", true);
    settings.setSyntaxColor("#6FA0FF", "name", true); // already held
    EXPECT_EQ(announced.take(), (std::map<std::string, int>{{"syntaxColors", 2}}));
    EXPECT_EQ(settings.syntaxHex("name", false), "#2F6FED");
    EXPECT_EQ(settings.syntaxHex("name", true), "#6FA0FF");
    EXPECT_EQ(settings.syntaxHex("unit", true), std::nullopt);
    EXPECT_EQ(defaults.stored("vell.syntaxColors/name.light").toString(), "#2F6FED");
    EXPECT_EQ(AppSettings(defaults.open()).syntaxColors(), settings.syntaxColors());

    settings.setSyntaxColor(std::nullopt, "name", false);
    EXPECT_EQ(announced.take(), (std::map<std::string, int>{{"syntaxColors", 1}}));
    EXPECT_FALSE(defaults.contains("vell.syntaxColors/name.light"));
    EXPECT_EQ(AppSettings(defaults.open()).syntaxColors(),
              (AppSettings::SyntaxColors{{"name.dark", "#6FA0FF"}}));

    settings.resetSyntaxColors();
    EXPECT_EQ(announced.take(), (std::map<std::string, int>{{"syntaxColors", 1}}));
    EXPECT_TRUE(settings.syntaxColors().empty());
    EXPECT_TRUE(AppSettings(defaults.open()).syntaxColors().empty());
}

TEST(AppSettings, OnlyAcceptingTheTermsStoresTheirVersion) {
    EngineSettingsScope scope;
    TempDefaults defaults;
    AppSettings settings(defaults.open());
    SettingSignals announced(settings);

    settings.acceptTerms();
    EXPECT_EQ(settings.acceptedTermsVersion(), 1);
    EXPECT_EQ(storedText(defaults, "vell.acceptedTermsVersion"), "1");
    settings.setAcceptedTermsVersion(5);
    EXPECT_EQ(settings.acceptedTermsVersion(), 5);
    EXPECT_EQ(storedText(defaults, "vell.acceptedTermsVersion"), "1");
    EXPECT_EQ(announced.take(), (std::map<std::string, int>{{"terms", 2}}));
    EXPECT_EQ(AppSettings(defaults.open()).acceptedTermsVersion(), 1);
}

TEST(AppSettings, StoresOnTheStandardDefaultsUseTheOneVellIniFile) {
    EngineSettingsScope scope;
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());

    const std::shared_ptr<QSettings> defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->format(), QSettings::IniFormat);
    EXPECT_EQ(defaults->fileName(), QDir(home.path()).filePath("Vell/Vell.ini"));
    AppSettings settings(defaults);
    KeyLayoutStore keyLayouts(defaults);
    settings.setTextSize(TextSizeSetting::large);
    keyLayouts.addBlank(KeyLayoutStore::Kind::units);

    const QSettings file(QDir(home.path()).filePath("Vell/Vell.ini"), QSettings::IniFormat);
    EXPECT_EQ(file.value("vell.textSize").toString(), "large");
    EXPECT_TRUE(file.contains("vell.keyLayout.units"));
}

} // namespace
} // namespace vell

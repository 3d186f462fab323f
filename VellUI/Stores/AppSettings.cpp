#include "Stores/AppSettings.h"

#include "Engine/EngineSettings.h"
#include "Stores/QtText.h"
#include "Stores/UserDefaults.h"

#include <QSettings>
#include <algorithm>
#include <utility>

namespace vell {

namespace {

constexpr auto appearanceKey = "vell.appearance";
constexpr auto keypadSizeKey = "vell.keypadSize";
constexpr auto textSizeKey = "vell.textSize";
constexpr auto resultColumnWidthKey = "vell.resultColumnWidth";
constexpr auto maxFractionDigitsKey = "vell.maxFractionDigits";
constexpr auto angleKey = "vell.angle";
constexpr auto sheetListStyleKey = "vell.sheetListStyle";
constexpr auto showsNamedValuesKey = "vell.showsNamedValues";
constexpr auto syntaxColorsKey = "vell.syntaxColors";
constexpr auto keypadSideKey = "vell.keypadSide";
constexpr auto groupsDigitsKey = "vell.groupsDigits";
constexpr auto hapticFeedbackKey = "vell.hapticFeedback";
constexpr auto languageKey = "vell.language";
constexpr auto acceptedTermsVersionKey = "vell.acceptedTermsVersion";
constexpr auto syncFolderKey = "vell.syncFolder";

constexpr double minimumWidth = 84;
constexpr double maximumWidth = 560;
constexpr double defaultWidth = 180;

// The formatter is given at most ten decimals whatever the file says: a hand-edited -1 or 10^9 must
// not reach it.
constexpr std::int64_t engineFractionDigitsLimit = 10;

template <class E, class Parse>
E loadChoice(const QSettings& settings, const char* key, Parse parse, E fallback) {
    if (const auto text = UserDefaults::string(settings, key)) {
        if (const auto value = parse(text->toStdString())) return *value;
    }
    return fallback;
}

// The colours are a group of the INI file, one string per entry. A plain value under the key, a nested
// group or any entry that is not one string makes the whole dictionary unusable.
AppSettings::SyntaxColors loadSyntaxColors(QSettings& settings) {
    if (settings.contains(syntaxColorsKey)) return {};
    AppSettings::SyntaxColors colors;
    settings.beginGroup(syntaxColorsKey);
    bool usable = settings.childGroups().isEmpty();
    for (const QString& key : settings.childKeys()) {
        if (!usable) break;
        const auto text = UserDefaults::string(settings, key);
        if (!text)
            usable = false;
        else
            colors.emplace(key.toStdString(), text->toStdString());
    }
    settings.endGroup();
    if (!usable) return {};
    return colors;
}

} // namespace

AppSettings::AppSettings(std::shared_ptr<QSettings> defaults, QObject* parent)
    : QObject(parent), defaults_(std::move(defaults)) {
    load();
    copyToEngine();
}

AppSettings::~AppSettings() = default;

void AppSettings::load() {
    QSettings& settings = *defaults_;
    appearance_ =
        loadChoice(settings, appearanceKey, AppearanceSettings::fromRawValue, AppearanceSetting::dark);
    keypadSize_ =
        loadChoice(settings, keypadSizeKey, KeypadSizeSettings::fromRawValue, KeypadSizeSetting::large);
    textSize_ = loadChoice(settings, textSizeKey, TextSizeSettings::fromRawValue, TextSizeSetting::standard);
    resultColumnWidth_ =
        std::clamp(UserDefaults::finiteNumber(settings, resultColumnWidthKey).value_or(defaultWidth),
                   minimumWidth, maximumWidth);
    maxFractionDigits_ = UserDefaults::integer(settings, maxFractionDigitsKey).value_or(10);
    angle_ = loadChoice(settings, angleKey, AngleSettings::fromRawValue, AngleSetting::radians);
    sheetListStyle_ =
        loadChoice(settings, sheetListStyleKey, SheetListStyles::fromRawValue, SheetListStyle::both);
    showsNamedValues_ = UserDefaults::boolean(settings, showsNamedValuesKey).value_or(true);
    syntaxColors_ = loadSyntaxColors(settings);
    keypadSide_ = loadChoice(settings, keypadSideKey, KeypadSides::fromRawValue, KeypadSide::right);
    groupsDigits_ = UserDefaults::boolean(settings, groupsDigitsKey).value_or(true);
    hapticFeedback_ = UserDefaults::boolean(settings, hapticFeedbackKey).value_or(true);
    language_ = loadChoice(settings, languageKey, AppLanguages::fromRawValue, AppLanguage::system);
    acceptedTermsVersion_ = UserDefaults::integer(settings, acceptedTermsVersionKey).value_or(0);
    syncFolder_ = UserDefaults::string(settings, syncFolderKey);
}

void AppSettings::copyToEngine() const {
    EngineSettings::set({
        .language = language_,
        .degrees = angle_ == AngleSetting::degrees,
        .maxFractionDigits =
            static_cast<int>(std::clamp<std::int64_t>(maxFractionDigits_, 0, engineFractionDigitsLimit)),
    });
}

void AppSettings::writeText(const char* key, std::string_view text) {
    UserDefaults::write(*defaults_, key, fromU8(text));
}

void AppSettings::setAppearance(AppearanceSetting value) {
    appearance_ = value;
    writeText(appearanceKey, AppearanceSettings::rawValue(value));
    emit appearanceChanged();
}

void AppSettings::setKeypadSize(KeypadSizeSetting value) {
    keypadSize_ = value;
    writeText(keypadSizeKey, KeypadSizeSettings::rawValue(value));
    emit layoutChanged();
}

double AppSettings::keypadFontScale() const {
    switch (keypadSize_) {
    case KeypadSizeSetting::small:
        return 0.85;
    case KeypadSizeSetting::medium:
        return 1.0;
    case KeypadSizeSetting::large:
        return 1.1;
    }
    return 1.0;
}

double AppSettings::keypadHeightMac() const {
    switch (keypadSize_) {
    case KeypadSizeSetting::small:
        return 220;
    case KeypadSizeSetting::medium:
        return 260;
    case KeypadSizeSetting::large:
        return 300;
    }
    return 300;
}

void AppSettings::setTextSize(TextSizeSetting value) {
    textSize_ = value;
    writeText(textSizeKey, TextSizeSettings::rawValue(value));
    emit editorFontChanged();
}

void AppSettings::setResultColumnWidth(double value) {
    resultColumnWidth_ = value;
    UserDefaults::write(*defaults_, resultColumnWidthKey, UserDefaults::text(value));
    emit resultColumnWidthChanged();
}

void AppSettings::setMaxFractionDigits(std::int64_t value) {
    maxFractionDigits_ = value;
    UserDefaults::write(*defaults_, maxFractionDigitsKey, UserDefaults::text(value));
    copyToEngine();
    emit engineSettingsChanged();
}

void AppSettings::setAngle(AngleSetting value) {
    angle_ = value;
    writeText(angleKey, AngleSettings::rawValue(value));
    copyToEngine();
    emit engineSettingsChanged();
}

void AppSettings::setSheetListStyle(SheetListStyle value) {
    sheetListStyle_ = value;
    writeText(sheetListStyleKey, SheetListStyles::rawValue(value));
    emit layoutChanged();
}

void AppSettings::setShowsNamedValues(bool value) {
    showsNamedValues_ = value;
    UserDefaults::write(*defaults_, showsNamedValuesKey, value);
    emit layoutChanged();
}

void AppSettings::setSyntaxColors(SyntaxColors value) {
    syntaxColors_ = std::move(value);
    QSettings& settings = *defaults_;
    settings.remove(syntaxColorsKey);
    settings.beginGroup(syntaxColorsKey);
    for (const auto& [key, hex] : syntaxColors_)
        settings.setValue(QString::fromStdString(key), QString::fromStdString(hex));
    settings.endGroup();
    settings.sync();
    emit syntaxColorsChanged();
}

void AppSettings::setKeypadSide(KeypadSide value) {
    keypadSide_ = value;
    writeText(keypadSideKey, KeypadSides::rawValue(value));
    emit layoutChanged();
}

void AppSettings::setGroupsDigits(bool value) {
    groupsDigits_ = value;
    UserDefaults::write(*defaults_, groupsDigitsKey, value);
    emit digitGroupingChanged();
}

void AppSettings::setHapticFeedback(bool value) {
    hapticFeedback_ = value;
    UserDefaults::write(*defaults_, hapticFeedbackKey, value);
}

void AppSettings::setLanguage(AppLanguage value) {
    language_ = value;
    writeText(languageKey, AppLanguages::rawValue(value));
    // Observers build their messages in the new language.
    copyToEngine();
    emit engineSettingsChanged();
    emit languageChanged();
}

void AppSettings::setAcceptedTermsVersion(std::int64_t value) {
    acceptedTermsVersion_ = value;
    emit termsAcceptanceChanged();
}

void AppSettings::setSyncFolder(std::optional<QString> value) {
    syncFolder_ = std::move(value);
    if (syncFolder_)
        UserDefaults::write(*defaults_, syncFolderKey, *syncFolder_);
    else
        UserDefaults::remove(*defaults_, syncFolderKey);
    emit syncFolderChanged();
}

void AppSettings::acceptTerms() {
    setAcceptedTermsVersion(currentTermsVersion);
    UserDefaults::write(*defaults_, acceptedTermsVersionKey, UserDefaults::text(currentTermsVersion));
}

std::string AppSettings::syntaxColorKey(std::string_view syntaxKind, bool dark) {
    std::string key(syntaxKind);
    key += dark ? ".dark" : ".light";
    return key;
}

std::optional<std::string> AppSettings::syntaxHex(std::string_view syntaxKind, bool dark) const {
    const auto found = syntaxColors_.find(syntaxColorKey(syntaxKind, dark));
    if (found == syntaxColors_.end()) return std::nullopt;
    return found->second;
}

void AppSettings::setSyntaxColor(std::optional<std::string> hex, std::string_view syntaxKind, bool dark) {
    SyntaxColors colors = syntaxColors_;
    const std::string key = syntaxColorKey(syntaxKind, dark);
    if (hex)
        colors[key] = std::move(*hex);
    else
        colors.erase(key);
    if (colors == syntaxColors_) return;
    setSyntaxColors(std::move(colors));
}

void AppSettings::resetSyntaxColors() {
    if (syntaxColors_.empty()) return;
    setSyntaxColors({});
}

} // namespace vell

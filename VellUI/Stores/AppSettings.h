#pragma once

// Every user preference of the application: read from the user defaults at creation, written back
// the moment it is assigned, and kept in step with the engine-wide settings (language, degrees,
// fraction digits).

#include "Engine/L10n.h"
#include "Stores/Preferences.h"
#include "Terms/Terms.h"

#include <QObject>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

namespace vell {

class AppSettings : public QObject {
    Q_OBJECT

public:
    // The version of the terms of use that accepting them records.
    static constexpr std::int64_t currentTermsVersion = Terms::version;

    // Reads every preference from `defaults` and sets the engine-wide settings; writes and posts nothing.
    explicit AppSettings(std::shared_ptr<QSettings> defaults, QObject* parent = nullptr);
    ~AppSettings() override;

    // Every setter below stores, writes the user defaults at once and emits the signal of its kind of
    // change (see below), also when the value is the one already held.
    AppearanceSetting appearance() const { return appearance_; }
    void setAppearance(AppearanceSetting value);

    KeypadSizeSetting keypadSize() const { return keypadSize_; }
    void setKeypadSize(KeypadSizeSetting value);
    double keypadFontScale() const;
    double keypadHeightMac() const;

    TextSizeSetting textSize() const { return textSize_; }
    void setTextSize(TextSizeSetting value);

    // Points. Written as given; the bounds apply only when loading (ResultColumn::setWidth clamps).
    double resultColumnWidth() const { return resultColumnWidth_; }
    void setResultColumnWidth(double value);

    // Kept as stored; the engine's copy is held within 0...10.
    std::int64_t maxFractionDigits() const { return maxFractionDigits_; }
    void setMaxFractionDigits(std::int64_t value);

    AngleSetting angle() const { return angle_; }
    void setAngle(AngleSetting value);

    SheetListStyle sheetListStyle() const { return sheetListStyle_; }
    void setSheetListStyle(SheetListStyle value);

    bool showsNamedValues() const { return showsNamedValues_; }
    void setShowsNamedValues(bool value);

    // Key: a syntax class's raw value, "." and "light" or "dark"; value: a colour text such as "#2F6FED".
    using SyntaxColors = std::map<std::string, std::string>;
    const SyntaxColors& syntaxColors() const { return syntaxColors_; }
    void setSyntaxColors(SyntaxColors value);

    KeypadSide keypadSide() const { return keypadSide_; }
    void setKeypadSide(KeypadSide value);

    bool groupsDigits() const { return groupsDigits_; }
    void setGroupsDigits(bool value);

    // Announced by no signal: no view shows it.
    bool hapticFeedback() const { return hapticFeedback_; }
    void setHapticFeedback(bool value);

    AppLanguage language() const { return language_; }
    void setLanguage(AppLanguage value);

    // Only acceptTerms() writes it; a direct assignment lives in memory only.
    std::int64_t acceptedTermsVersion() const { return acceptedTermsVersion_; }
    void setAcceptedTermsVersion(std::int64_t value);
    void acceptTerms();

    // The folder that the user's file-sync tool keeps in step between computers; the document's shared
    // copy lives in it. None or empty: no sync. The document store reads it once, at its start.
    const std::optional<QString>& syncFolder() const { return syncFolder_; }
    // None removes the entry.
    void setSyncFolder(std::optional<QString> value);

    // `syntaxKind` is the raw value of a syntax class ("number", "operatorMark", ...).
    static std::string syntaxColorKey(std::string_view syntaxKind, bool dark);
    std::optional<std::string> syntaxHex(std::string_view syntaxKind, bool dark) const;
    // Nothing removes the entry. Writes and posts only when the colours really change.
    void setSyntaxColor(std::optional<std::string> hex, std::string_view syntaxKind, bool dark);
    void resetSyntaxColors();

signals:
    // One signal per kind of change, each emitted after the value, the user defaults and the engine
    // settings have taken it.

    // The language, the angle unit or the fraction digits: what every evaluation depends on.
    void engineSettingsChanged();
    // The language, after engineSettingsChanged: texts built on L10n read the new one.
    void languageChanged();
    // The editor's text size.
    void editorFontChanged();
    // The appearance preference (light, dark or auto); Appearance resolves it.
    void appearanceChanged();
    // The user's syntax colours; setSyntaxColor and resetSyntaxColors only when they really change.
    void syntaxColorsChanged();
    // The keypad's size or side, the sheet list style or the sidebar's named values.
    void layoutChanged();
    // The answer column's width.
    void resultColumnWidthChanged();
    // Digit grouping while typing; the editor reads it at each edit.
    void digitGroupingChanged();
    // The accepted version of the terms.
    void termsAcceptanceChanged();
    void syncFolderChanged();

private:
    void load();
    void copyToEngine() const;
    void writeText(const char* key, std::string_view text);

    std::shared_ptr<QSettings> defaults_;
    AppearanceSetting appearance_ = AppearanceSetting::dark;
    KeypadSizeSetting keypadSize_ = KeypadSizeSetting::large;
    TextSizeSetting textSize_ = TextSizeSetting::standard;
    double resultColumnWidth_ = 180;
    std::int64_t maxFractionDigits_ = 10;
    AngleSetting angle_ = AngleSetting::radians;
    SheetListStyle sheetListStyle_ = SheetListStyle::both;
    bool showsNamedValues_ = true;
    SyntaxColors syntaxColors_;
    KeypadSide keypadSide_ = KeypadSide::right;
    bool groupsDigits_ = true;
    bool hapticFeedback_ = true;
    AppLanguage language_ = AppLanguage::system;
    std::int64_t acceptedTermsVersion_ = 0;
    std::optional<QString> syncFolder_;
};

} // namespace vell

#pragma once

// The settings screen: every preference the user may change, each written at once through the
// settings object, so there is no Apply step; the sync folder; help and terms; and erasing all
// content after a confirmation. Every text follows the interface language at once. It lives in the
// window's settings dialog; help and terms open as dialogs above it.

#include "Dialogs/WindowDialog.h"

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vell {

class AppSettings;
class Appearance;
class Divider;
class DocumentStore;
class PromptDialog;
class SegmentedPicker;
class SheetSession;
class SyntaxColorSettings;

class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize preferredSize{460, 560};
    // The width the answer column's reset goes back to.
    static constexpr double standardColumnWidth = 180;

    struct Services {
        AppSettings& settings;
        Appearance& appearance;
        // The document's own file, which no sync folder may hold; none while it lives in memory only.
        std::optional<QString> documentPath = std::nullopt;
    };

    // Asks for a folder, starting at `start`; none when the user cancels.
    using FolderPicker =
        std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& start)>;
    static FolderPicker defaultFolderPicker();

    // Why a folder cannot be the sync folder, in the interface language; none when it can. A folder must
    // be an existing writable folder, and its "Vell/document.json" must not be `ownDocument`.
    static std::optional<QString> syncFolderProblem(const QString& folder,
                                                    const std::optional<QString>& ownDocument);

    // The store, the session and the services must outlive the view; `screens` makes the help and terms
    // it opens.
    SettingsView(DocumentStore& store, SheetSession& session, Services services, DialogBodyFactory screens,
                 QWidget* parent = nullptr);

    void setFolderPicker(FolderPicker picker) { folderPicker_ = std::move(picker); }

    // The width row's text: the width rounded half away from zero, then " pt".
    static QString widthText(double width);

    QLabel* title() const { return title_; }
    QPushButton* closeButton() const { return closeButton_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    SegmentedPicker* appearancePicker() const { return appearancePicker_; }
    SegmentedPicker* sheetListPicker() const { return sheetListPicker_; }
    QCheckBox* namedValuesToggle() const { return namedValuesToggle_; }
    SegmentedPicker* textSizePicker() const { return textSizePicker_; }
    QLabel* columnWidthLabel() const { return columnWidthLabel_; }
    QPushButton* resetWidthButton() const { return resetWidthButton_; }
    SegmentedPicker* keypadSizePicker() const { return keypadSizePicker_; }
    SegmentedPicker* keypadSidePicker() const { return keypadSidePicker_; }
    QCheckBox* groupDigitsToggle() const { return groupDigitsToggle_; }
    QComboBox* decimalsBox() const { return decimalsBox_; }
    SegmentedPicker* anglePicker() const { return anglePicker_; }
    SyntaxColorSettings* colors() const { return colors_; }
    QPushButton* helpButton() const { return helpButton_; }
    QPushButton* termsButton() const { return termsButton_; }
    SegmentedPicker* languagePicker() const { return languagePicker_; }
    // Shows the folder elided; its tooltip holds it whole.
    QLabel* syncFolderLabel() const { return syncFolderLabel_; }
    QPushButton* chooseFolderButton() const { return chooseFolderButton_; }
    QPushButton* clearFolderButton() const { return clearFolderButton_; }
    QPushButton* eraseButton() const { return eraseButton_; }

    // Open while asked, else none.
    PromptDialog* eraseConfirmation() const;
    QMessageBox* syncFolderRefusal() const;
    // The help or terms dialog opened from here while it is open, else none.
    WindowDialog* openScreen(WindowDialogKind kind) const;

    // What the buttons do.
    void resetColumnWidth();
    void chooseSyncFolder();
    // Stores the folder, or explains why it cannot be the sync folder and stores nothing.
    bool useSyncFolder(const QString& folder);
    void clearSyncFolder();
    void openHelp();
    void openTerms();
    void askToErase();

signals:
    // Close, or Escape.
    void closeRequested();
    // After all content was erased; the screen is done.
    void erased();

private:
    void build();
    QVBoxLayout* addSection(QVBoxLayout* page, QLabel** header, QLabel** footer);
    SegmentedPicker* captionRow(QVBoxLayout* group, QLabel** caption);
    void addHairline(QVBoxLayout* group);

    // Every text, option and tooltip in the interface language, and every control as stored.
    void refresh();
    void recolor();
    void syncColumnWidth();
    void showSyncFolder();
    void refuseSyncFolder(const QString& message);
    void open(WindowDialogKind kind);
    void eraseAll();

    DocumentStore& store_;
    SheetSession& session_;
    AppSettings& settings_;
    std::optional<QString> documentPath_;
    Appearance& appearance_;
    DialogBodyFactory screens_;
    FolderPicker folderPicker_;
    double columnWidth_ = standardColumnWidth;

    QLabel* title_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    Divider* divider_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    QWidget* page_ = nullptr;

    struct SectionTexts {
        QLabel* header = nullptr;
        QLabel* footer = nullptr;
    };
    SectionTexts display_, keypad_, calculation_, colorsSection_, help_, sync_, erase_;

    QLabel* appearanceCaption_ = nullptr;
    SegmentedPicker* appearancePicker_ = nullptr;
    QLabel* sheetListCaption_ = nullptr;
    SegmentedPicker* sheetListPicker_ = nullptr;
    QCheckBox* namedValuesToggle_ = nullptr;
    QLabel* textSizeCaption_ = nullptr;
    SegmentedPicker* textSizePicker_ = nullptr;
    QLabel* columnWidthTitle_ = nullptr;
    QLabel* columnWidthLabel_ = nullptr;
    QPushButton* resetWidthButton_ = nullptr;
    QLabel* keypadSizeCaption_ = nullptr;
    SegmentedPicker* keypadSizePicker_ = nullptr;
    QLabel* keypadSideCaption_ = nullptr;
    SegmentedPicker* keypadSidePicker_ = nullptr;
    QCheckBox* groupDigitsToggle_ = nullptr;
    QLabel* decimalsTitle_ = nullptr;
    QComboBox* decimalsBox_ = nullptr;
    QLabel* angleTitle_ = nullptr;
    SegmentedPicker* anglePicker_ = nullptr;
    SyntaxColorSettings* colors_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QPushButton* termsButton_ = nullptr;
    QLabel* languageCaption_ = nullptr;
    SegmentedPicker* languagePicker_ = nullptr;
    QLabel* syncFolderTitle_ = nullptr;
    QLabel* syncFolderLabel_ = nullptr;
    QPushButton* chooseFolderButton_ = nullptr;
    QPushButton* clearFolderButton_ = nullptr;
    QPushButton* eraseButton_ = nullptr;

    std::vector<QWidget*> groups_;
    std::vector<Divider*> hairlines_;
    std::vector<QLabel*> inkLabels_;
    std::vector<QLabel*> secondaryLabels_;
    std::vector<SegmentedPicker*> pickers_;

    QPointer<PromptDialog> eraseConfirmation_;
    QPointer<QMessageBox> syncFolderRefusal_;
    QPointer<WindowDialog> helpDialog_;
    QPointer<WindowDialog> termsDialog_;
};

} // namespace vell

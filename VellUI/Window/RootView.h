#pragma once

// The whole content of one main window: the sidebar beside the sheet column in a split view, or the
// sheet column alone, as the sheet-list preferences say; the window's settings, help and terms dialogs,
// with the terms shown as a gate until the current terms are accepted. It keeps no document state.

#include "Appearance/AppContext.h"
#include "Dialogs/WindowDialog.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>

class QSplitter;

namespace vell {

class AppSettings;
class DocumentStore;
class EditorCommands;
class Keypad;
class PromptDialog;
class SheetColumn;
class SheetSession;
class SidebarView;
class StorageNoticeList;

class RootView : public QWidget {
    Q_OBJECT

public:
    static constexpr int sidebarMinimumWidth = 190;
    static constexpr int sidebarIdealWidth = 220;
    static constexpr int sidebarMaximumWidth = 320;

    // The session is on the context's store.
    RootView(const AppContext& app, SheetSession& session, QWidget* parent = nullptr);

    DocumentStore& store() const { return store_; }
    SheetSession& session() const { return session_; }
    SheetColumn* column() const { return column_; }
    // Across the top: what the store says about saving and syncing.
    StorageNoticeList* storageNotices() const { return storageNotices_; }
    // The window's command route: its keypad, function menu and sidebar edit only this window's editor.
    EditorCommands& editorCommands() const { return *editorCommands_; }
    // None once the column was given another.
    Keypad* keypad() const;

    // True unless the style shows only tabs and the named values are hidden.
    static bool usesSplitView(const AppSettings& settings);
    bool usesSplitView() const;
    QSplitter* splitter() const { return splitter_; }
    // Holds the sidebar in the split view.
    QWidget* sidebarPlace() const { return sidebarPlace_; }
    SidebarView* sidebar() const { return sidebar_; }
    // This window's own choice, never stored; it counts only in the split view.
    bool isSidebarVisible() const { return sidebarVisible_; }
    void setSidebarVisible(bool visible);

    void openHelp();
    void openSettings();
    // Adds a sheet to the document and shows it in this window, where it was asked for; the other
    // windows keep their sheets.
    void newSheet();

    // The editor's requests for a line of this window's sheet.
    void toggleLock(qint64 line);
    // Asks for the line's name in a window-modal prompt, filled with its current name. OK names or renames
    // the line; a refused name is explained in a prompt of its own. The prompt goes when the window turns to
    // another sheet.
    void requestName(qint64 line);
    // This window's prompts while they are open, else none.
    PromptDialog* namingPrompt() const;
    PromptDialog* nameErrorPrompt() const;
    // Open in every window while the store asks whether to clear a sheet; answered in one, gone in all.
    PromptDialog* clearSheetPrompt() const;
    // Shows the terms gate while the accepted terms version is below the current one, closes it once it
    // is not; runs when the window first shows and on every change of the accepted version.
    void updateTermsGate();
    // Where the bodies of this window's settings, help and terms dialogs come from; given before the
    // window first shows. Without one, none of them opens.
    void setDialogBodies(DialogBodyFactory bodies);
    // The dialog of that kind while it is open, else none.
    WindowDialog* openDialog(WindowDialogKind kind) const;

signals:
    // The split view came or went.
    void layoutChanged(bool usesSplitView);
    void sidebarVisibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyLayout();
    void termsAcceptanceChanged();
    // Opens the kind's dialog with a fresh body unless it is open already or has no body.
    void present(WindowDialogKind kind, bool isGate);
    WindowDialog& dialogOf(WindowDialogKind kind);
    void commitLineName(qint64 line, const QString& name);
    void showNameError(const QString& message);
    // Opens the clear question while the store has one and none is open, closes it once the store has none.
    void updateClearSheetPrompt();
    static PromptDialog* openPrompt(const QPointer<PromptDialog>& prompt);

    DocumentStore& store_;
    SheetSession& session_;
    AppSettings& settings_;
    SheetColumn* column_;
    StorageNoticeList* storageNotices_;
    EditorCommands* editorCommands_;
    QPointer<Keypad> keypad_;
    QSplitter* splitter_;
    QWidget* sidebarPlace_;
    SidebarView* sidebar_;
    bool sidebarVisible_ = true;
    bool splitShown_ = false;
    bool appeared_ = false;
    std::int64_t acceptedTermsVersion_;
    DialogBodyFactory dialogBodies_;
    std::array<QPointer<WindowDialog>, 3> dialogs_;
    QPointer<PromptDialog> namingPrompt_;
    QPointer<PromptDialog> nameErrorPrompt_;
    QPointer<PromptDialog> clearSheetPrompt_;
};

} // namespace vell

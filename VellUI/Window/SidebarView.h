#pragma once

// The sidebar column of a main window: the sheets (picked, renamed in place, duplicated, deleted and
// reordered by dragging), the named values of the window's sheet (a click puts the name into this
// window's editor) and "New Sheet" pinned below. It keeps no copy of the document; its own state is
// the rename in progress.

#ifndef Q_MOC_RUN
// moc cannot read the standard headers these pull in; it needs nothing from them.
#include "Document/Uuid.h"
#endif

#include <QPointer>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QScrollArea;

namespace vell {

class Appearance;
class AppSettings;
class DocumentStore;
class EditorCommands;
class NamedValueModel;
class SheetListModel;
class SheetRowDelegate;
class SheetSession;

class SidebarView : public QWidget {
    Q_OBJECT

public:
    SidebarView(SheetSession& session, SheetListModel& sheets, AppSettings& settings, Appearance& appearance,
                EditorCommands& commands, QWidget* parent = nullptr);

    QLabel* sheetsHeader() const { return sheetsHeader_; }
    QListView* sheetList() const;
    QLabel* namedValuesHeader() const { return namedValuesHeader_; }
    QListView* namedValueList() const { return namedValueList_; }
    QAbstractButton* newSheetButton() const { return newSheetButton_; }
    SheetListModel& sheetModel() const { return *sheetModel_; }
    NamedValueModel& namedValueModel() const { return *namedValueModel_; }
    // Whether each section is part of the sidebar now (also while the sidebar itself is hidden).
    bool showsSheets() const;
    bool showsNamedValues() const;

    // The menu of a sheet row, built against the document as it is now: Rename, Duplicate and Delete.
    // The caller owns it.
    QMenu* makeContextMenu(const Uuid& sheetID, QWidget* parent = nullptr);

    void select(const Uuid& sheetID);
    // Opens the sheet's row as a name field with the focus; a rename open on another row is abandoned.
    void startRename(const Uuid& sheetID);
    // Closes the field; the sheet keeps its name.
    void cancelRename();
    const std::optional<Uuid>& renamingSheetID() const { return renamingSheetID_; }
    // The open name field, else none.
    QLineEdit* renameField() const;
    // Puts the row's name in at the caret of this window's editor.
    void insertNamedValue(int row);
    // Adds a sheet and shows it in this window.
    void addSheet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class SheetListView;

    void applySettings();
    void fitLists();
    void commitRename(QWidget* editor, const QString& text);
    void editorClosed(QWidget* editor);
    // Sheets went: a rename of one of them is over.
    void sheetsRemoved();

    DocumentStore& store_;
    SheetSession& session_;
    AppSettings& settings_;
    Appearance& appearance_;
    EditorCommands& commands_;
    SheetListModel* sheetModel_;
    NamedValueModel* namedValueModel_;
    SheetRowDelegate* sheetDelegate_;
    QScrollArea* scrollArea_;
    QLabel* sheetsHeader_;
    SheetListView* sheetList_;
    QLabel* namedValuesHeader_;
    QListView* namedValueList_;
    QAbstractButton* newSheetButton_;
    std::optional<Uuid> renamingSheetID_;
    QPointer<QWidget> renameEditor_;
};

} // namespace vell

#include "MainWindow.h"

#include "Appearance/Appearance.h"
#include "Engine/L10n.h"
#include "MenuEscape.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentStore.h"
#include "Stores/SheetListModel.h"
#include "Stores/SheetSession.h"
#include "Stores/ViewSwitches.h"
#include "Window/RootView.h"
#include "Window/ToolbarIcons.h"
#include "Window/VellWindow.h"
#include "Window/WindowFocusReporter.h"
#include "Window/WindowPalette.h"
#include "Window/WindowToolbar.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSizePolicy>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

namespace vell {

namespace {

constexpr std::size_t sheetsMenuLength = 9;

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QString label(std::string_view japanese, std::string_view english) {
    return qText(L10n::text(japanese, english));
}

} // namespace

MainWindow::MainWindow(const AppContext& app, OpenWindow openWindow, QWidget* parent)
    : QMainWindow(parent), app_(app), store_(app.store), openWindow_(std::move(openWindow)),
      session_(std::make_unique<SheetSession>(store_, app.evaluations)),
      rootView_(new RootView(app, *session_, this)), toolbar_(new QToolBar(this)),
      sidebarToggle_(new QAction(this)),
      focusReporter_(new WindowFocusReporter(*this, [this] { session_->focus(); })),
      fileMenu_(menuBar()->addMenu(QString())), editMenu_(menuBar()->addMenu(QString())),
      sheetsMenu_(menuBar()->addMenu(QString())), helpMenu_(menuBar()->addMenu(QString())) {
    setWindowTitle(QString());
    resize(VellWindow::defaultSize);
    setMinimumSize(VellWindow::minimumSize);
    setCentralWidget(rootView_);
    setContextMenuPolicy(Qt::NoContextMenu);

    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->toggleViewAction()->setVisible(false);
    toolbar_->setIconSize(QSize(ToolbarIcons::size, ToolbarIcons::size));
    addToolBar(Qt::TopToolBarArea, toolbar_);
    sidebarToggle_->setCheckable(true);
    sidebarToggle_->setChecked(rootView_->isSidebarVisible());
    toolbar_->addAction(sidebarToggle_);
    auto* spacer = new QWidget(toolbar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar_->addWidget(spacer);
    connect(sidebarToggle_, &QAction::triggered, this,
            [this](bool visible) { rootView_->setSidebarVisible(visible); });
    connect(rootView_, &RootView::sidebarVisibilityChanged, this, &MainWindow::updateSidebarToggle);
    connect(rootView_, &RootView::layoutChanged, this, &MainWindow::updateSidebarToggle);

    buildMenus();
    connect(session_.get(), &SheetSession::undoStateChanged, this, &MainWindow::updateHistoryActions);
    connect(qApp, &QApplication::focusChanged, this, &MainWindow::followFocusedField);
    updateHistoryActions();
    windowToolbar_ = new WindowToolbar(
        *toolbar_, *rootView_, WindowToolbar::Commands{action(Command::newSheet), action(Command::newWindow)},
        app_.settings, app_.switches);
    connect(&app_.settings, &AppSettings::languageChanged, this, &MainWindow::retranslate);
    // The Sheets menu follows the list's changes only.
    SheetListModel& sheets = app_.sheetList;
    connect(&sheets, &QAbstractItemModel::rowsInserted, this, &MainWindow::sheetListChanged);
    connect(&sheets, &QAbstractItemModel::rowsRemoved, this, &MainWindow::sheetListChanged);
    connect(&sheets, &QAbstractItemModel::rowsMoved, this, &MainWindow::sheetListChanged);
    connect(&sheets, &QAbstractItemModel::dataChanged, this, &MainWindow::sheetListChanged);
    connect(&sheets, &QAbstractItemModel::modelReset, this, &MainWindow::sheetListChanged);
    connect(&app_.appearance, &Appearance::changed, this, &MainWindow::applyAppearance);
    applyAppearance();
    retranslate();
}

MainWindow::~MainWindow() {
    // Children that go after the session and the actions (an open dialog) move the focus as they hide.
    disconnect(qApp, nullptr, this, nullptr);
    // The views hold the session; they go first.
    delete takeCentralWidget();
}

QAction* MainWindow::action(Command command) const {
    for (const auto& [each, action] : actions_)
        if (each == command) return action;
    return nullptr;
}

void MainWindow::reportFocusIfActive() {
    focusReporter_->reportIfActive();
}

void MainWindow::buildMenus() {
    const auto add = [this](QMenu* menu, Command command, const QKeySequence& shortcut, auto slot) {
        auto* action = menu->addAction(QString());
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        actions_.emplace_back(command, action);
    };
    add(fileMenu_, Command::newSheet, QKeySequence(Qt::CTRL | Qt::Key_N), [this] { newSheet(); });
    add(fileMenu_, Command::newWindow, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N), [this] {
        if (openWindow_) openWindow_();
    });
    fileMenu_->addSeparator();
    add(fileMenu_, Command::closeWindow, QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    add(fileMenu_, Command::quit, QKeySequence(Qt::CTRL | Qt::Key_Q), [] { QCoreApplication::quit(); });
    add(editMenu_, Command::undo, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoOrRedo(true); });
    add(editMenu_, Command::redo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
        [this] { undoOrRedo(false); });
    add(helpMenu_, Command::help, QKeySequence(Qt::CTRL | Qt::Key_Slash), [this] { rootView_->openHelp(); });
    action(Command::quit)->setMenuRole(QAction::QuitRole);
    rebuildSheetsMenu();
    MenuEscape::install(*menuBar());
}

void MainWindow::retranslate() {
    fileMenu_->setTitle(label("ファイル", "File"));
    editMenu_->setTitle(label("編集", "Edit"));
    sheetsMenu_->setTitle(label("シート", "Sheets"));
    helpMenu_->setTitle(label("ヘルプ", "Help"));
    action(Command::newSheet)->setText(label("新しいシート", "New Sheet"));
    action(Command::newWindow)->setText(label("新しいウインドウ", "New Window"));
    action(Command::closeWindow)->setText(label("ウインドウを閉じる", "Close Window"));
    action(Command::quit)->setText(label("終了", "Quit"));
    action(Command::undo)->setText(label("取り消す", "Undo"));
    action(Command::redo)->setText(label("やり直す", "Redo"));
    action(Command::help)->setText(label("Vell の使い方", "Vell Help"));
    updateSidebarToggle();
}

QString MainWindow::menuText(const std::string& text) {
    return qText(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::vector<std::pair<Uuid, std::string>> MainWindow::sheetsMenuSource() const {
    std::vector<std::pair<Uuid, std::string>> source;
    const SheetListModel& sheets = app_.sheetList;
    for (int row = 0; row < std::min(sheets.rowCount(), static_cast<int>(sheetsMenuLength)); ++row)
        source.emplace_back(*sheets.sheetID(row), sheets.storedName(row));
    return source;
}

void MainWindow::sheetListChanged() {
    if (sheetsMenuRebuildQueued_ || sheetsMenuSource() == sheetsMenuSource_) return;
    sheetsMenuRebuildQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        sheetsMenuRebuildQueued_ = false;
        rebuildSheetsMenu();
    });
}

void MainWindow::rebuildSheetsMenu() {
    sheetsMenu_->clear();
    sheetsMenuSource_ = sheetsMenuSource();
    for (std::size_t i = 0; i < sheetsMenuSource_.size(); ++i) {
        // Copied: a lambda cannot capture a structured binding in every compiler this builds with.
        const Uuid id = sheetsMenuSource_[i].first;
        QAction* item = sheetsMenu_->addAction(menuText(sheetsMenuSource_[i].second));
        item->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i))));
        item->setShortcutContext(Qt::WindowShortcut);
        connect(item, &QAction::triggered, this, [this, id] { selectSheetFromMenu(id); });
    }
}

void MainWindow::newSheet() {
    rootView_->newSheet();
}

void MainWindow::undoOrRedo(bool undo) {
    // A field being edited (a rename, a line name) has an undo history of its own.
    if (QLineEdit* field = focusedField()) {
        undo ? field->undo() : field->redo();
        return;
    }
    undo ? session_->undo() : session_->redo();
}

QLineEdit* MainWindow::focusedField() const {
    auto* field = qobject_cast<QLineEdit*>(focusWidget());
    return field && field->hasFocus() ? field : nullptr;
}

void MainWindow::followFocusedField() {
    QLineEdit* field = focusedField();
    if (field != historyField_) {
        if (historyField_) disconnect(historyField_, nullptr, this, nullptr);
        historyField_ = field;
        if (field) connect(field, &QLineEdit::textChanged, this, &MainWindow::updateHistoryActions);
    }
    updateHistoryActions();
}

void MainWindow::updateHistoryActions() {
    QLineEdit* field = focusedField();
    action(Command::undo)->setEnabled(field ? field->isUndoAvailable() : session_->canUndo());
    action(Command::redo)->setEnabled(field ? field->isRedoAvailable() : session_->canRedo());
}

void MainWindow::selectSheetFromMenu(const Uuid& id) {
    session_->select(id);
}

void MainWindow::applyAppearance() {
    setPalette(WindowPalette::make(app_.appearance.isDark()));
    updateSidebarToggle();
    update();
}

void MainWindow::updateSidebarToggle() {
    const bool split = rootView_->usesSplitView();
    const bool visible = rootView_->isSidebarVisible();
    sidebarToggle_->setVisible(split);
    sidebarToggle_->setChecked(visible);
    sidebarToggle_->setIcon(ToolbarIcons::sidebar(palette().color(QPalette::ButtonText)));
    sidebarToggle_->setText(visible ? label("サイドバーを隠す", "Hide the sidebar")
                                    : label("サイドバーを表示", "Show the sidebar"));
}

} // namespace vell

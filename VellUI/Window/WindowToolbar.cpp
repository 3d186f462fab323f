#include "Window/WindowToolbar.h"

#include "Engine/L10n.h"
#include "Keypad/Catalogs.h"
#include "Keypad/EditorCommands.h"
#include "Stores/AppSettings.h"
#include "Stores/SheetSession.h"
#include "Stores/UiText.h"
#include "Stores/ViewSwitches.h"
#include "Window/RootView.h"
#include "Window/ToolbarIcons.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QHoverEvent>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace vell {

namespace {

QString shortcutOf(const QAction* action) {
    return action ? action->shortcut().toString(QKeySequence::NativeText) : QString();
}

// "新しいシート（Ctrl+N）" / "New sheet (Ctrl+N)".
QString withShortcut(std::string_view japanese, std::string_view english, const QAction* action) {
    const QString keys = shortcutOf(action);
    if (keys.isEmpty()) return uiText(japanese, english);
    return L10n::isEnglish() ? uiText(japanese, english) + " (" + keys + ")"
                             : uiText(japanese, english) + "（" + keys + "）";
}

} // namespace

WindowToolbar::WindowToolbar(QToolBar& toolbar, RootView& root, Commands commands, AppSettings& settings,
                             ViewSwitches& switches)
    : QObject(&toolbar), toolbar_(toolbar), root_(root), commands_(commands), preferences_(settings),
      switches_(switches), graph_(new QAction(this)), newSheet_(new QAction(this)),
      newWindow_(new QAction(this)), keypad_(new QAction(this)), functionButton_(new QToolButton(&toolbar)),
      functionMenu_(new QMenu(functionButton_)), settingsItem_(new QAction(this)) {
    toolbar_.addAction(graph_);
    toolbar_.addAction(newSheet_);
    toolbar_.addAction(newWindow_);
    toolbar_.addAction(keypad_);
    functionButton_->setPopupMode(QToolButton::InstantPopup);
    functionButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    functionButton_->setMenu(functionMenu_);
    // The menu's arrow would crowd an icon-only bar; the button opens the menu on a click anyway.
    functionButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    functions_ = toolbar_.addWidget(functionButton_);
    toolbar_.addAction(settingsItem_);

    connect(graph_, &QAction::triggered, this, [this] { switches_.setShowGraph(!switches_.showGraph()); });
    connect(keypad_, &QAction::triggered, this, [this] { switches_.setShowKeypad(!switches_.showKeypad()); });
    connect(newSheet_, &QAction::triggered, this, [this] {
        if (commands_.newSheet) commands_.newSheet->trigger();
    });
    connect(newWindow_, &QAction::triggered, this, [this] {
        if (commands_.newWindow) commands_.newWindow->trigger();
    });
    connect(settingsItem_, &QAction::triggered, &root_, &RootView::openSettings);
    connect(functionMenu_, &QMenu::aboutToShow, this, &WindowToolbar::rebuildFunctionMenu);
    connect(functionMenu_, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, functionButton_, [this] { findPointer(); }); });

    connect(&switches_, &ViewSwitches::showGraphChanged, this, &WindowToolbar::refresh);
    connect(&switches_, &ViewSwitches::showKeypadChanged, this, &WindowToolbar::refresh);
    connect(&preferences_, &AppSettings::languageChanged, this, &WindowToolbar::refresh);
    connect(&root_.session(), &SheetSession::resultsChanged, this, &WindowToolbar::updateGraphVisibility);
    // The icons take the ink of the toolbar's palette, which follows light and dark.
    toolbar_.installEventFilter(this);
    updateGraphVisibility();
    refresh();
    rebuildFunctionMenu();
}

QString WindowToolbar::functionEntryText(const std::string& label, const std::string& note) {
    return QString::fromStdString(label + " \u2014 " + note).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void WindowToolbar::findPointer() {
    // The open menu held the pointer: the button was not told the pointer left it and would stay
    // highlighted until the pointer passed over it again.
    QToolButton& button = *functionButton_;
    const QPoint pointer = button.mapFromGlobal(QCursor::pos());
    if (!button.underMouse() || button.rect().contains(pointer)) return;
    button.setAttribute(Qt::WA_UnderMouse, false);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    QHoverEvent hoverLeave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), pointer);
    QCoreApplication::sendEvent(&button, &hoverLeave);
    button.update();
}

bool WindowToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &toolbar_ && event->type() == QEvent::PaletteChange) refresh();
    return QObject::eventFilter(watched, event);
}

// One submenu per catalog group: the whole catalog in one list would stand taller than a screen.
void WindowToolbar::rebuildFunctionMenu() {
    // The menu holds the submenus' actions but not the submenus themselves.
    std::vector<QMenu*> old;
    for (QAction* action : functionMenu_->actions())
        if (QMenu* submenu = action->menu()) old.push_back(submenu);
    functionMenu_->clear();
    for (QMenu* submenu : old)
        delete submenu;
    for (const CatalogGroup& group : FunctionCatalog::categories()) {
        QMenu* submenu = functionMenu_->addMenu(
            QString::fromStdString(group.title).replace(QLatin1Char('&'), QStringLiteral("&&")));
        for (const FunctionItem& item : group.items) {
            QAction* entry = submenu->addAction(functionEntryText(item.label, item.note));
            const InsertSnippet snippet{item.snippet, item.caretBack, false};
            connect(entry, &QAction::triggered, this,
                    [this, snippet] { emit root_.editorCommands().insertSnippet(snippet); });
        }
    }
}

void WindowToolbar::updateGraphVisibility() {
    graph_->setVisible(root_.session().hasPlots());
}

void WindowToolbar::refresh() {
    const QColor ink = toolbar_.palette().color(QPalette::ButtonText);
    const bool graphShown = switches_.showGraph();
    const bool keypadShown = switches_.showKeypad();

    graph_->setText(uiText("グラフ", "Graph"));
    graph_->setIcon(ToolbarIcons::graph(ink, graphShown));
    graph_->setToolTip(graphShown ? uiText("グラフを隠す", "Hide the graph")
                                  : uiText("グラフを表示", "Show the graph"));

    newSheet_->setText(uiText("新しいシート", "New Sheet"));
    newSheet_->setIcon(ToolbarIcons::newSheet(ink));
    newSheet_->setToolTip(withShortcut("新しいシート", "New sheet", commands_.newSheet));

    newWindow_->setText(uiText("新しいウインドウ", "New Window"));
    newWindow_->setIcon(ToolbarIcons::newWindow(ink));
    newWindow_->setToolTip(withShortcut("新しいウインドウ", "New window", commands_.newWindow));

    keypad_->setText(uiText("キーパッド", "Keypad"));
    keypad_->setIcon(ToolbarIcons::keypad(ink, keypadShown));
    keypad_->setToolTip(keypadShown ? uiText("キーパッドを隠す", "Hide the keypad")
                                    : uiText("キーパッドを表示", "Show the keypad"));

    functionButton_->setText(uiText("関数", "Functions"));
    functionButton_->setIcon(ToolbarIcons::functions(ink));
    functionButton_->setToolTip(uiText("関数をカーソル位置に挿入", "Insert a function at the cursor"));

    settingsItem_->setText(uiText("設定", "Settings"));
    settingsItem_->setIcon(ToolbarIcons::settings(ink));
    settingsItem_->setToolTip(uiText("設定", "Settings"));
}

} // namespace vell

#include "Window/RootView.h"

#include "Appearance/Appearance.h"
#include "Dialogs/PromptDialog.h"
#include "Engine/L10n.h"
#include "Keypad/EditorCommands.h"
#include "Keypad/Keypad.h"
#include "LineRules/LineEditor.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/AppSettings.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentStore.h"
#include "Stores/Preferences.h"
#include "Stores/SheetSession.h"
#include "Stores/UiText.h"
#include "Stores/ViewSwitches.h"
#include "Unicode/Unicode.h"
#include "Window/SheetColumn.h"
#include "Window/SidebarView.h"
#include "Window/StorageNoticeList.h"

#include <QKeySequence>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace vell {

namespace {

std::size_t indexOf(WindowDialogKind kind) {
    return static_cast<std::size_t>(kind);
}

} // namespace

RootView::RootView(const AppContext& app, SheetSession& session, QWidget* parent)
    : QWidget(parent), store_(app.store), session_(session), settings_(app.settings),
      column_(new SheetColumn(session, app.sheetList, app.settings, app.switches, app.appearance, this)),
      storageNotices_(new StorageNoticeList(app.saver.notices(), app.appearance, this)),
      editorCommands_(new EditorCommands(this)), splitter_(new QSplitter(Qt::Horizontal, this)),
      sidebarPlace_(new QWidget(splitter_)),
      sidebar_(new SidebarView(session, app.sheetList, app.settings, app.appearance, *editorCommands_,
                               sidebarPlace_)),
      acceptedTermsVersion_(app.settings.acceptedTermsVersion()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(storageNotices_);
    // The notices take the height their text needs; the rest is the sheet's.
    layout->addWidget(splitter_, 1);

    auto* sidebarLayout = new QVBoxLayout(sidebarPlace_);
    sidebarLayout->setContentsMargins(0, 0, 0, 0);
    sidebarLayout->setSpacing(0);
    sidebarLayout->addWidget(sidebar_);
    sidebarPlace_->setMinimumWidth(sidebarMinimumWidth);
    sidebarPlace_->setMaximumWidth(sidebarMaximumWidth);
    splitter_->addWidget(sidebarPlace_);
    splitter_->setChildrenCollapsible(false);
    splitter_->setHandleWidth(1);

    if (SheetEditor* editor = column_->sheetEditor()) {
        connect(editor, &SheetEditor::onToggleLock, this, &RootView::toggleLock);
        connect(editor, &SheetEditor::onRequestName, this, &RootView::requestName);
        editor->takeCommands(*editorCommands_);
    }
    keypad_ = new Keypad(*editorCommands_, session,
                         Keypad::Services{app.settings, app.switches, app.appearance, app.keyLayouts});
    column_->setKeypad(keypad_);
    connect(&settings_, &AppSettings::layoutChanged, this, &RootView::applyLayout);
    connect(&settings_, &AppSettings::termsAcceptanceChanged, this, &RootView::termsAcceptanceChanged);
    connect(&store_, &DocumentStore::clearSheetPromptChanged, this, &RootView::updateClearSheetPrompt);
    applyLayout();
}

Keypad* RootView::keypad() const {
    return keypad_;
}

bool RootView::usesSplitView(const AppSettings& settings) {
    if (settings.sheetListStyle() != SheetListStyle::tabs) return true;
    return settings.showsNamedValues();
}

bool RootView::usesSplitView() const {
    return usesSplitView(settings_);
}

void RootView::setSidebarVisible(bool visible) {
    if (visible == sidebarVisible_) return;
    sidebarVisible_ = visible;
    sidebarPlace_->setVisible(visible);
    emit sidebarVisibilityChanged(visible);
}

void RootView::applyLayout() {
    const bool split = usesSplitView();
    // The column is made a child of the root view before it has a place in either layout.
    const bool placed = split ? column_->parentWidget() == splitter_ : layout()->indexOf(column_) >= 0;
    if (split == splitShown_ && placed) return;
    splitShown_ = split;
    // The column moves between the two layouts and is never rebuilt, so the editor keeps its caret,
    // selection and scroll position.
    if (split) {
        splitter_->addWidget(column_);
        splitter_->setStretchFactor(0, 0);
        splitter_->setStretchFactor(1, 1);
        sidebarPlace_->setVisible(sidebarVisible_);
        const int total = std::max(width(), sidebarIdealWidth * 2);
        splitter_->setSizes({sidebarIdealWidth, total - sidebarIdealWidth});
        splitter_->show();
    } else {
        static_cast<QVBoxLayout*>(layout())->addWidget(column_, 1);
        splitter_->hide();
    }
    column_->show();
    emit layoutChanged(split);
}

void RootView::termsAcceptanceChanged() {
    if (settings_.acceptedTermsVersion() != acceptedTermsVersion_) {
        acceptedTermsVersion_ = settings_.acceptedTermsVersion();
        updateTermsGate();
    }
}

void RootView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (appeared_) return;
    appeared_ = true;
    // A window-modal dialog needs its window on screen first.
    QTimer::singleShot(0, this, [this] {
        updateTermsGate();
        updateClearSheetPrompt();
    });
}

void RootView::openHelp() {
    present(WindowDialogKind::help, false);
}

void RootView::openSettings() {
    present(WindowDialogKind::settings, false);
}

void RootView::newSheet() {
    session_.addSheet();
}

void RootView::toggleLock(qint64 line) {
    session_.toggleLock(line);
}

void RootView::requestName(qint64 line) {
    // The window's own sheet, which need not be the selected one while another window is active.
    const auto sheetID = session_.sheetID();
    const auto current = LineEditor::name(unicode::toUtf16(session_.sheet().text), line);
    if (namingPrompt_) namingPrompt_->dismiss();

    auto* prompt = new PromptDialog(*window());
    if (current) {
        prompt->setTitle(uiText("名前を変える", "Rename"));
        prompt->setMessage(uiText("名前を変えると、その名前を使っている行もまとめて変わります。",
                                  "Renaming also updates every line that uses this name."));
    } else {
        prompt->setTitle(uiText("この行に名前を付ける", "Name This Line"));
        prompt->setMessage(uiText("名前を付けると、ほかの行から呼び出せます。",
                                  "A named value can be used from any other line."));
    }
    prompt->setField(uiText("名前", "Name"),
                     current ? QString::fromStdString(unicode::fromUtf16(*current)) : QString());
    prompt->addButton(uiText("決定", "OK"), PromptDialog::Role::accept);
    prompt->addButton(uiText("キャンセル", "Cancel"), PromptDialog::Role::cancel);
    connect(prompt, &PromptDialog::answered, this,
            [this, line](PromptDialog::Role role, const QString& name) {
                if (role == PromptDialog::Role::accept) commitLineName(line, name);
            });
    // The line number means nothing on another sheet.
    connect(&session_, &SheetSession::sheetIDChanged, prompt, [this, prompt, sheetID] {
        if (session_.sheetID() != sheetID) prompt->dismiss();
    });
    namingPrompt_ = prompt;
    prompt->open();
}

void RootView::commitLineName(qint64 line, const QString& name) {
    if (const auto problem = session_.setName(line, name.toStdString()))
        showNameError(QString::fromStdString(*problem));
}

void RootView::showNameError(const QString& message) {
    if (nameErrorPrompt_) nameErrorPrompt_->dismiss();
    auto* prompt = new PromptDialog(*window());
    prompt->setTitle(uiText("名前を付けられません", "Can’t Use This Name"));
    prompt->setMessage(message);
    prompt->addButton(QStringLiteral("OK"), PromptDialog::Role::cancel);
    nameErrorPrompt_ = prompt;
    prompt->open();
}

void RootView::updateClearSheetPrompt() {
    if (!appeared_) return;
    const auto& sheetName = store_.clearSheetPrompt();
    if (!sheetName) {
        if (clearSheetPrompt_) clearSheetPrompt_->dismiss();
        return;
    }
    const QString name = QString::fromStdString(*sheetName);
    // arg() puts the name in once and reads nothing in it, so a "%1" in a name stays as typed.
    const QString title = uiText("「%1」の内容を消しますか？", "Clear “%1”?").arg(name);
    // A second request while the question is open asks about the sheet selected then.
    if (PromptDialog* open = openPrompt(clearSheetPrompt_)) {
        open->setTitle(title);
        return;
    }
    const QString undo = QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText);
    auto* prompt = new PromptDialog(*window());
    prompt->setTitle(title);
    prompt->setMessage(uiText("このシートの中身だけを消します。ほかのシートはそのままです。"
                              "元に戻す（↩︎・%1）で戻せます。",
                              "Only this sheet is cleared; your other sheets are untouched. "
                              "You can undo it (↩︎ or %1).")
                           .arg(undo));
    prompt->addButton(uiText("消す", "Clear"), PromptDialog::Role::destructive);
    prompt->addButton(uiText("キャンセル", "Cancel"), PromptDialog::Role::cancel);
    connect(prompt, &PromptDialog::answered, this, [this](PromptDialog::Role role) {
        if (role == PromptDialog::Role::destructive)
            store_.confirmClearSheet();
        else
            store_.setClearSheetPrompt(std::nullopt);
    });
    clearSheetPrompt_ = prompt;
    prompt->open();
}

PromptDialog* RootView::openPrompt(const QPointer<PromptDialog>& prompt) {
    return prompt && prompt->isVisible() ? prompt.data() : nullptr;
}

PromptDialog* RootView::namingPrompt() const {
    return openPrompt(namingPrompt_);
}

PromptDialog* RootView::nameErrorPrompt() const {
    return openPrompt(nameErrorPrompt_);
}

PromptDialog* RootView::clearSheetPrompt() const {
    return openPrompt(clearSheetPrompt_);
}

void RootView::updateTermsGate() {
    if (!appeared_) return;
    const bool gate = settings_.acceptedTermsVersion() < AppSettings::currentTermsVersion;
    if (gate) {
        present(WindowDialogKind::terms, true);
    } else if (WindowDialog* terms = openDialog(WindowDialogKind::terms)) {
        terms->dismiss();
    }
}

void RootView::setDialogBodies(DialogBodyFactory bodies) {
    dialogBodies_ = std::move(bodies);
}

WindowDialog* RootView::openDialog(WindowDialogKind kind) const {
    WindowDialog* dialog = dialogs_[indexOf(kind)];
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

WindowDialog& RootView::dialogOf(WindowDialogKind kind) {
    QPointer<WindowDialog>& dialog = dialogs_[indexOf(kind)];
    if (!dialog) dialog = new WindowDialog(kind, *window());
    return *dialog;
}

void RootView::present(WindowDialogKind kind, bool isGate) {
    if (!dialogBodies_ || openDialog(kind)) return;
    WindowDialog& dialog = dialogOf(kind);
    QWidget* body = dialogBodies_(kind, WindowDialogContext{store_, session_, dialog, isGate});
    if (!body) return;
    dialog.present(body, !isGate);
}

} // namespace vell

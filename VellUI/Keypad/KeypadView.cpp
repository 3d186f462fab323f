#include "Keypad/KeypadView.h"

#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "Engine/L10n.h"
#include "Keypad/CatalogPanel.h"
#include "Keypad/CatalogPanelPlace.h"
#include "Keypad/KeyGridView.h"
#include "Keypad/KeySets.h"
#include "Keypad/KeypadToolButtons.h"
#include "Stores/AppSettings.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/UiText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace vell {

namespace {

constexpr int outerMargin = 8;
constexpr int rowSpacing = 6;
constexpr int keyAreaSpacing = 8;
constexpr int keyAreaBottom = 4;

QString shortcutText(QKeyCombination keys) {
    return QKeySequence(keys).toString(QKeySequence::NativeText);
}

} // namespace

// The grid at the preferred side, as wide as it may be (at most 560); the open panel at the other side
// in what the grid leaves, at most 300 but never narrower than its labels need; free space between
// them. Where the grid would then be too small to use, the panel takes the whole key area instead.
class KeypadView::KeyArea : public QWidget {
public:
    KeyArea(KeyGridView* grid, CatalogPanelPlace* panel, QWidget* parent)
        : QWidget(parent), grid_(grid), panel_(panel) {
        grid_->setParent(this);
        panel_->setParent(this);
    }

    void setSide(KeypadSide side) {
        side_ = side;
        place();
    }

    void place() {
        const int available = std::max(0, width() - 2 * outerMargin);
        const int height = std::max(0, this->height() - keyAreaBottom);
        const bool panelOpen = panel_->spec().has_value();
        const int panelMinimum = panelOpen ? std::max(0, panel_->minimumSizeHint().width()) : 0;
        const int gaps = panelOpen ? 2 * keyAreaSpacing : keyAreaSpacing;
        const int gridWidth = std::clamp(available - gaps - panelMinimum, 0, KeyGridView::maximumWidth);
        const bool covers = panelOpen && gridWidth < KeyGridView::minimumUsableWidth;
        const int left = outerMargin;
        const int right = outerMargin + available;
        if (covers) {
            grid_->setGeometry(side_ == KeypadSide::left ? left : right - gridWidth, 0, gridWidth, height);
            panel_->setGeometry(left, 0, available, height);
        } else {
            const int panelWidth =
                panelOpen ? std::clamp(available - gaps - gridWidth, std::min(panelMinimum, available),
                                       std::max(panelMinimum, int(CatalogPanelPlace::maximumWidth)))
                          : 0;
            if (side_ == KeypadSide::left) {
                grid_->setGeometry(left, 0, gridWidth, height);
                panel_->setGeometry(right - panelWidth, 0, panelWidth, height);
            } else {
                panel_->setGeometry(left, 0, panelWidth, height);
                grid_->setGeometry(right - gridWidth, 0, gridWidth, height);
            }
        }
        grid_->setVisible(!covers);
        panel_->setVisible(panelOpen);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        place();
    }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest) place();
        return QWidget::event(event);
    }

private:
    KeyGridView* grid_;
    CatalogPanelPlace* panel_;
    KeypadSide side_ = KeypadSide::right;
};

KeypadView::KeypadView(Callbacks callbacks, Services services, QWidget* parent)
    : QWidget(parent), callbacks_(std::move(callbacks)), settings_(services.settings),
      appearance_(services.appearance), keyLayouts_(services.keyLayouts),
      catalogTiming_(services.catalogTiming) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, outerMargin, 0, 0);
    column->setSpacing(rowSpacing);

    // Tool row.
    auto* toolRow = new QHBoxLayout;
    toolRow->setContentsMargins(outerMargin, 0, outerMargin, 0);
    toolRow->setSpacing(rowSpacing);
    column->addLayout(toolRow);

    tokenStrip_ = new QScrollArea(this);
    tokenStrip_->setFrameShape(QFrame::NoFrame);
    tokenStrip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tokenStrip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tokenStrip_->setWidgetResizable(true);
    tokenStrip_->setFocusPolicy(Qt::NoFocus);
    tokenStrip_->setFixedHeight(ToolButton::faceHeight + 1);
    tokenStrip_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tokenStrip_->viewport()->setAutoFillBackground(false);
    auto* tokens = new QWidget;
    tokens->setAutoFillBackground(false);
    auto* tokenRow = new QHBoxLayout(tokens);
    tokenRow->setContentsMargins(2, 0, 2, 0);
    tokenRow->setSpacing(rowSpacing);
    for (const KeypadToken& token : KeySets::tokens()) {
        auto* key = new KeyButton(token.key(), KeyButton::Face::token, appearance_, services.timing, tokens);
        key->setOnKey([this](const KeypadKey& pressed) {
            if (callbacks_.onKey) callbacks_.onKey(pressed);
        });
        tokenRow->addWidget(key);
        tokenKeys_.push_back(key);
    }
    tokenRow->addStretch(1);
    tokenStrip_->setWidget(tokens);
    toolRow->addWidget(tokenStrip_, 1);

    functionsToggle_ = new PanelToggle(appearance_, this);
    unitsToggle_ = new PanelToggle(appearance_, this);
    connect(functionsToggle_, &QAbstractButton::clicked, this, [this] { togglePanel(KeypadTab::functions); });
    connect(unitsToggle_, &QAbstractButton::clicked, this, [this] { togglePanel(KeypadTab::units); });
    toolRow->addWidget(functionsToggle_);
    toolRow->addWidget(unitsToggle_);

    if (callbacks_.onUndo) {
        undoButton_ = new HistoryButton(QStringLiteral("↩\uFE0E"), appearance_, this);
        connect(undoButton_, &QAbstractButton::clicked, this, [this] { callbacks_.onUndo(); });
        toolRow->addWidget(undoButton_);
    }
    if (callbacks_.onRedo) {
        redoButton_ = new HistoryButton(QStringLiteral("↪\uFE0E"), appearance_, this);
        connect(redoButton_, &QAbstractButton::clicked, this, [this] { callbacks_.onRedo(); });
        toolRow->addWidget(redoButton_);
    }
    if (callbacks_.onHide) {
        hideButton_ = new HideButton(appearance_, this);
        connect(hideButton_, &QAbstractButton::clicked, this, [this] { callbacks_.onHide(); });
        toolRow->addWidget(hideButton_);
    }

    // Key area.
    grid_ = new KeyGridView(appearance_, services.timing);
    grid_->setOnKey([this](const KeypadKey& key) { gridKey(key); });
    panelPlace_ = new CatalogPanelPlace;
    keyArea_ = new KeyArea(grid_, panelPlace_, this);
    column->addWidget(keyArea_, 1);
    connect(panelPlace_, &CatalogPanelPlace::specChanged, this, &KeypadView::showPanel);
    connect(panelPlace_, &CatalogPanelPlace::specChanged, keyArea_, &KeyArea::place);

    connect(&settings_, &AppSettings::layoutChanged, this, [this] {
        applySettings();
        keyArea_->place();
    });
    connect(&settings_, &AppSettings::languageChanged, this, [this] {
        retranslate();
        fitTokens();
        updateGeometry();
        keyArea_->place();
    });
    connect(&appearance_, &Appearance::changed, this, [this] { update(); });

    setOpenPanelRaw({});
    applySettings();
    retranslate();
    setHistory(false, false);
    // Never narrower than its keys drawn close: a key the strip cut off could not be reached.
    tokenStrip_->setMinimumWidth(tokensWidth(true));
}

PanelToggle& KeypadView::panelToggle(KeypadTab tab) const {
    return tab == KeypadTab::units ? *unitsToggle_ : *functionsToggle_;
}

CatalogPanel* KeypadView::catalogPanel() const {
    return qobject_cast<CatalogPanel*>(panelPlace_->content());
}

// A new panel for every change of the open one: arranging never carries over.
void KeypadView::showPanel() {
    const std::optional<CatalogPanelSpec>& spec = panelPlace_->spec();
    if (!spec) {
        panelPlace_->setContent(nullptr);
        return;
    }
    auto* panel =
        new CatalogPanel(*spec, CatalogPanel::Services{keyLayouts_, settings_, appearance_, catalogTiming_});
    panel->setOnKey([this](const KeypadKey& key) {
        if (callbacks_.onKey) callbacks_.onKey(key);
    });
    panelPlace_->setContent(panel);
}

bool KeypadView::cursorMode() const {
    return grid_->cursorMode();
}

void KeypadView::setOpenPanelRaw(std::string raw) {
    openPanelRaw_ = std::move(raw);
    functionsToggle_->setOpen(openPanelRaw_ == KeypadTabs::rawValue(KeypadTab::functions));
    unitsToggle_->setOpen(openPanelRaw_ == KeypadTabs::rawValue(KeypadTab::units));
    panelPlace_->setSpec(CatalogPanelSpec::forStoredValue(openPanelRaw_));
    retranslate();
}

void KeypadView::gridKey(const KeypadKey& key) {
    if (key.is<KeypadKey::CursorToggle>()) {
        grid_->setCursorMode(!grid_->cursorMode());
        return;
    }
    if (callbacks_.onKey) callbacks_.onKey(key);
}

void KeypadView::togglePanel(KeypadTab tab) {
    const std::string_view raw = KeypadTabs::rawValue(tab);
    const std::string value = openPanelRaw_ == raw ? std::string() : std::string(raw);
    if (callbacks_.onOpenPanel)
        callbacks_.onOpenPanel(value);
    else
        setOpenPanelRaw(value);
}

void KeypadView::applySettings() {
    keyArea_->setSide(settings_.keypadSide());
    grid_->setFontScale(settings_.keypadFontScale());
}

void KeypadView::retranslate() {
    for (const KeypadTab tab : {KeypadTab::functions, KeypadTab::units}) {
        PanelToggle& toggle = panelToggle(tab);
        const std::string name = KeypadTabs::displayName(tab);
        toggle.setName(QString::fromStdString(name));
        const QString tip = toggle.isOpen() ? uiText(name + "の一覧を閉じる", "Close the " + name + " list")
                                            : uiText(name + "の一覧を開く", "Open the " + name + " list");
        toggle.setToolTip(tip);
        toggle.setAccessibleName(QString::fromStdString(name));
        toggle.setAccessibleDescription(tip);
    }
    if (undoButton_) {
        const QString keys = shortcutText(Qt::CTRL | Qt::Key_Z);
        undoButton_->setToolTip(uiText("元に戻す（", "Undo (") + keys + uiText("）", ")"));
        undoButton_->setAccessibleName(uiText("元に戻す", "Undo"));
    }
    if (redoButton_) {
        const QString keys = shortcutText(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        redoButton_->setToolTip(uiText("やり直す（", "Redo (") + keys + uiText("）", ")"));
        redoButton_->setAccessibleName(uiText("やり直す", "Redo"));
    }
    if (hideButton_) {
        hideButton_->setToolTip(uiText("入力部分を隠す", "Hide the keypad"));
        hideButton_->setAccessibleName(uiText("入力部分を隠す", "Hide the keypad"));
    }
}

void KeypadView::setHistory(bool canUndo, bool canRedo) {
    // A button repaints itself when it turns on or off.
    if (undoButton_) undoButton_->setEnabled(canUndo);
    if (redoButton_) redoButton_->setEnabled(canRedo);
}

void KeypadView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Theme::windowBackground.resolve(appearance_.isDark()));
}

int KeypadView::tokensWidth(bool compact) const {
    const int padding = compact ? KeyButton::compactTokenPadding : KeyButton::tokenPadding;
    const QMargins margins = tokenStrip_->widget()->layout()->contentsMargins();
    int width = margins.left() + margins.right() + rowSpacing * std::max(0, int(tokenKeys_.size()) - 1);
    for (const KeyButton* key : tokenKeys_)
        width += QFontMetrics(key->labelFont()).horizontalAdvance(key->text()) + 2 * padding;
    return width;
}

int KeypadView::toolRowWidth(bool compact) const {
    int width = 2 * outerMargin + tokensWidth(compact);
    for (const QWidget* item : std::initializer_list<const QWidget*>{functionsToggle_, unitsToggle_,
                                                                     undoButton_, redoButton_, hideButton_})
        if (item) width += rowSpacing + item->sizeHint().width();
    return width;
}

void KeypadView::fitTokens() {
    const bool compact = width() < toolRowWidth(false);
    for (KeyButton* key : tokenKeys_)
        key->setCompact(compact);
}

void KeypadView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitTokens();
    keyArea_->place();
}

} // namespace vell

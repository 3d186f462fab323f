#include "Window/SheetColumn.h"

#include "Appearance/Appearance.h"
#include "Appearance/Theme.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/AppSettings.h"
#include "Stores/Preferences.h"
#include "Stores/ViewSwitches.h"
#include "Window/SheetTabBar.h"
#include "Window/StatusBar.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace vell {

// The hairline between the editor and the keypad.
class SheetColumn::Divider : public QWidget {
public:
    Divider(Appearance& appearance, QWidget* parent) : QWidget(parent), appearance_(appearance) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(&appearance_, &Appearance::changed, this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Theme::separator.resolve(appearance_.isDark()));
    }

private:
    Appearance& appearance_;
};

SheetColumn::SheetColumn(SheetSession& session, SheetListModel& sheets, AppSettings& settings,
                         ViewSwitches& switches, Appearance& appearance, QWidget* parent)
    : QWidget(parent), settings_(settings), switches_(switches), layout_(new QVBoxLayout(this)),
      tabBarPlace_(new QWidget(this)), tabBar_(new SheetTabBar(session, sheets, appearance, tabBarPlace_)),
      keypadDivider_(new Divider(appearance, this)),
      statusBar_(new StatusBar(session, settings, appearance, this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);

    auto* tabBarLayout = new QVBoxLayout(tabBarPlace_);
    tabBarLayout->setContentsMargins(0, 0, 0, 0);
    tabBarLayout->setSpacing(0);
    tabBarPlace_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    tabBarLayout->addWidget(tabBar_);

    // Rows by index: tab bar place, editor, divider, keypad, status bar. The editor and the keypad come
    // later and take the places of their stand-ins.
    layout_->addWidget(tabBarPlace_);
    layout_->addStretch(1);
    layout_->addWidget(keypadDivider_);
    layout_->addSpacing(0);
    layout_->addWidget(statusBar_);
    keypadDivider_->hide();

    auto* editor = new SheetEditor(session, SheetEditor::Services{settings, appearance});
    editor->setShowsPlots(switches_.showGraph());
    setEditor(editor);

    connect(&settings_, &AppSettings::layoutChanged, this, &SheetColumn::applySettings);
    connect(&switches_, &ViewSwitches::showKeypadChanged, this, &SheetColumn::applySettings);
    connect(&switches_, &ViewSwitches::showGraphChanged, this, [this](bool showGraph) {
        if (SheetEditor* editor = sheetEditor()) editor->setShowsPlots(showGraph);
    });
    applySettings();
}

SheetEditor* SheetColumn::sheetEditor() const {
    return qobject_cast<SheetEditor*>(editor_.data());
}

void SheetColumn::setEditor(QWidget* editor) {
    if (editor_ == editor) return;
    constexpr int editorRow = 1;
    QLayoutItem* former = layout_->takeAt(editorRow);
    if (editor_) editor_->deleteLater();
    delete former;
    editor_ = editor;
    if (editor) {
        layout_->insertWidget(editorRow, editor, 1);
    } else {
        layout_->insertStretch(editorRow, 1);
    }
}

void SheetColumn::setKeypad(QWidget* keypad) {
    if (keypad_ == keypad) return;
    constexpr int keypadRow = 3;
    QLayoutItem* former = layout_->takeAt(keypadRow);
    if (keypad_) keypad_->deleteLater();
    delete former;
    keypad_ = keypad;
    if (keypad) {
        // The keypad asks for no width: it goes where the column is narrower than it needs.
        keypad->setSizePolicy(QSizePolicy::Ignored, keypad->sizePolicy().verticalPolicy());
        layout_->insertWidget(keypadRow, keypad);
    } else {
        layout_->insertSpacing(keypadRow, 0);
    }
    applySettings();
}

bool SheetColumn::showsKeypadRow() const {
    return keypad_ && switches_.showKeypad() && hasRoomForKeypad();
}

bool SheetColumn::hasRoomForKeypad() const {
    if (!keypad_ || width() < keypad_->minimumSizeHint().width()) return false;
    int others = keypadHeight() + 1 + statusBar_->sizeHint().height();
    if (!tabBarPlace_->isHidden()) others += tabBarPlace_->sizeHint().height();
    return height() - others >= editorLeastHeight;
}

bool SheetColumn::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // The keypad's needs change with its language and settings.
    if (event->type() == QEvent::LayoutRequest) applySettings();
    return handled;
}

void SheetColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applySettings();
}

int SheetColumn::keypadHeight() const {
    return static_cast<int>(std::lround(settings_.keypadHeightMac()));
}

void SheetColumn::applySettings() {
    tabBarPlace_->setVisible(SheetListStyles::showsTabs(settings_.sheetListStyle()));
    const bool keypadRow = showsKeypadRow();
    keypadDivider_->setVisible(keypadRow);
    if (keypad_) {
        keypad_->setFixedHeight(keypadHeight());
        keypad_->setVisible(keypadRow);
    }
}

} // namespace vell

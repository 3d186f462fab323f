#include "Dialogs/PromptDialog.h"

#include "Appearance/ColorPair.h"
#include "Appearance/Fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace vell {

namespace {

constexpr int dialogWidth = 400;
constexpr qreal titleSize = 15;
constexpr qreal messageSize = 13;
// The ink of a button that destroys something.
constexpr ColorPair destructiveInk{0xD70015FF, 0xFF6961FF};

QLabel* plainLabel(const QFont& font, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->hide();
    return label;
}

} // namespace

PromptDialog::PromptDialog(QWidget& window)
    : QDialog(&window), title_(plainLabel(Fonts::system(titleSize, QFont::Bold), this)),
      message_(plainLabel(Fonts::system(messageSize), this)), field_(new QLineEdit(this)),
      buttonRow_(new QWidget(this)) {
    setWindowModality(Qt::WindowModal);
    // A dialog is a window of its own and would not take the main window's light or dark palette.
    setAttribute(Qt::WA_WindowPropagation);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedWidth(dialogWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(8);
    layout->addWidget(title_);
    layout->addWidget(message_);
    layout->addSpacing(4);
    layout->addWidget(field_);
    layout->addSpacing(8);
    layout->addWidget(buttonRow_);
    field_->hide();

    auto* row = new QHBoxLayout(buttonRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
}

void PromptDialog::setTitle(const QString& title) {
    title_->setText(title);
    title_->setVisible(!title.isEmpty());
    setWindowTitle(title);
}

QString PromptDialog::title() const {
    return title_->text();
}

void PromptDialog::setMessage(const QString& message) {
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
}

QString PromptDialog::message() const {
    return message_->text();
}

void PromptDialog::setField(const QString& placeholder, const QString& text) {
    field_->setPlaceholderText(placeholder);
    // Names are typed as meant: no input method guesses or capitals.
    field_->setInputMethodHints(Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    field_->setText(text);
    field_->selectAll();
    field_->show();
}

bool PromptDialog::hasField() const {
    return !field_->isHidden();
}

QString PromptDialog::fieldText() const {
    return hasField() ? field_->text() : QString();
}

QPushButton* PromptDialog::addButton(const QString& text, Role role) {
    auto* button = new QPushButton(text, buttonRow_);
    if (role == Role::accept && std::find(roles_.begin(), roles_.end(), Role::accept) == roles_.end())
        button->setDefault(true);
    buttonRow_->layout()->addWidget(button);
    buttons_.push_back(button);
    roles_.push_back(role);
    if (role == Role::destructive) colorButtons();
    connect(button, &QPushButton::clicked, this, [this, role] { answer(role); });
    return button;
}

PromptDialog::Role PromptDialog::roleOf(const QPushButton* button) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i] == button) return roles_[i];
    return Role::cancel;
}

void PromptDialog::colorButtons() {
    // From the dialog's own palette, which follows the window's light or dark one.
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (roles_[i] != Role::destructive) continue;
        // Only this role is set; the others follow the dialog.
        QPalette ink;
        ink.setColor(QPalette::ButtonText, destructiveInk.resolve(dark));
        buttons_[i]->setPalette(ink);
    }
}

void PromptDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) colorButtons();
}

void PromptDialog::dismiss() {
    if (answered_) return;
    answered_ = true;
    done(QDialog::Rejected);
}

void PromptDialog::reject() {
    answer(Role::cancel);
}

void PromptDialog::answer(Role role) {
    if (answered_) return;
    answered_ = true;
    // Closed first, so that an answer may open the next dialog over the same window; the dialog itself is
    // deleted only later.
    done(role == Role::cancel ? QDialog::Rejected : QDialog::Accepted);
    emit answered(role, fieldText());
}

void PromptDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The labels wrap, so the height follows from the fixed width.
    layout()->activate();
    setFixedHeight(layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width())
                                                 : layout()->totalSizeHint().height());
    if (event->spontaneous()) return;
    if (hasField()) {
        field_->setFocus();
        field_->selectAll();
        return;
    }
    // Without a field the safe answer has the focus, so Return alone never destroys anything.
    QPushButton* focused = nullptr;
    for (std::size_t i = 0; i < buttons_.size() && !focused; ++i)
        if (buttons_[i]->isDefault()) focused = buttons_[i];
    for (std::size_t i = 0; i < buttons_.size() && !focused; ++i)
        if (roles_[i] == Role::cancel) focused = buttons_[i];
    if (!focused && !buttons_.empty()) focused = buttons_.front();
    if (focused) focused->setFocus();
}

} // namespace vell

#pragma once

// A small alert over one main window: a bold title, a message, an optional text field and a row of
// buttons. Window-modal and never blocking: it is opened with open() and answers through answered().
// Title, message and field show the user's words exactly as typed ("<b>x</b> & y" stays literal).

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vell {

class PromptDialog : public QDialog {
    Q_OBJECT

public:
    enum class Role {
        // Return answers with the first button of this role.
        accept,
        // Drawn as a warning; Return only reaches it once the user has given it the focus.
        destructive,
        // Escape and the window's close button answer with this role.
        cancel,
    };
    Q_ENUM(Role)

    // Window-modal over `window`, whose light or dark palette it takes; deletes itself once closed.
    explicit PromptDialog(QWidget& window);

    void setTitle(const QString& title);
    QString title() const;
    void setMessage(const QString& message);
    QString message() const;

    // Shows the field with its placeholder and text, all of it selected and focused when the dialog opens.
    void setField(const QString& placeholder, const QString& text);
    bool hasField() const;
    // Empty without a field.
    QString fieldText() const;
    QLineEdit* field() const { return field_; }

    // Buttons line up at the trailing end in the order they are added.
    QPushButton* addButton(const QString& text, Role role);
    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    Role roleOf(const QPushButton* button) const;

    // Closes it without an answer, as when the question no longer stands; nothing once it was answered.
    void dismiss();

    // Escape and the window's close button: the cancel answer.
    void reject() override;

signals:
    // Once per dialog, just after it closed; the field's text as it stood (empty without a field).
    void answered(vell::PromptDialog::Role role, const QString& fieldText);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void answer(Role role);
    void colorButtons();

    QLabel* title_;
    QLabel* message_;
    QLineEdit* field_;
    QWidget* buttonRow_;
    std::vector<QPushButton*> buttons_;
    std::vector<Role> roles_;
    bool answered_ = false;
};

} // namespace vell

#pragma once

// The window-modal dialog that shows a screen over one main window, at the screen's fixed size. A
// dialog that is not dismissable stays up through Escape, reject() and the window manager's close;
// only accept() ends it.

#include <QDialog>

namespace vell {

class ScreenDialog : public QDialog {
    Q_OBJECT

public:
    // Takes the body; the dialog is window-modal over `parent`.
    ScreenDialog(QWidget* body, QSize size, QWidget* parent);

    QWidget* body() const { return body_; }

    void setDismissable(bool dismissable) { dismissable_ = dismissable; }
    bool isDismissable() const { return dismissable_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* body_;
    bool dismissable_ = true;
};

} // namespace vell

#pragma once

// The settings, help and terms screens open as window-modal dialogs of fixed size over one main
// window; each window has its own. The window owns the dialogs; the body a dialog shows comes from the
// body factory the application hands the window, so a window knows no screen.

#include <QDialog>
#include <QMargins>
#include <QPointer>
#include <QSize>
#include <functional>

namespace vell {

class DocumentStore;
class SheetSession;
class WindowDialog;

enum class WindowDialogKind {
    settings,
    help,
    terms
};

// What a body is made with.
struct WindowDialogContext {
    DocumentStore& store;
    // The session of the window the dialog belongs to.
    SheetSession& session;
    // The dialog holding the body; the body ends it with accept(), reject() or done().
    WindowDialog& dialog;
    // Terms only: shown as the gate that every window keeps until the current terms are accepted.
    bool isGate = false;
};

// Makes the body of one presentation, which becomes a child of the dialog and goes when it closes;
// none when there is no body of that kind, and then the dialog does not open.
using DialogBodyFactory = std::function<QWidget*(WindowDialogKind kind, const WindowDialogContext& context)>;

class WindowDialog : public QDialog {
    Q_OBJECT

public:
    // Kept free around a dialog on its screen for the frame the desktop draws: the title bar above, a
    // border below.
    static constexpr QMargins frameRoom{0, 32, 0, 8};

    // Window-modal over `window`, whose palette it follows.
    WindowDialog(WindowDialogKind kind, QWidget& window);

    WindowDialogKind kind() const { return kind_; }
    QWidget* body() const { return body_; }

    // Shows `body` (taking it over) without blocking: open(), never exec(). A dialog that is not
    // dismissable stays through Escape, reject() and the window manager's close, and says `declined`
    // instead; only dismiss(), a body's accept() or done() end it.
    void present(QWidget* body, bool dismissable);
    bool dismissable() const { return dismissable_; }
    // Closes it whatever it is, as when the reason to show it has gone.
    void dismiss();

    void reject() override;

signals:
    // The user asked a dialog that is not dismissable to go away.
    void declined();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Centred over the window it belongs to, every time it opens and whenever that window moves; on a
    // screen with less room than its size, as large as the screen allows with the frame the desktop
    // draws, and kept on it.
    void centreOverWindow();
    // Not dismissable: only dismiss(), a body's own ending or the application quitting closes it.
    bool mayClose() const;
    void finishPresentation();

    WindowDialogKind kind_;
    QPointer<QWidget> body_;
    bool dismissable_ = true;
    bool dismissing_ = false;
};

} // namespace vell

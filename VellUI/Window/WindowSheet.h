#pragma once

// The settings, help and terms screens open as window-modal dialogs of fixed size over one main
// window; each window has its own. The shell owns the dialogs; the screens register the bodies they
// show. A kind whose body is not registered never opens.

#include <QDialog>
#include <QPointer>
#include <QSize>
#include <functional>

namespace vell {

class DocumentStore;
class SheetSession;
class WindowSheet;

enum class WindowSheetKind {
    settings,
    help,
    terms
};

// What a body is made with.
struct WindowSheetContext {
    DocumentStore& store;
    // The session of the window the dialog belongs to.
    SheetSession& session;
    // The dialog holding the body; the body ends it with accept(), reject() or done().
    WindowSheet& sheet;
    // Terms only: shown as the gate that every window keeps until the current terms are accepted.
    bool isGate = false;
};

struct WindowSheets {
    // Makes the body of one presentation; it becomes a child of the dialog and goes when it closes.
    using BodyFactory = std::function<QWidget*(const WindowSheetContext&)>;

    // Replaces the kind's factory for the whole process; an empty factory takes it back.
    static void registerBody(WindowSheetKind kind, BodyFactory factory);
    static bool isRegistered(WindowSheetKind kind);
    // None when the kind has no body registered.
    static QWidget* makeBody(WindowSheetKind kind, const WindowSheetContext& context);

    static QSize size(WindowSheetKind kind);
};

class WindowSheet : public QDialog {
    Q_OBJECT

public:
    // Window-modal over `window`, whose palette it follows.
    WindowSheet(WindowSheetKind kind, QWidget& window);

    WindowSheetKind kind() const { return kind_; }
    QWidget* body() const { return body_; }

    // Shows `body` (taking it over) without blocking: open(), never exec(). A sheet that is not
    // dismissable ignores Escape, reject() and the window manager's close until dismiss() or a
    // body's accept() or done().
    void present(QWidget* body, bool dismissable);
    bool dismissable() const { return dismissable_; }
    // Closes it whatever it is, as when the reason to show it has gone.
    void dismiss();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Centred over the window it belongs to, every time it opens and whenever that window moves.
    void centreOverWindow();
    // Not dismissable: only dismiss(), a body's own ending or the application quitting closes it.
    bool mayClose() const;
    void finishPresentation();

    WindowSheetKind kind_;
    QPointer<QWidget> body_;
    bool dismissable_ = true;
    bool dismissing_ = false;
};

} // namespace vell

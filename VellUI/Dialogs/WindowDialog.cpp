#include "Dialogs/WindowDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace vell {

namespace {

// The application quits by closing every window, and gives up when one refuses; a dialog that may not
// be dismissed (the terms gate) must not keep Quit or a quit signal from ending the application.
class QuitWatcher : public QObject {
public:
    static bool quitting;

    using QObject::QObject;

    static void install() {
        static const bool installed = [] {
            QCoreApplication::instance()->installEventFilter(new QuitWatcher(QCoreApplication::instance()));
            return true;
        }();
        (void)installed;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
            quitting = true;
            // The windows are asked while the quit event is handled; a quit given up ends with it.
            QTimer::singleShot(0, this, [] { quitting = false; });
        }
        return false;
    }
};

bool QuitWatcher::quitting = false;

QSize sizeOf(WindowDialogKind kind) {
    switch (kind) {
    case WindowDialogKind::settings:
        return {460, 560};
    case WindowDialogKind::help:
        return {660, 580};
    case WindowDialogKind::terms:
        return {620, 640};
    }
    return {};
}

} // namespace

WindowDialog::WindowDialog(WindowDialogKind kind, QWidget& window) : QDialog(&window), kind_(kind) {
    QuitWatcher::install();
    setWindowModality(Qt::WindowModal);
    // A fixed-size screen over its window: neither minimised on its own nor enlarged.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // A dialog is a window of its own and would not take the main window's light or dark palette.
    setAttribute(Qt::WA_WindowPropagation);
    setFixedSize(sizeOf(kind));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(this, &QDialog::finished, this, &WindowDialog::finishPresentation);
    // It keeps its place over the window, also while the window manager is still placing the window.
    window.installEventFilter(this);
}

void WindowDialog::present(QWidget* body, bool dismissable) {
    if (body_) body_->deleteLater();
    body_ = body;
    dismissable_ = dismissable;
    if (body) {
        layout()->addWidget(body);
        // The screen names itself; the dialog carries that name into the desktop's window list.
        setWindowTitle(body->windowTitle());
        connect(body, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    }
    centreOverWindow();
    open();
}

void WindowDialog::centreOverWindow() {
    const QWidget* window = parentWidget() ? parentWidget()->window() : nullptr;
    if (!window) return;
    const QScreen* screen = window->screen();
    const QRect room = screen ? screen->availableGeometry().marginsRemoved(frameRoom) : QRect();
    const QSize wanted = sizeOf(kind_);
    const QSize fitting = room.isValid() ? wanted.boundedTo(room.size()) : wanted;
    if (size() != fitting) setFixedSize(fitting);
    // Inner rectangles of both: the frame of a window not yet shown is unknown, so centring frames
    // would place the first opening otherwise than every later one.
    QRect place(QPoint(), fitting);
    place.moveCenter(window->geometry().center());
    if (room.isValid()) {
        place.moveLeft(
            std::clamp(place.left(), room.left(), std::max(room.left(), room.right() + 1 - place.width())));
        place.moveTop(
            std::clamp(place.top(), room.top(), std::max(room.top(), room.bottom() + 1 - place.height())));
    }
    if (place != geometry()) setGeometry(place);
}

bool WindowDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        centreOverWindow();
    return QDialog::eventFilter(watched, event);
}

void WindowDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverWindow();
}

void WindowDialog::dismiss() {
    dismissing_ = true;
    done(QDialog::Rejected);
    dismissing_ = false;
}

bool WindowDialog::mayClose() const {
    return dismissable_ || dismissing_ || QuitWatcher::quitting;
}

void WindowDialog::reject() {
    if (mayClose())
        QDialog::reject();
    else
        emit declined();
}

void WindowDialog::closeEvent(QCloseEvent* event) {
    if (!mayClose()) {
        event->ignore();
        emit declined();
        return;
    }
    QDialog::closeEvent(event);
}

void WindowDialog::finishPresentation() {
    if (body_) body_->deleteLater();
    body_ = nullptr;
    dismissable_ = true;
}

} // namespace vell

#include "Window/WindowSheet.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <array>
#include <utility>

namespace vell {

namespace {

std::array<WindowSheets::BodyFactory, 3>& factories() {
    static std::array<WindowSheets::BodyFactory, 3> registered;
    return registered;
}

std::size_t indexOf(WindowSheetKind kind) {
    return static_cast<std::size_t>(kind);
}

} // namespace

void WindowSheets::registerBody(WindowSheetKind kind, BodyFactory factory) {
    factories()[indexOf(kind)] = std::move(factory);
}

bool WindowSheets::isRegistered(WindowSheetKind kind) {
    return static_cast<bool>(factories()[indexOf(kind)]);
}

QWidget* WindowSheets::makeBody(WindowSheetKind kind, const WindowSheetContext& context) {
    const BodyFactory& factory = factories()[indexOf(kind)];
    return factory ? factory(context) : nullptr;
}

QSize WindowSheets::size(WindowSheetKind kind) {
    switch (kind) {
    case WindowSheetKind::settings:
        return {460, 560};
    case WindowSheetKind::help:
        return {660, 580};
    case WindowSheetKind::terms:
        return {620, 640};
    }
    return {};
}

WindowSheet::WindowSheet(WindowSheetKind kind, QWidget& window) : QDialog(&window), kind_(kind) {
    setWindowModality(Qt::WindowModal);
    // A dialog is a window of its own and would not take the main window's light or dark palette.
    setAttribute(Qt::WA_WindowPropagation);
    setFixedSize(WindowSheets::size(kind));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    connect(this, &QDialog::finished, this, &WindowSheet::finishPresentation);
}

void WindowSheet::present(QWidget* body, bool dismissable) {
    if (body_) body_->deleteLater();
    body_ = body;
    dismissable_ = dismissable;
    if (body) layout()->addWidget(body);
    open();
}

void WindowSheet::dismiss() {
    dismissing_ = true;
    done(QDialog::Rejected);
    dismissing_ = false;
}

void WindowSheet::reject() {
    if (dismissable_ || dismissing_) QDialog::reject();
}

void WindowSheet::closeEvent(QCloseEvent* event) {
    if (!dismissable_ && !dismissing_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void WindowSheet::finishPresentation() {
    if (body_) body_->deleteLater();
    body_ = nullptr;
    dismissable_ = true;
}

} // namespace vell

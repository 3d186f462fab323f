#include "Screens/ScreenDialog.h"

#include <QCloseEvent>
#include <QVBoxLayout>

namespace vell {

ScreenDialog::ScreenDialog(QWidget* body, QSize size, QWidget* parent) : QDialog(parent), body_(body) {
    setWindowModality(Qt::WindowModal);
    setFixedSize(size);
    setSizeGripEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(body_);
}

void ScreenDialog::reject() {
    if (dismissable_) QDialog::reject();
}

void ScreenDialog::closeEvent(QCloseEvent* event) {
    if (!dismissable_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace vell

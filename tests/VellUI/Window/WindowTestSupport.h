#pragma once

// Helpers for the window parts, made over a context of the test's own (see Support/TestContext.h).

#include "Stores/DocumentStore.h"
#include "Stores/SheetSession.h"
#include "Support/TestContext.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>

namespace vell::testsupport {

// A plain widget that stands for a part built elsewhere (the editor, the keypad, a dialog's body).
inline QWidget* standIn(const char* name) {
    auto* widget = new QWidget;
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QImage pixelsOf(QWidget& widget) {
    return widget.grab().toImage();
}

} // namespace vell::testsupport

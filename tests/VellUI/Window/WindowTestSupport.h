#pragma once

// A document store on a temporary folder and the window parts made over it, on the process-wide
// preferences (see Support/SharedPreferences.h).

#include "Stores/DocumentStore.h"
#include "Stores/SheetSession.h"
#include "Support/SharedPreferences.h"

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <string>

namespace vell::testsupport {

struct StoreOnDisk {
    QTemporaryDir folder;
    std::unique_ptr<DocumentStore> store =
        std::make_unique<DocumentStore>(folder.filePath("Vell/document.json"));
};

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

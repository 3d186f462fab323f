#pragma once

// A store whose file holds named sheets (A, B, C ... by default) with fixed ids and an old stamp, so
// tests read names, order, stamps and tombstones back; and the synthetic drags that Qt's own drag
// loop cannot be driven with.

#include "Document/Date.h"
#include "Document/VellDocument.h"
#include "Stores/DocumentStore.h"
#include "Support/NumberedId.h"
#include "Support/TestContext.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

namespace vell::testsupport {

inline Uuid sheetID(std::size_t number) {
    return numberedId(static_cast<std::uint32_t>(number));
}

inline const Date oldStamp = Date::fromCivil(2024, 1, 1, 12, 0, 0);

// The named sheets' document, written before the store reads it.
inline QString writeNamedSheets(const QTemporaryDir& folder, const std::vector<std::string>& names,
                                const std::vector<std::string>& texts) {
    VellDocument document;
    for (std::size_t i = 0; i < names.size(); ++i)
        document.sheets.push_back(
            Sheet{sheetID(i + 1), names[i], i < texts.size() ? texts[i] : std::string(), oldStamp, {}});
    document.selectedSheetID = sheetID(1);
    const QString path = folder.filePath("Vell/document.json");
    QDir().mkpath(folder.filePath("Vell"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray::fromStdString(document.encode()));
    file.close();
    return path;
}

// A context (see Support/TestContext.h) whose store opens the named sheets.
struct NamedSheets {
    // Sheet i (from 1) has the i-th name and text; the first one is selected.
    explicit NamedSheets(std::vector<std::string> names, std::vector<std::string> texts = {})
        : context(AppLanguage::english, writeNamedSheets(folder, names, texts)), store(&context.store()) {}

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Sheet& sheet : store->sheets())
            out.push_back(sheet.name);
        return out;
    }
    const Sheet& sheet(std::size_t number) const { return *store->sheet(sheetID(number)); }
    const AppContext& app() const { return context.app(); }
    AppSettings& settings() const { return context.settings(); }

    QTemporaryDir folder;
    TestContext context;
    DocumentStore* store;
};

// Enters `target` with the data and drops it there, as a drag that ends over it; whether it was taken.
inline bool dropOn(QWidget& target, const QMimeData& data, QPoint at = {-1, -1}) {
    if (at == QPoint(-1, -1)) at = target.rect().center();
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

inline void settle() {
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace vell::testsupport

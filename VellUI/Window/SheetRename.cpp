#include "Window/SheetRename.h"

#include "Engine/L10n.h"
#include "Stores/DocumentStore.h"

namespace vell {

namespace {

bool isTrimmed(QChar c) {
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

QString SheetRename::finalName(const QString& typed) {
    qsizetype start = 0;
    qsizetype end = typed.size();
    while (start < end && isTrimmed(typed[start]))
        ++start;
    while (end > start && isTrimmed(typed[end - 1]))
        --end;
    if (start == end) return QString::fromStdString(L10n::text("無題", "Untitled"));
    return typed.mid(start, end - start);
}

void SheetRename::commit(DocumentStore& store, const Uuid& sheetID, const QString& typed) {
    const Sheet* sheet = store.sheet(sheetID);
    if (!sheet) return;
    std::string name = finalName(typed).toStdString();
    if (name == sheet->name) return;
    store.renameSheet(sheetID, std::move(name));
}

} // namespace vell

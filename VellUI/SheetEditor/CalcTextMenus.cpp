// The context menu: naming a line over its answer, the standard text menu elsewhere.

#include "Engine/L10n.h"
#include "SheetEditor/CalcTextView.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace vell {

QMenu* CalcTextView::contextMenuAt(QPoint viewportPoint) {
    const auto line = resultLineAt(viewportPoint);
    if (!line) return createStandardContextMenu(toDocument(viewportPoint).toPoint());
    auto* menu = new QMenu(this);
    const bool named = results_[static_cast<std::size_t>(*line)].name.has_value();
    const std::string title =
        named ? L10n::text("名前を変える…", "Rename…") : L10n::text("名前を付ける…", "Name This Line…");
    QAction* action = menu->addAction(QString::fromStdString(title));
    const std::int64_t index = *line;
    connect(action, &QAction::triggered, this, [this, index] { emit nameRequested(index); });
    return menu;
}

void CalcTextView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = contextMenuAt(event->pos());
    menu->exec(event->globalPos());
    delete menu;
}

} // namespace vell

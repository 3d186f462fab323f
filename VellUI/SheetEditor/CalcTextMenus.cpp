// The context menu: naming a line over its answer, the standard text menu elsewhere.

#include "Engine/L10n.h"
#include "SheetEditor/CalcTextView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>

namespace vell {

namespace {

// Qt's texts mark a letter for the keyboard ("&Copy", "コピー(&C)"); no other menu of the program
// underlines one.
QString withoutMnemonic(QString text) {
    static const QRegularExpression bracketed(QStringLiteral("[(（]&[^)）&][)）]"));
    text.remove(bracketed);
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            plain += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
            plain += QStringLiteral("&&");
            ++i;
        }
    }
    return plain;
}

} // namespace

QMenu* CalcTextView::contextMenuAt(QPoint viewportPoint) {
    const auto line = resultLineAt(viewportPoint);
    if (!line) {
        QMenu* menu = createStandardContextMenu(toDocument(viewportPoint).toPoint());
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) action->setText(withoutMnemonic(action->text()));
        return menu;
    }
    auto* menu = new QMenu(this);
    const bool named = (*results_)[static_cast<std::size_t>(*line)].name.has_value();
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

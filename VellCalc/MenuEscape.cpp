#include "MenuEscape.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace vell {

void MenuEscape::install(QMenuBar& bar) {
    auto* escape = new MenuEscape(&bar);
    for (const QAction* action : bar.actions())
        if (QMenu* menu = action->menu()) menu->installEventFilter(escape);
}

bool MenuEscape::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* menu = qobject_cast<QMenu*>(watched);
    if (!menu || key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier) return false;
    // A menu's own hiding ends the bar's highlight without entering its keyboard navigation.
    menu->hide();
    return true;
}

} // namespace vell

#include "Stores/UndoCenter.h"

namespace vell {

UndoCenter& UndoCenter::shared() {
    static UndoCenter* center = new UndoCenter;
    return *center;
}

UndoCenter::UndoCenter(QObject* parent) : QObject(parent) {}

void UndoCenter::update(bool canUndo, bool canRedo) {
    if (canUndo != canUndo_) {
        canUndo_ = canUndo;
        emit canUndoChanged(canUndo);
    }
    if (canRedo != canRedo_) {
        canRedo_ = canRedo;
        emit canRedoChanged(canRedo);
    }
}

} // namespace vell

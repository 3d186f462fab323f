#pragma once

// Whether the selected sheet can be undone or redone, published for the keypad. The keypad and the
// editors talk to the document store through notify::undo, redo, setCaret and clearSheet.

#include <QObject>

namespace vell {

class UndoCenter : public QObject {
    Q_OBJECT

public:
    static UndoCenter& shared();

    explicit UndoCenter(QObject* parent = nullptr);

    bool canUndo() const { return canUndo_; }
    bool canRedo() const { return canRedo_; }

    // Written by the document store only; each flag is announced only when it really changes.
    void update(bool canUndo, bool canRedo);

signals:
    void canUndoChanged(bool canUndo);
    void canRedoChanged(bool canRedo);

private:
    bool canUndo_ = false;
    bool canRedo_ = false;
};

} // namespace vell

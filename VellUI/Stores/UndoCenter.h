#pragma once

// Whether the selected sheet can be undone or redone, published for the keypad, and the names by
// which the keypad and the editors talk to the document store.

#include <QObject>
#include <string_view>

namespace vell {

class UndoCenter : public QObject {
    Q_OBJECT

public:
    // Posted by the keypad with no object; the document store undoes or redoes the selected sheet.
    static constexpr std::string_view undoNotification = "vell.undo";
    static constexpr std::string_view redoNotification = "vell.redo";
    // Posted by the document store with the caret's UTF-16 offset (an integer) as the object.
    static constexpr std::string_view setCaretNotification = "vell.setCaret";
    // Posted by the keypad's slide-to-clear with no object; the store asks the user to confirm.
    static constexpr std::string_view clearSheetNotification = "vell.clearSheet";

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

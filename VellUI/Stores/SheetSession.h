#pragma once

// One window's view of the shared document: which sheet the window shows and that sheet's evaluated
// results, asked for again whenever the evaluations say they may have changed. It is also the window's
// command route: every command of the window goes to the store naming this sheet.

#include "Document/Sheet.h"
#include "Document/Uuid.h"
#include "Engine/Value.h"
#include "Sheet/LineResult.h"
#include "Sheet/PlotSpec.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vell {

class DocumentStore;
class SheetEvaluations;
struct SheetListChange;

class SheetSession : public QObject {
    Q_OBJECT

public:
    struct NamedValue {
        std::string name;
        Value value;
        std::int64_t line = 0; // zero-based
    };

    // Shows that sheet, or the document's selected one when no id is given; listens to the store and the
    // evaluations, which must outlive it, for the changes of its sheet, and evaluates at once.
    SheetSession(DocumentStore& store, SheetEvaluations& evaluations,
                 std::optional<Uuid> sheetID = std::nullopt, QObject* parent = nullptr);

    DocumentStore& store() const { return store_; }
    SheetEvaluations& evaluations() const { return evaluations_; }
    // None only while the document holds no sheet at all.
    const std::optional<Uuid>& sheetID() const { return sheetID_; }
    const std::vector<LineResult>& results() const { return *results_; }
    // The same, shared, for a holder that keeps them past the next change.
    const std::shared_ptr<const std::vector<LineResult>>& sharedResults() const { return results_; }

    // The sheet the window shows, read from the store on every call.
    Sheet sheet() const;
    // Lines whose outcome is a value.
    std::int64_t calculatedLineCount() const;
    // Whether a line draws a curve, surface or chart.
    bool hasPlots() const;
    // Named lines whose outcome is a value, in line order.
    std::vector<NamedValue> namedValues() const;

    // Shows another sheet in this window and selects it in the document; an id that names no sheet
    // changes nothing.
    void select(const Uuid& id);
    // This window became the one the user works in: its sheet becomes the document's selection. The
    // only place a window writes the selection without switching sheets.
    void focus();
    // Takes the sheet's answers afresh (moving to the selected sheet when its own is gone).
    void refresh();

    // --- The window's commands on its sheet; without a sheet they do nothing.

    // The text typed in this window (see DocumentStore::setText); its editor is not told back. False when
    // the store refused it.
    bool setText(std::string_view text);
    bool setTextNaming(std::string_view text);
    // A span of the text typed over (see DocumentStore::replaceText): none when the store's text does not
    // hold `removed` at byte `at`.
    std::optional<bool> replaceText(std::size_t at, std::string_view removed, std::string_view inserted);
    void toggleLock(std::int64_t line);
    // The message to show when the line cannot be named so.
    std::optional<std::string> setName(std::int64_t line, std::string_view name);
    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;
    // Asks the user to confirm clearing this window's sheet.
    void requestClear();
    // Adds a sheet, or a copy of one, and shows it here; the other windows keep their sheets.
    void addSheet();
    void duplicateSheet(const Uuid& id);

signals:
    // Announced on every assignment, also when the value stays the same.
    void sheetIDChanged();
    void resultsChanged();
    // The text or locks of the shown sheet changed; `typedHere` when the text is what this window typed.
    void sheetChanged(bool typedHere);
    // canUndo() or canRedo() may have changed.
    void undoStateChanged();
    // The editor's caret goes to this UTF-16 offset of the shown sheet.
    void caretRequested(std::int64_t caret);

private:
    void setSheetID(std::optional<Uuid> id);
    void listChanged(const SheetListChange& change);

    DocumentStore& store_;
    SheetEvaluations& evaluations_;
    std::optional<Uuid> sheetID_;
    std::shared_ptr<const std::vector<LineResult>> results_;
};

} // namespace vell

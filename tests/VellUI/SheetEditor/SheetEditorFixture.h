#pragma once

// Windows on a document store of a temporary folder: each a session and a sheet editor shown
// offscreen, wired as a window wires them (the gutter toggles locks through the store). Beeps are
// counted instead of sounded.

#include "Appearance/Appearance.h"
#include "SheetEditor/CalcTextView.h"
#include "SheetEditor/EditorBeep.h"
#include "SheetEditor/SheetEditor.h"
#include "Stores/DocumentStoreFixture.h"
#include "Stores/SheetSession.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vell::testsupport {

class SheetEditorTest : public DocumentStoreTest {
protected:
    struct Window {
        std::unique_ptr<SheetSession> session;
        std::unique_ptr<SheetEditor> editor;
        CalcTextView& view() const { return editor->textView(); }
    };

    SheetEditorTest() {
        settings.setAppearance(AppearanceSetting::light);
        EditorBeep::setHandler([this] { ++beeps; });
    }
    ~SheetEditorTest() override {
        windows.clear();
        EditorBeep::setHandler({});
    }

    // A store on sheets A, B, ... holding these texts and locks, A selected.
    void openSheets(const std::vector<std::string>& texts, std::vector<std::int64_t> locksOfFirst = {}) {
        VellDocument document = sheetsWithTexts(texts);
        document.sheets.front().lockedLines = std::move(locksOfFirst);
        writeDocument(document);
        store = open();
    }

    // A window on that sheet (the selected one when none is given), 800 × 600, its editor focused.
    Window& openWindow(std::optional<Uuid> sheet = std::nullopt, QSize size = {800, 600}) {
        Window window;
        window.session = std::make_unique<SheetSession>(*store, *evaluations, sheet);
        window.editor =
            std::make_unique<SheetEditor>(*window.session, SheetEditor::Services{settings, appearance});
        SheetSession* session = window.session.get();
        QObject::connect(window.editor.get(), &SheetEditor::onToggleLock, window.editor.get(),
                         [session](qint64 line) { session->toggleLock(line); });
        window.editor->resize(size);
        window.editor->show();
        window.editor->activateWindow();
        window.view().setFocus();
        settle();
        windows.push_back(std::move(window));
        return windows.back();
    }

    // Lets the queued updates of the editors run.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    std::string sheetText(std::size_t index = 0) const { return store->sheets()[index].text; }
    std::vector<std::int64_t> locks(std::size_t index = 0) const {
        return store->sheets()[index].lockedLines;
    }

    static void setCaret(CalcTextView& view, int offset) { view.setCaret(offset, false); }
    static std::int64_t caret(const CalcTextView& view) { return view.caretPosition(); }

    // The middle of the line's first row, in viewport coordinates, at that x.
    static QPointF pointOnLine(const CalcTextView& view, std::int64_t line, double x) {
        const QRectF rect = view.lineRect(line);
        return QPointF(x, rect.top() + 10 - view.verticalScrollBar()->value());
    }

    // A mouse event at a point that may lie between pixels; a move with no button held hovers.
    static void mouse(CalcTextView& view, QEvent::Type type, QPointF point,
                      Qt::MouseButtons held = Qt::LeftButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : held;
        QMouseEvent event(type, point, view.viewport()->mapToGlobal(point), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view.viewport(), &event);
    }
    static void click(CalcTextView& view, QPointF point) {
        mouse(view, QEvent::MouseButtonPress, point);
        mouse(view, QEvent::MouseButtonRelease, point);
    }

    // Follows the settings; "auto" is never chosen here.
    Appearance appearance{settings, [] { return false; }};
    OpenedDocument store;
    // A deque: references to earlier windows stay valid as more open.
    std::deque<Window> windows;
    int beeps = 0;
};

} // namespace vell::testsupport

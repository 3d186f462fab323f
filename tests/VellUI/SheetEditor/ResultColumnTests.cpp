#include "SheetEditor/ResultColumnHandle.h"
#include "SheetEditor/SheetEditorFixture.h"

#include <QAccessible>

namespace vell::testsupport {
namespace {

class ResultColumnTest : public SheetEditorTest {
protected:
    // The handle's centre, in the editor, lies on the divider.
    static double handleCentre(const SheetEditor& editor) {
        const QRect handle = editor.columnHandle().geometry();
        return handle.left() + handle.width() / 2.0;
    }
    static double dividerInEditor(const SheetEditor& editor) {
        const CalcTextView& view = editor.textView();
        return view.geometry().left() + view.viewport()->geometry().left() + view.dividerX();
    }
};

TEST_F(ResultColumnTest, APressWithinSevenPointsOfTheDividerResizesEveryEditor) {
    openSheets({"1\n2"});
    Window& first = openWindow();
    Window& second = openWindow();
    CalcTextView& view = first.view();
    const double divider = view.dividerX();
    ASSERT_EQ(divider, 800 - 180 - 30);

    const QPointF below(divider + 7.5, 500);
    mouse(view, QEvent::MouseButtonPress, below);
    mouse(view, QEvent::MouseMove, below - QPointF(40, 0));
    mouse(view, QEvent::MouseButtonRelease, below - QPointF(40, 0));
    EXPECT_EQ(settings.resultColumnWidth(), 180);

    const QPointF on(divider - 7, 500);
    mouse(view, QEvent::MouseButtonPress, on);
    mouse(view, QEvent::MouseMove, on - QPointF(40, 0));
    mouse(view, QEvent::MouseButtonRelease, on - QPointF(40, 0));
    EXPECT_EQ(settings.resultColumnWidth(), 220);
    EXPECT_EQ(defaults.stored("vell.resultColumnWidth").toDouble(), 220);

    for (Window* window : {&first, &second}) {
        EXPECT_EQ(window->view().dividerX(), 800 - 220 - 30);
        EXPECT_EQ(window->view().lineWrapColumnOrWidth(), 50 + 800 - 50 - 220 - 42);
        EXPECT_NEAR(handleCentre(*window->editor), dividerInEditor(*window->editor), 1);
    }

    // Far to the right it stops at the narrowest column; the text runs wider again.
    mouse(view, QEvent::MouseButtonPress, QPointF(view.dividerX(), 500));
    mouse(view, QEvent::MouseMove, QPointF(view.dividerX() + 400, 500));
    mouse(view, QEvent::MouseButtonRelease, QPointF(view.dividerX() + 400, 500));
    EXPECT_EQ(settings.resultColumnWidth(), 84);
}

TEST_F(ResultColumnTest, TheGripDragsTheWidthAndNarrowsItOnlyOnceShown) {
    openSheets({"1"});
    SheetEditor& editor = *openWindow().editor;
    ResultColumnHandle& grip = editor.columnHandle();
    EXPECT_EQ(grip.accessibleName(), "Answer column width");
    settings.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(grip.accessibleName(), "解答欄の幅");
    settings.setLanguage(AppLanguage::english);
    EXPECT_NEAR(handleCentre(editor), dividerInEditor(editor), 1);

    const QPoint centre(grip.width() / 2, grip.height() / 2);
    QTest::mousePress(&grip, Qt::LeftButton, {}, centre);
    QMouseEvent move(QEvent::MouseMove, QPointF(centre - QPoint(40, 0)),
                     grip.mapToGlobal(QPointF(centre - QPoint(40, 0))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&grip, &move);
    EXPECT_TRUE(grip.isDragging());
    QTest::mouseRelease(&grip, Qt::LeftButton, {}, centre - QPoint(40, 0));
    EXPECT_FALSE(grip.isDragging());
    EXPECT_EQ(settings.resultColumnWidth(), 220);
    EXPECT_NEAR(handleCentre(editor), dividerInEditor(editor), 1);

    // A narrower window narrows the stored width: at most the width less 150.
    editor.resize(330, 600);
    settle();
    EXPECT_EQ(settings.resultColumnWidth(), editor.textView().viewport()->width() - 150);

    // Before an editor is shown its sizes do not touch the width.
    settings.setResultColumnWidth(300);
    SheetSession session(*store, *evaluations);
    SheetEditor hidden(session, SheetEditor::Services{settings, appearance});
    hidden.resize(200, 200);
    settle();
    EXPECT_EQ(settings.resultColumnWidth(), 300);
}

} // namespace
} // namespace vell::testsupport

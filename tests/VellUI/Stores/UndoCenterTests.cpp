#include "Stores/UndoCenter.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace vell {
namespace {

TEST(UndoCenter, AnnouncesAFlagOnlyWhenItChanges) {
    UndoCenter center;
    QSignalSpy undo(&center, &UndoCenter::canUndoChanged);
    QSignalSpy redo(&center, &UndoCenter::canRedoChanged);
    EXPECT_FALSE(center.canUndo());
    EXPECT_FALSE(center.canRedo());

    center.update(false, false);
    EXPECT_EQ(undo.count(), 0);
    EXPECT_EQ(redo.count(), 0);

    center.update(true, false);
    EXPECT_TRUE(center.canUndo());
    EXPECT_EQ(undo.count(), 1);
    EXPECT_EQ(undo.takeFirst().at(0).toBool(), true);
    EXPECT_EQ(redo.count(), 0);

    center.update(true, true);
    EXPECT_EQ(undo.count(), 0);
    EXPECT_EQ(redo.count(), 1);

    center.update(false, false);
    EXPECT_FALSE(center.canUndo());
    EXPECT_FALSE(center.canRedo());
    EXPECT_EQ(undo.count(), 1);
    EXPECT_EQ(redo.count(), 2);
}

TEST(UndoCenter, SharedInstance) {
    EXPECT_EQ(&UndoCenter::shared(), &UndoCenter::shared());
}

} // namespace
} // namespace vell

// The store and a sheet too large to edit: it is not evaluated nor offered to the others, edits of it
// are refused, it is written back whole, and every other sheet works as usual.

#include "Document/SheetSize.h"
#include "DocumentStoreFixture.h"

#include <gtest/gtest.h>
#include <string>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;

std::string hugeSheetWithAFunction() {
    std::string text = "def twice(x) = x * 2\n";
    while (text.size() <= SheetSize::maxSheetBytes)
        text += "price = 1200 * 3\n";
    return text;
}

TEST_F(DocumentStoreTest, ASheetTooLargeToEditIsLeftAsItIs) {
    const std::string huge = hugeSheetWithAFunction();
    writeDocument(sheetsWithTexts({huge, "twice(2)\n3 + 4"}));
    auto store = open();
    const Uuid hugeID = store->sheets()[0].id;
    const Uuid smallID = store->sheets()[1].id;
    EXPECT_TRUE(store->isTooLargeToEdit(hugeID));
    EXPECT_FALSE(store->isTooLargeToEdit(smallID));
    EXPECT_TRUE(results().empty()) << "not evaluated";

    store->setText(*store->currentSheetID(), "1");
    store->toggleLock(*store->currentSheetID(), 0);
    store->undo(*store->currentSheetID());
    EXPECT_EQ(store->sheets()[0].text, huge);
    EXPECT_TRUE(store->sheets()[0].lockedLines.empty());
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));

    // The other sheet: evaluated, edited and undone as usual; the huge sheet's functions are not offered.
    store->setCurrentSheetID(smallID);
    ASSERT_EQ(results().size(), 2u);
    EXPECT_NE(results()[0].outcome.debugDescription(), "value 4");
    EXPECT_EQ(results()[1].outcome.debugDescription(), "value 7");
    store->setText(*store->currentSheetID(), "twice(2)\n3 + 5");
    EXPECT_EQ(results()[1].outcome.debugDescription(), "value 8");
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));

    store->applicationWillTerminate();
    const VellDocument onDisk = documentOnDisk();
    EXPECT_EQ(onDisk.sheets[0].text, huge);
    EXPECT_EQ(onDisk.sheets[1].text, "twice(2)\n3 + 5");
}

} // namespace
} // namespace vell

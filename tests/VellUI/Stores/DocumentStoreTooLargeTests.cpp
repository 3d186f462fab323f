// The store and a sheet too large to edit: it is not evaluated nor offered to the others, edits of it
// are refused, it is written back whole, and every other sheet works as usual.

#include "Document/SheetSize.h"
#include "DocumentStoreFixture.h"
#include "Support/SameText.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

namespace vell {
namespace {

using testsupport::canRedo;
using testsupport::canUndo;
using testsupport::DocumentStoreTest;
using testsupport::sameText;
using testsupport::selected;

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

    store.saver->applicationWillTerminate();
    const VellDocument onDisk = documentOnDisk();
    EXPECT_EQ(onDisk.sheets[0].text, huge);
    EXPECT_EQ(onDisk.sheets[1].text, "twice(2)\n3 + 5");
}

TEST_F(DocumentStoreTest, NoCommandPutsATextPastTheLimitIntoASheet) {
    // A line one byte short of the limit, of uses of "a".
    std::string uses = "a";
    while (uses.size() < SheetSize::maxLineBytes - 1)
        uses += "+a";
    const std::string longLine = "a = 1\n" + uses;
    std::string manyLines;
    while (manyLines.size() <= SheetSize::maxSheetBytes)
        manyLines += "1 + 1\n";
    writeDocument(sheetsWithTexts({"1 + 1"}));
    auto store = open();
    const Uuid id = selected(*store);
    store->setText(id, longLine);
    ASSERT_TRUE(sameText(store->sheets()[0].text, longLine)) << "a line up to the limit is taken";
    store->undo(id);
    ASSERT_TRUE(sameText(store->sheets()[0].text, "1 + 1"));
    QSignalSpy changes(store.get(), &DocumentStore::sheetTextChanged);

    store->setText(id, longLine + "+a");
    store->setTextNaming(id, "1 + 1\n" + manyLines);
    EXPECT_TRUE(sameText(store->sheets()[0].text, "1 + 1"));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(canRedo(*store)) << "no step was recorded in place of the one undone";

    // Renaming "a" would lengthen every use of it past the line's limit: the naming is refused and says why.
    store->redo(id);
    ASSERT_TRUE(sameText(store->sheets()[0].text, longLine));
    EXPECT_EQ(store->setName(id, 0, "abc"), SheetSize::refusalMessage());
    EXPECT_TRUE(sameText(store->sheets()[0].text, longLine));
    EXPECT_EQ(store->setName(id, 0, "b"), std::nullopt);
    EXPECT_EQ(store->sheets()[0].text.substr(0, 9), "b = 1\nb+b");
}

TEST_F(DocumentStoreTest, UndoAndRedoAreOfferedOnlyWhereTheyCanAct) {
    const std::string huge = hugeSheetWithAFunction();
    writeDocument(sheetsWithTexts({huge}));
    auto store = open();
    const Uuid id = selected(*store);
    EXPECT_FALSE(canUndo(*store));
    EXPECT_FALSE(canRedo(*store));

    // Clearing it can be undone, as the question before it promises: the sheet comes back as it was,
    // read-only.
    store->clearSheet(id);
    EXPECT_TRUE(canUndo(*store));
    store->undo(id);
    EXPECT_TRUE(sameText(store->sheets()[0].text, huge));
    EXPECT_TRUE(store->isTooLargeToEdit(id));
    EXPECT_FALSE(canRedo(*store)) << "a sheet too large to edit takes no step";
    EXPECT_FALSE(canUndo(*store));
    store->redo(id);
    EXPECT_TRUE(sameText(store->sheets()[0].text, huge));
}

} // namespace
} // namespace vell

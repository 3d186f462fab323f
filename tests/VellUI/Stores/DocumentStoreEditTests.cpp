// Text updates, line locks, line names, undo and redo of the document store.

#include "Document/SheetSize.h"
#include "DocumentStoreFixture.h"
#include "Sheet/DocumentEvaluator.h"
#include "Sheet/ProgramRunner.h"
#include "Sheet/SheetTotal.h"

#include <chrono>
#include <gtest/gtest.h>

namespace vell {
namespace {

using testsupport::DocumentStoreCaretTest;
using testsupport::makeSheet;
using testsupport::sheetId;
using Locks = std::vector<std::int64_t>;

class DocumentStoreEditTest : public DocumentStoreCaretTest {
protected:
    // One sheet "A" with that text and those locks, then a second sheet "B" with "2".
    OpenedDocument openWith(std::string text, Locks locks = {}) {
        writeDocument(documentOf({makeSheet(1, "A", std::move(text), clock(), std::move(locks)),
                                  makeSheet(2, "B", "2", clock())}));
        return open();
    }

    const Sheet& sheetA(const DocumentStore& store) const { return store.sheets().front(); }
};

TEST_F(DocumentStoreEditTest, AnUnchangedTextChangesNothing) {
    auto store = openWith("caf\u00e9");
    clock.advance(10);
    QSignalSpy documents(store.get(), &DocumentStore::sheetTextChanged);
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    for (const char* same : {"caf\u00e9", "cafe\u0301"}) {
        store->setText(*store->currentSheetID(), same);
        EXPECT_EQ(sheetA(*store).text, "caf\u00e9");
    }
    EXPECT_EQ(documents.count(), 0);
    EXPECT_EQ(evaluated.count(), 0);
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    EXPECT_FALSE(flushPendingSave(*store));
}

TEST_F(DocumentStoreEditTest, ATextUpdateStampsRecordsEvaluatesAndLocksFollowTheirLines) {
    auto store = openWith("a\nb\nc", {1});
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    clock.advance(10);
    store->setText(*store->currentSheetID(), "x\na\nb\nc");
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{2}));
    EXPECT_EQ(sheetA(*store).updatedAt, clock());
    EXPECT_EQ(results().size(), 4u);
    EXPECT_EQ(evaluated.count(), 1);
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));

    clock.advance(10);
    store->setText(*store->currentSheetID(), "x\nc");
    EXPECT_EQ(sheetA(*store).lockedLines, Locks{}) << "the locked line's text is gone";

    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "x\na\nb\nc");
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{2}));
    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "a\nb\nc") << "the first edit goes back to the text loaded";
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{1}));
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    ASSERT_TRUE(flushPendingSave(*store));
    EXPECT_EQ(documentOnDisk().sheets.front().text, "a\nb\nc");
}

// The store keeps each sheet's evaluation for the next key: what the other sheets define and the
// settings still count.
// A span typed over takes the same road as a whole text: locks follow, undo brings the text back, an
// equal span changes nothing. A span the sheet does not hold where it is said to be changes nothing and
// says so, and one that would make the sheet too large is refused.
TEST_F(DocumentStoreEditTest, ASpanTypedOverIsTakenAsTheWholeTextWouldBe) {
    auto store = openWith("a = 1\ncaf\u00e9\nb", {2});
    const Uuid id = *store->currentSheetID();
    QSignalSpy changed(store.get(), &DocumentStore::sheetTextChanged);
    clock.advance(10);

    EXPECT_EQ(store->replaceText(id, 5, "", "2\nx"), std::optional<bool>(true));
    EXPECT_EQ(sheetA(*store).text, "a = 12\nx\ncaf\u00e9\nb");
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{3}));
    EXPECT_EQ(sheetA(*store).updatedAt, clock());
    EXPECT_EQ(results().size(), 4u);
    EXPECT_EQ(changed.count(), 1);

    EXPECT_EQ(store->replaceText(id, 12, "\u00e9", "e\u0301"), std::optional<bool>(true)) << "equal";
    EXPECT_EQ(store->replaceText(id, 0, "b", "c"), std::nullopt) << "not there";
    EXPECT_EQ(store->replaceText(id, 99, "", "c"), std::nullopt) << "past the end";
    EXPECT_EQ(store->replaceText(id, 0, "", std::string(SheetSize::maxLineBytes + 1, '1')),
              std::optional<bool>(false));
    EXPECT_EQ(sheetA(*store).text, "a = 12\nx\ncaf\u00e9\nb");
    EXPECT_EQ(changed.count(), 1);

    clock.advance(10);
    store->undo(id);
    EXPECT_EQ(sheetA(*store).text, "a = 1\ncaf\u00e9\nb");
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{2}));
}

TEST_F(DocumentStoreEditTest, EvaluationsFollowTheOtherSheetsAndTheSettings) {
    auto store = openWith("k = 2\nf(k)\nplot(k × x)\n2 *");
    const auto described = [&] {
        std::vector<std::string> lines;
        for (const LineResult& result : results())
            lines.push_back(result.debugDescription());
        return lines;
    };
    const auto before = described();
    EXPECT_EQ(before[1].find("value"), std::string::npos); // no f yet
    ASSERT_NE(results()[2].outcome.as<PlotSpec>(), nullptr);
    const PlotSpec plot = *results()[2].outcome.as<PlotSpec>();

    store->setCurrentSheetID(sheetId(2));
    store->setText(*store->currentSheetID(), "def f(x):\n    return x × 10");
    store->setCurrentSheetID(sheetId(1));
    EXPECT_EQ(results()[1].outcome, LineOutcome::value(Value(20)));
    EXPECT_EQ(*results()[2].outcome.as<PlotSpec>(), plot);

    store->setText(*store->currentSheetID(), "k = 3\nf(k)\nplot(k × x)\n2 *");
    EXPECT_EQ(results()[1].outcome, LineOutcome::value(Value(30)));
    EXPECT_FALSE(*results()[2].outcome.as<PlotSpec>() == plot);

    const std::string english = described()[3];
    scope.setLanguage(AppLanguage::japanese);
    EXPECT_NE(described()[3], english);
}

// A store whose evaluations read a clock that moves on 0.1 s at every reading: the time limit
// (0.15 s) lets an evaluation work out about one line that builds a long list (its work reads the
// clock), and lines it takes over from the evaluation before read nothing.
class DocumentStoreFillInTest : public DocumentStoreEditTest {
protected:
    OpenedDocument openSlowly(std::string text) {
        writeDocument(
            documentOf({makeSheet(1, "A", std::move(text), clock()), makeSheet(2, "B", "2", clock())}));
        evaluationServices.evaluationClock = [now = std::make_shared<ProgramBudget::Clock::time_point>()] {
            *now += std::chrono::milliseconds(100);
            return *now;
        };
        return open();
    }

    // The sheet evaluated whole, the clock held still.
    static std::vector<std::string> afresh(std::string_view text) {
        const std::vector<SharedSheet> others{{"B", "2"}};
        ProgramRunner runner(DocumentEvaluator::splitLines(text), others,
                             [] { return ProgramBudget::Clock::time_point(); });
        return described(runner.run());
    }
    static std::vector<std::string> described(const std::vector<LineResult>& results) {
        std::vector<std::string> lines;
        for (const LineResult& result : results)
            lines.push_back(result.debugDescription());
        return lines;
    }
};

TEST_F(DocumentStoreFillInTest, ASheetTheTimeLimitCutShortGetsAllItsAnswersWithoutAKey) {
    const std::string text = "a = len([1] * 5000)\nb = a + len([2] * 5000)\n// a note\n"
                             "len([3] * 5000) × 2\nplot(b × x)\nsum\nc = b + len([4] * 5000)";
    auto store = openSlowly(text);
    const std::vector<std::string> whole = afresh(text);
    ASSERT_EQ(whole[6], "value 15000 named c");
    ASSERT_NE(described(results()), whole) << "the first evaluation is cut short";
    EXPECT_NE(described(results())[3].find("The loop is taking too long"), std::string::npos);

    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    EXPECT_TRUE(QTest::qWaitFor([&] { return described(results()) == whole; }, 5000));
    const auto rounds = evaluated.count();
    QTest::qWait(100);
    EXPECT_EQ(evaluated.count(), rounds) << "a complete sheet is not evaluated again";

    // Keys go first, also while rounds are due: each text is evaluated at once, and the rounds go on
    // from the last.
    const std::string added = text + "\nd = c + len([5] * 5000)\ne = d + len([6] * 5000)";
    store->setText(*store->currentSheetID(), added);
    ASSERT_NE(described(results()), afresh(added));
    const std::string typed = added + "\nf = e + len([7] * 5000)";
    store->setText(*store->currentSheetID(), typed);
    ASSERT_EQ(results().size(), 10u);
    EXPECT_NE(described(results()), afresh(typed));
    EXPECT_TRUE(QTest::qWaitFor([&] { return described(results()) == afresh(typed); }, 5000));
}

TEST_F(DocumentStoreFillInTest, ASheetTypedIntoInAWindowThatIsNotTheSelectionFillsInToo) {
    auto store = openSlowly("1");
    const Uuid selected = *store->currentSheetID();
    const Uuid other = sheetId(2);
    const std::string text = "a = len([1] * 5000)\nb = a + len([2] * 5000)\n// a note\n"
                             "len([3] * 5000) × 2\nplot(b × x)\nsum\nc = b + len([4] * 5000)";
    store->setText(other, text);
    ASSERT_EQ(store->currentSheetID(), selected);
    ASSERT_NE(described(results(other)), afresh(text)) << "the first evaluation is cut short";
    EXPECT_TRUE(QTest::qWaitFor([&] { return described(results(other)) == afresh(text); }, 5000));
    EXPECT_EQ(store->currentSheetID(), selected);
}

TEST_F(DocumentStoreFillInTest, ASheetThatRunsOutOfTimeWhereverItStartsIsNotEvaluatedOverAndOver) {
    auto store = openSlowly("a = len([1] * 5000)\nwhile 1:\n    2\nb = len([2] * 5000)");
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    QTest::qWait(300);
    // At most one more round: it takes the first line over and gets no further.
    EXPECT_LE(evaluated.count(), 1);
    const auto lines = described(results());
    EXPECT_EQ(lines[0], "value 5000 named a");
    EXPECT_NE(lines[3].find("The loop is taking too long"), std::string::npos);
}

TEST_F(DocumentStoreEditTest, UndoAndRedoRestoreTheTextAndPutTheCaretAtTheChange) {
    auto store = openWith("x");
    // Typed within one undo step.
    for (const char* text : {"xa", "xab", "xabc"}) {
        store->setText(*store->currentSheetID(), text);
        clock.advance(0.2);
    }
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));
    EXPECT_FALSE(store->canRedo(*store->currentSheetID()));

    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "x");
    EXPECT_EQ(carets, (std::vector<qint64>{1}));
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    EXPECT_TRUE(store->canRedo(*store->currentSheetID()));
    EXPECT_EQ(results().size(), 1u);

    store->redo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "xabc");
    EXPECT_EQ(carets, (std::vector<qint64>{1, 4}));
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));
    EXPECT_FALSE(store->canRedo(*store->currentSheetID()));

    // After an undo, any edit empties the redo list.
    store->undo(*store->currentSheetID());
    store->setText(*store->currentSheetID(), "xz");
    EXPECT_FALSE(store->canRedo(*store->currentSheetID()));
    store->redo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "xz");
}

TEST_F(DocumentStoreEditTest, CaretsAreUtf16Offsets) {
    auto store = openWith("\U0001F600");
    store->setText(*store->currentSheetID(), "\U0001F600\u00e9");
    store->undo(*store->currentSheetID());
    EXPECT_EQ(carets, (std::vector<qint64>{2}));
}

TEST_F(DocumentStoreEditTest, KeystrokesGroupIntoStepsByTime) {
    auto store = openWith("");
    store->setText(*store->currentSheetID(), "1");
    clock.advance(0.5);
    store->setText(*store->currentSheetID(), "12");
    clock.advance(0.5); // a second after the step began
    store->setText(*store->currentSheetID(), "123");
    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "12");
    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "");
}

TEST_F(DocumentStoreEditTest, UndoWithNothingToUndoDoesNothing) {
    auto store = openWith("1");
    const VellDocument before = store->document();
    store->undo(*store->currentSheetID());
    store->redo(*store->currentSheetID());
    EXPECT_FALSE(flushPendingSave(*store));
    EXPECT_EQ(store->document(), before);
    EXPECT_TRUE(carets.empty());
}

TEST_F(DocumentStoreEditTest, TogglingALockIsAStepOfItsOwnAndEvaluatesNothing) {
    auto store = openWith("1\n2\n3", {2, 0, 2});
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    clock.advance(10);
    store->toggleLock(*store->currentSheetID(), 1);
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{0, 1, 2})) << "ascending, each line once";
    EXPECT_EQ(sheetA(*store).updatedAt, clock());
    store->toggleLock(*store->currentSheetID(), 1);
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{0, 2}));
    EXPECT_EQ(evaluated.count(), 0);
    ASSERT_TRUE(flushPendingSave(*store));

    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{0, 1, 2}));
    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).lockedLines, (Locks{2, 0, 2})) << "the state as loaded";
    EXPECT_TRUE(carets.empty()) << "only the locks changed";
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));

    // Neither a line beyond the text nor a negative one can be locked.
    const VellDocument before = store->document();
    ASSERT_TRUE(flushPendingSave(*store));
    for (const std::int64_t line : {std::int64_t{3}, std::int64_t{7}, std::int64_t{-1}}) {
        store->toggleLock(*store->currentSheetID(), line);
        EXPECT_FALSE(flushPendingSave(*store)) << line;
        EXPECT_EQ(store->document(), before) << line;
    }
}

TEST_F(DocumentStoreEditTest, CommandsActOnTheSheetTheyNameAndLeaveTheSelectionAlone) {
    auto store = openWith("1");
    QSignalSpy changes(store.get(), &DocumentStore::sheetTextChanged);
    QSignalSpy locks(store.get(), &DocumentStore::sheetLocksChanged);
    QSignalSpy flags(store.get(), &DocumentStore::undoStateChanged);
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);
    const QObject typist;
    store->setText(sheetId(2), "2 + 2", &typist);
    store->toggleLock(sheetId(2), 0);
    EXPECT_EQ(store->currentSheetID(), sheetId(1));
    EXPECT_EQ(store->sheets()[1].text, "2 + 2");
    EXPECT_EQ(store->sheets()[1].lockedLines, Locks{0});
    EXPECT_EQ(results(sheetId(2)).front().outcome.debugDescription(), "value 4");
    EXPECT_TRUE(store->canUndo(sheetId(2)));
    EXPECT_FALSE(store->canUndo(sheetId(1)));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].value<Uuid>(), sheetId(2));
    EXPECT_EQ(changes[0][1].value<const QObject*>(), &typist) << "the typing names who typed";
    ASSERT_EQ(locks.count(), 1);
    EXPECT_EQ(locks[0][0].value<Uuid>(), sheetId(2));
    ASSERT_GE(flags.count(), 1);
    EXPECT_EQ(flags.back()[0].value<Uuid>(), sheetId(2));
    ASSERT_EQ(evaluated.count(), 1);
    EXPECT_EQ(evaluated[0][0].value<Uuid>(), sheetId(2));

    store->undo(sheetId(2));
    EXPECT_EQ(store->sheets()[1].lockedLines, Locks{});
    store->undo(sheetId(2));
    EXPECT_EQ(store->sheets()[1].text, "2");
    EXPECT_EQ(carets, (std::vector<qint64>{1})) << "the lock's undo leaves the text and the caret";
    EXPECT_EQ(caretSheets, (std::vector<Uuid>{sheetId(2)}));
    EXPECT_EQ(changes.back()[1].value<const QObject*>(), nullptr) << "an undo is read back by every editor";
    store->redo(sheetId(2));
    EXPECT_EQ(store->sheets()[1].text, "2 + 2");
    EXPECT_EQ(sheetA(*store).text, "1");
    EXPECT_FALSE(store->canUndo(sheetId(1)));
    EXPECT_EQ(store->currentSheetID(), sheetId(1));
}

TEST_F(DocumentStoreEditTest, NamingALine) {
    struct Case {
        const char* what;
        std::string text;
        Locks locks;
        std::int64_t line;
        std::string name;
        std::optional<std::string> message;
        std::string textAfter;
        Locks locksAfter;
    };
    const Case cases[] = {
        {"a new name", "3 + 4\n5", {}, 0, "total2", std::nullopt, "total2 = 3 + 4\n5", {}},
        {"a locked line keeps its lock",
         "3 + 4\n5",
         {0, 1},
         0,
         "seven",
         std::nullopt,
         "seven = 3 + 4\n5",
         {0, 1}},
        {"a renamed locked line and a locked reference keep theirs",
         "a = 2\nc = a * 3\n9",
         {0, 1},
         0,
         "b",
         std::nullopt,
         "b = 2\nc = b * 3\n9",
         {0, 1}},
        {"the engine's refusal", "3 + 4", {}, 0, "", "Enter a name", "3 + 4", {}},
        {"a function name",
         "3 + 4",
         {},
         0,
         "SQRT",
         "“SQRT” is a function name and can’t be used",
         "3 + 4",
         {}},
        {"a blank line cannot be named", "3\n  ", {}, 1, "y", "The line could not be named", "3\n  ", {}},
        {"a line outside the text cannot be named", "3", {}, 4, "y", "The line could not be named", "3", {}},
    };
    for (const Case& c : cases) {
        auto store = openWith(c.text, c.locks);
        EXPECT_EQ(store->setName(*store->currentSheetID(), c.line, c.name), c.message) << c.what;
        EXPECT_EQ(sheetA(*store).text, c.textAfter) << c.what;
        EXPECT_EQ(sheetA(*store).lockedLines, c.locksAfter) << c.what;
        EXPECT_EQ(store->canUndo(*store->currentSheetID()), !c.message) << c.what;
    }
}

TEST_F(DocumentStoreEditTest, ALineThatCannotBeNamedIsToldInTheUsersLanguage) {
    auto store = openWith("3\n  ");
    scope.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(store->setName(*store->currentSheetID(), 1, "y"), "名前を付けられませんでした");
    scope.setLanguage(AppLanguage::english);
    EXPECT_EQ(store->setName(*store->currentSheetID(), 1, "y"), "The line could not be named");
}

TEST_F(DocumentStoreEditTest, PruningDropsOnlyTheHistoriesThatNoLongerDescribeTheirSheet) {
    auto store = openWith("1");
    store->setText(*store->currentSheetID(), "1 + 1");
    store->setCurrentSheetID(sheetId(2));
    store->setText(*store->currentSheetID(), "2 + 2");
    ASSERT_TRUE(store->histories().contains(sheetId(1)));

    // Another copy changed B and removed nothing.
    VellDocument merged = store->document();
    merged.sheets[1].text = "22";
    merged.sheets[1].updatedAt = clock().addingSeconds(30);
    store->adoptDocument(merged);
    EXPECT_TRUE(store->histories().contains(sheetId(1)));
    EXPECT_FALSE(store->histories().contains(sheetId(2)));
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
    EXPECT_EQ(results().front().outcome.debugDescription(), "value 22");
    store.saver->finishWrites();
    ASSERT_TRUE(fileExists());
    EXPECT_EQ(documentOnDisk().sheets[1].text, "22") << "written at once";

    store->setCurrentSheetID(sheetId(1));
    EXPECT_TRUE(store->canUndo(*store->currentSheetID()));
    store->undo(*store->currentSheetID());
    EXPECT_EQ(sheetA(*store).text, "1");
}

TEST_F(DocumentStoreEditTest, AnAdoptedDocumentWithoutSheetsFallsBackToTheStarterDocument) {
    auto store = openWith("1");
    VellDocument empty;
    store->adoptDocument(empty);
    EXPECT_EQ(testsupport::namesOf(store->sheets()),
              testsupport::namesOf(VellDocument::starter(clock).sheets));
    ASSERT_TRUE(store->currentSheetID());
    store->setText(*store->currentSheetID(), "typed");
    EXPECT_EQ(store->currentSheet().text, "typed");
}

TEST_F(DocumentStoreEditTest, TheTotalOfTheResults) {
    auto store = openWith("100\n// note\n23");
    const auto total = SheetTotal::of(results());
    ASSERT_TRUE(total);
    EXPECT_EQ(total->debugDescription(), "123");
}

} // namespace
} // namespace vell

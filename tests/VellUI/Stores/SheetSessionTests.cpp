// The per-window sheet session and the store's refresh of every open window.

#include "DocumentStoreFixture.h"
#include "Engine/Evaluator.h"
#include "Sheet/DocumentEvaluator.h"
#include "Stores/SheetSession.h"

#include <gtest/gtest.h>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vell {
namespace {

using testsupport::DocumentStoreTest;
using testsupport::makeSheet;
using testsupport::sheetId;

class SheetSessionTest : public DocumentStoreTest {
protected:
    // "A" = "1 + 1", "B" = "2 + 2", "C" = "3 + 3"; A selected.
    std::unique_ptr<DocumentStore> openThree() {
        writeDocument(documentOf({makeSheet(1, "A", "1 + 1", clock()), makeSheet(2, "B", "2 + 2", clock()),
                                  makeSheet(3, "C", "3 + 3", clock())}));
        return open();
    }

    // The store's services with every sheet it evaluates recorded, by its text, in `evaluated`.
    DocumentStore::Services recordingEvaluations(std::shared_ptr<std::vector<std::string>> evaluated) {
        DocumentStore::Services recording = services();
        recording.evaluator = [evaluated](std::string_view text, std::span<const SharedSheet> others) {
            evaluated->emplace_back(text);
            return DocumentEvaluator::evaluate(text, others);
        };
        return recording;
    }

    static std::string firstAnswer(const SheetSession& session) {
        return session.results().empty() ? "" : session.results().front().outcome.debugDescription();
    }
};

TEST_F(SheetSessionTest, AWindowShowsTheSelectedSheetWithItsResultsAtOnce) {
    auto store = openThree();
    store->setCurrentSheetID(sheetId(2));
    SheetSession session(*store);
    EXPECT_EQ(session.sheetID(), sheetId(2));
    EXPECT_EQ(session.sheet().name, "B");
    EXPECT_EQ(firstAnswer(session), "value 4");

    SheetSession other(*store, sheetId(3));
    EXPECT_EQ(other.sheetID(), sheetId(3));
    EXPECT_EQ(firstAnswer(other), "value 6");
    EXPECT_EQ(store->currentSheetID(), sheetId(2)) << "opening a window selects nothing";
    EXPECT_EQ(store->activeSession(), nullptr);
}

TEST_F(SheetSessionTest, SelectingShowsTheSheetAndSelectsItInTheDocument) {
    auto store = openThree();
    SheetSession session(*store);
    SheetSession other(*store);
    QSignalSpy results(&session, &SheetSession::resultsChanged);

    session.select(sheetId(9));
    EXPECT_EQ(session.sheetID(), sheetId(1));
    EXPECT_EQ(store->activeSession(), nullptr) << "an unknown id changes nothing";
    EXPECT_EQ(results.count(), 0);

    session.select(sheetId(3));
    EXPECT_EQ(session.sheetID(), sheetId(3));
    EXPECT_EQ(store->currentSheetID(), sheetId(3));
    EXPECT_EQ(store->activeSession(), &session);
    EXPECT_EQ(firstAnswer(session), "value 6");
    EXPECT_EQ(other.sheetID(), sheetId(1)) << "the other window keeps its sheet";

    // The sheet already shown: still active and refreshed.
    other.focus();
    results.clear();
    session.select(sheetId(3));
    EXPECT_EQ(store->activeSession(), &session);
    EXPECT_GE(results.count(), 1);
}

TEST_F(SheetSessionTest, FocusingMakesTheWindowsSheetTheSelection) {
    auto store = openThree();
    SheetSession session(*store, sheetId(2));
    QSignalSpy storeResults(store.get(), &DocumentStore::resultsChanged);

    store->setCurrentSheetID(sheetId(2));
    storeResults.clear();
    ASSERT_TRUE(flushPendingSave(*store));
    session.focus();
    EXPECT_EQ(store->activeSession(), &session);
    EXPECT_EQ(storeResults.count(), 0) << "already the selection: nothing is evaluated";
    EXPECT_FALSE(flushPendingSave(*store));

    SheetSession other(*store, sheetId(3));
    other.focus();
    EXPECT_EQ(store->activeSession(), &other);
    EXPECT_EQ(store->currentSheetID(), sheetId(3));
    EXPECT_EQ(storeResults.count(), 1);
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
}

TEST_F(SheetSessionTest, EveryWindowIsRefreshedAfterAChangeInAnyOfThem) {
    auto store = openThree();
    SheetSession left(*store, sheetId(1));
    SheetSession right(*store, sheetId(2));
    QSignalSpy rightResults(&right, &SheetSession::resultsChanged);

    // Typing in the left window: the binding focuses its session, then writes the text.
    left.setText("10 + 1");
    EXPECT_EQ(firstAnswer(left), "value 11");
    EXPECT_EQ(firstAnswer(right), "value 4");
    EXPECT_EQ(rightResults.count(), 1) << "refreshed even though its sheet did not change";
    EXPECT_EQ(right.sheetID(), sheetId(2));

    right.setText("20 + 2");
    EXPECT_EQ(firstAnswer(right), "value 22");
    EXPECT_EQ(firstAnswer(left), "value 11");
    EXPECT_EQ(left.sheetID(), sheetId(1));
    EXPECT_EQ(store->sheets()[0].text, "10 + 1");
}

TEST_F(SheetSessionTest, AWindowOnAnotherSheetSeesTheFunctionsOfTheEditedSheet) {
    auto store = openThree();
    SheetSession left(*store, sheetId(1));
    SheetSession right(*store, sheetId(2));
    right.setText("twice(21)");
    left.setText("def twice(a):\n    return a * 2");
    EXPECT_EQ(firstAnswer(right), "value 42");
}

TEST_F(SheetSessionTest, AWindowWhoseSheetWasDeletedMovesToTheSelection) {
    auto store = openThree();
    SheetSession session(*store, sheetId(3));
    store->setCurrentSheetID(sheetId(2));
    store->deleteSheet(sheetId(3));
    EXPECT_EQ(session.sheetID(), sheetId(2));
    EXPECT_EQ(firstAnswer(session), "value 4");
}

TEST_F(SheetSessionTest, AClosedWindowIsForgottenAtTheNextChange) {
    auto store = openThree();
    auto closing = std::make_unique<SheetSession>(*store, sheetId(2));
    SheetSession staying(*store, sheetId(1));
    closing->focus();
    EXPECT_EQ(store->activeSession(), closing.get());
    closing.reset();
    EXPECT_EQ(store->activeSession(), nullptr);
    QSignalSpy refreshes(&staying, &SheetSession::resultsChanged);
    store->setText(*store->currentSheetID(), "5 + 5");
    EXPECT_EQ(store->sheets()[1].text, "5 + 5") << "the selection is still B";
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_EQ(firstAnswer(staying), "value 2");
}

// After a change the store has just evaluated the selected sheet: a window showing that sheet takes
// those results instead of evaluating the same sheet again; a window on another sheet evaluates its own.
TEST_F(SheetSessionTest, AWindowOnTheSelectedSheetTakesTheStoresEvaluation) {
    writeDocument(documentOf({makeSheet(1, "A", "1 + 1", clock()), makeSheet(2, "B", "2 + 2", clock()),
                              makeSheet(3, "C", "3 + 3", clock())}));
    auto evaluated = std::make_shared<std::vector<std::string>>();
    DocumentStore store(storagePath, settings, keyLayouts, recordingEvaluations(evaluated));
    SheetSession shown(store);
    SheetSession elsewhere(store, sheetId(3));

    evaluated->clear();
    store.setText(*store.currentSheetID(), "1 + 2");
    EXPECT_EQ(*evaluated, (std::vector<std::string>{"1 + 2", "3 + 3"}));
    EXPECT_EQ(shown.results(), store.results());
    EXPECT_EQ(firstAnswer(shown), "value 3");

    evaluated->clear();
    shown.select(sheetId(2));
    EXPECT_EQ(*evaluated, (std::vector<std::string>{"2 + 2", "3 + 3"}));
    EXPECT_EQ(firstAnswer(shown), "value 4");

    // The angle setting changes answers without changing the document: the store's results are stale.
    evaluated->clear();
    scope.setDegrees(!EngineSettings::current().degrees);
    store.refreshSessions();
    EXPECT_EQ(*evaluated, (std::vector<std::string>{"2 + 2", "3 + 3"}));
    // What the refresh evaluated stays with the store until something changes again.
    evaluated->clear();
    shown.refresh();
    EXPECT_TRUE(evaluated->empty());
    EXPECT_EQ(firstAnswer(shown), "value 4");
}

// Two windows on the selected sheet: a key evaluates it once, not once per window.
TEST_F(SheetSessionTest, TwoWindowsOnOneSheetEvaluateItOncePerKey) {
    writeDocument(documentOf({makeSheet(1, "A", "1 + 1", clock()), makeSheet(2, "B", "2 + 2", clock())}));
    auto evaluated = std::make_shared<std::vector<std::string>>();
    DocumentStore store(storagePath, settings, keyLayouts, recordingEvaluations(evaluated));
    SheetSession first(store);
    SheetSession second(store);
    for (const char* text : {"1 + 2", "1 + 23", "1 + 234"}) {
        evaluated->clear();
        first.setText(text);
        EXPECT_EQ(*evaluated, std::vector<std::string>{text});
        EXPECT_EQ(first.results(), store.results());
        EXPECT_EQ(second.results(), store.results());
    }
}

TEST_F(SheetSessionTest, CountsNamedValuesAndPlotsComeFromTheResults) {
    writeDocument(
        documentOf({makeSheet(1, "A", "price = 1200\n// note\n2 *\nbad = 2 *\n3\n\nplot(x^2)", clock())}));
    auto store = open();
    SheetSession session(*store);
    EXPECT_EQ(session.calculatedLineCount(), 2);
    const auto named = session.namedValues();
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].name, "price");
    EXPECT_EQ(named[0].value.debugDescription(), "1200");
    EXPECT_EQ(named[0].line, 0);
    const auto plots = session.plots();
    ASSERT_EQ(plots.size(), 1u);
    EXPECT_EQ(plots[0].title, "plot(x^2)");
}

} // namespace
} // namespace vell

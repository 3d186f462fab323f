// The per-window sheet session: what it shows, and which windows a change makes evaluate again.

#include "DocumentStoreFixture.h"
#include "Engine/Evaluator.h"
#include "Sheet/DocumentEvaluator.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetSession.h"

#include <algorithm>
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
    OpenedDocument openThree() {
        writeDocument(documentOf({makeSheet(1, "A", "1 + 1", clock()), makeSheet(2, "B", "2 + 2", clock()),
                                  makeSheet(3, "C", "3 + 3", clock())}));
        return open();
    }

    // A store whose evaluations record every sheet they evaluate, by its text, in `evaluated`.
    OpenedDocument openRecording(std::shared_ptr<std::vector<std::string>> evaluated) {
        evaluationServices.evaluator = [evaluated](std::string_view text,
                                                   std::span<const SharedSheet> others) {
            evaluated->emplace_back(text);
            return DocumentEvaluator::evaluate(text, others);
        };
        return open();
    }
    std::unique_ptr<SheetSession> session(DocumentStore& store, std::optional<Uuid> sheet = std::nullopt) {
        return std::make_unique<SheetSession>(store, *evaluations, sheet);
    }

    static std::string firstAnswer(const SheetSession& session) {
        return session.results().empty() ? "" : session.results().front().outcome.debugDescription();
    }
};

TEST_F(SheetSessionTest, AWindowShowsTheSelectedSheetWithItsResultsAtOnce) {
    auto store = openThree();
    store->setCurrentSheetID(sheetId(2));
    SheetSession session(*store, *evaluations);
    EXPECT_EQ(session.sheetID(), sheetId(2));
    EXPECT_EQ(session.sheet().name, "B");
    EXPECT_EQ(firstAnswer(session), "value 4");

    SheetSession other(*store, *evaluations, sheetId(3));
    EXPECT_EQ(other.sheetID(), sheetId(3));
    EXPECT_EQ(firstAnswer(other), "value 6");
    EXPECT_EQ(store->currentSheetID(), sheetId(2)) << "opening a window selects nothing";
    EXPECT_EQ(store->activeSession(), nullptr);
}

TEST_F(SheetSessionTest, SelectingShowsTheSheetAndSelectsItInTheDocument) {
    auto store = openThree();
    SheetSession session(*store, *evaluations);
    SheetSession other(*store, *evaluations);
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
    SheetSession session(*store, *evaluations, sheetId(2));
    QSignalSpy evaluated(evaluations.get(), &SheetEvaluations::resultsChanged);

    store->setCurrentSheetID(sheetId(2));
    ASSERT_TRUE(flushPendingSave(*store));
    session.focus();
    EXPECT_EQ(store->activeSession(), &session);
    EXPECT_FALSE(flushPendingSave(*store)) << "already the selection";

    SheetSession other(*store, *evaluations, sheetId(3));
    other.focus();
    EXPECT_EQ(store->activeSession(), &other);
    EXPECT_EQ(store->currentSheetID(), sheetId(3));
    EXPECT_EQ(evaluated.count(), 0) << "a window has its sheet's answers already";
    EXPECT_FALSE(store->canUndo(*store->currentSheetID()));
}

TEST_F(SheetSessionTest, AChangeRefreshesTheWindowsOnTheChangedSheetOnly) {
    auto store = openThree();
    SheetSession left(*store, *evaluations, sheetId(1));
    SheetSession right(*store, *evaluations, sheetId(2));
    QSignalSpy rightResults(&right, &SheetSession::resultsChanged);

    left.setText("10 + 1");
    EXPECT_EQ(firstAnswer(left), "value 11");
    EXPECT_EQ(firstAnswer(right), "value 4");
    EXPECT_EQ(rightResults.count(), 0) << "its sheet did not change";
    EXPECT_EQ(right.sheetID(), sheetId(2));

    right.setText("20 + 2");
    EXPECT_EQ(firstAnswer(right), "value 22");
    EXPECT_EQ(firstAnswer(left), "value 11");
    EXPECT_EQ(left.sheetID(), sheetId(1));
    EXPECT_EQ(store->sheets()[0].text, "10 + 1");
}

TEST_F(SheetSessionTest, AWindowOnAnotherSheetSeesTheFunctionsOfTheEditedSheet) {
    auto store = openThree();
    SheetSession left(*store, *evaluations, sheetId(1));
    SheetSession right(*store, *evaluations, sheetId(2));
    right.setText("twice(21)");
    left.setText("def twice(a):\n    return a * 2");
    EXPECT_EQ(firstAnswer(right), "value 42");
}

TEST_F(SheetSessionTest, AWindowWhoseSheetWasDeletedMovesToTheSelection) {
    auto store = openThree();
    SheetSession session(*store, *evaluations, sheetId(3));
    store->setCurrentSheetID(sheetId(2));
    store->deleteSheet(sheetId(3));
    EXPECT_EQ(session.sheetID(), sheetId(2));
    EXPECT_EQ(firstAnswer(session), "value 4");
}

TEST_F(SheetSessionTest, AClosedWindowIsForgottenAtTheNextChange) {
    auto store = openThree();
    auto closing = std::make_unique<SheetSession>(*store, *evaluations, sheetId(2));
    SheetSession staying(*store, *evaluations, sheetId(1));
    closing->focus();
    EXPECT_EQ(store->activeSession(), closing.get());
    closing.reset();
    EXPECT_EQ(store->activeSession(), nullptr);
    QSignalSpy refreshes(&staying, &SheetSession::resultsChanged);
    store->setText(*store->currentSheetID(), "5 + 5");
    EXPECT_EQ(store->sheets()[1].text, "5 + 5") << "the selection is still B";
    EXPECT_EQ(refreshes.count(), 0);
    store->setText(sheetId(1), "5 + 6");
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_EQ(firstAnswer(staying), "value 11");
}

// A key evaluates the sheet typed into, once whatever the number of windows on it, and no window's
// sheet that does not read it; a change of what a sheet offers the others, or of the engine settings,
// has every window's sheet evaluated again.
TEST_F(SheetSessionTest, AKeyEvaluatesTheEditedSheetOnceAndOnlyTheSheetsThatReadIt) {
    writeDocument(documentOf({makeSheet(1, "A", "1 + 1", clock()), makeSheet(2, "B", "2 + 2", clock()),
                              makeSheet(3, "C", "twice(3)", clock())}));
    auto evaluated = std::make_shared<std::vector<std::string>>();
    auto store = openRecording(evaluated);
    auto first = session(*store);
    auto second = session(*store);
    auto elsewhere = session(*store, sheetId(3));
    ASSERT_EQ(firstAnswer(*elsewhere).find("value"), std::string::npos);

    for (const char* text : {"1 + 2", "1 + 23", "1 + 234"}) {
        evaluated->clear();
        first->setText(text);
        EXPECT_EQ(*evaluated, std::vector<std::string>{text});
        EXPECT_EQ(first->results(), second->results());
    }

    evaluated->clear();
    first->select(sheetId(2));
    EXPECT_EQ(*evaluated, std::vector<std::string>{"2 + 2"});
    EXPECT_EQ(firstAnswer(*first), "value 4");

    // Defining what another window's sheet calls reaches it; a key in the body of that function too,
    // a key elsewhere on the sheet that defines it does not.
    evaluated->clear();
    first->setText("def twice(a):\n    return a * 2\n5");
    EXPECT_EQ(firstAnswer(*elsewhere), "value 6");
    EXPECT_EQ(std::count(evaluated->begin(), evaluated->end(), "twice(3)"), 1);
    evaluated->clear();
    first->setText("def twice(a):\n    return a * 3\n5");
    EXPECT_EQ(firstAnswer(*elsewhere), "value 9");
    evaluated->clear();
    first->setText("def twice(a):\n    return a * 3\n56");
    EXPECT_EQ(*evaluated, std::vector<std::string>{"def twice(a):\n    return a * 3\n56"});

    // The angle setting changes answers without changing the document.
    evaluated->clear();
    scope.setDegrees(!EngineSettings::current().degrees);
    emit settings.engineSettingsChanged();
    std::sort(evaluated->begin(), evaluated->end());
    EXPECT_EQ(*evaluated,
              (std::vector<std::string>{"1 + 234", "def twice(a):\n    return a * 3\n56", "twice(3)"}));
    evaluated->clear();
    first->refresh();
    EXPECT_TRUE(evaluated->empty()) << "kept until something changes again";
}

TEST_F(SheetSessionTest, CountsNamedValuesAndPlotsComeFromTheResults) {
    writeDocument(
        documentOf({makeSheet(1, "A", "price = 1200\n// note\n2 *\nbad = 2 *\n3\n\nplot(x^2)", clock())}));
    auto store = open();
    SheetSession session(*store, *evaluations);
    EXPECT_EQ(session.calculatedLineCount(), 2);
    const auto named = session.namedValues();
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].name, "price");
    EXPECT_EQ(named[0].value.debugDescription(), "1200");
    EXPECT_EQ(named[0].line, 0);
    EXPECT_TRUE(session.hasPlots());
    store->setText(sheetId(1), "price = 1200");
    EXPECT_FALSE(session.hasPlots());
}

} // namespace
} // namespace vell

// When the document store writes its file: a pause after typing, a bound while the typing goes on, and
// again after a write that failed. The saves run on a timer whose time the test moves by hand.

#include "DocumentStoreFixture.h"
#include "Stores/DocumentWriter.h"
#include "Stores/SaveTimer.h"
#include "Stores/StorageNotices.h"
#include "Support/WarningLog.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vell {
namespace {

using namespace std::chrono_literals;
using testsupport::DocumentStoreTest;
using testsupport::WarningLog;

// Stands still until the test moves it, and runs each deadline it passes at its moment; the write a
// deadline asks for is made before the time moves on.
class ManualSaveTimer final : public SaveTimer {
public:
    Clock::time_point now() const override { return now_; }
    void setDeadline(Clock::time_point when, std::function<void()> due) override {
        deadline_ = when;
        due_ = std::move(due);
    }
    void cancel() override { due_ = nullptr; }

    void advance(std::chrono::milliseconds by) {
        const Clock::time_point end = now_ + by;
        while (due_ && deadline_ <= end) {
            now_ = std::max(now_, deadline_);
            std::exchange(due_, nullptr)();
            if (afterDue) afterDue();
        }
        now_ = end;
    }
    // How long from now until the deadline; none when nothing is set.
    std::optional<std::chrono::milliseconds> wait() const {
        if (!due_) return std::nullopt;
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now_);
    }

    std::function<void()> afterDue;

private:
    Clock::time_point now_{};
    Clock::time_point deadline_{};
    std::function<void()> due_;
};

class DocumentStoreSaveTest : public DocumentStoreTest {
protected:
    ~DocumentStoreSaveTest() override {
        timer.afterDue = nullptr;
        saves.reset();
        store.reset();
    }

    void openStore() {
        DocumentSaver::Services services = this->services();
        services.saveTimer = &timer;
        store = open(services);
        timer.afterDue = [this] { store.saver->finishWrites(); };
        saves = std::make_unique<QSignalSpy>(store.saver.get(), &DocumentSaver::saved);
    }
    void openOnAnEmptySheet() {
        writeDocument(sheetsWithTexts({""}));
        openStore();
    }
    // Below a regular file, where no folder can be made: every write fails until the file goes.
    void openBlocked() {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        storagePath = QDir(blocker).filePath("document.json");
        openStore();
    }

    std::string textOnDisk() const { return documentOnDisk().sheets.front().text; }

    const QString blocker = folder.filePath("blocker");

    ManualSaveTimer timer;
    OpenedDocument store;
    std::unique_ptr<QSignalSpy> saves;
};

TEST_F(DocumentStoreSaveTest, AnEditIsWrittenAPauseAfterIt) {
    openOnAnEmptySheet();
    store->setText(*store->currentSheetID(), "1");
    timer.advance(399ms);
    EXPECT_EQ(saves->count(), 0);
    timer.advance(1ms);
    ASSERT_EQ(saves->count(), 1);
    EXPECT_EQ(textOnDisk(), "1");

    // Keys closer together than the pause make one write, a pause after the last of them.
    for (const char* text : {"12", "123", "1234"}) {
        store->setText(*store->currentSheetID(), text);
        timer.advance(300ms);
    }
    EXPECT_EQ(saves->count(), 1);
    timer.advance(100ms);
    EXPECT_EQ(saves->count(), 2);
    EXPECT_EQ(textOnDisk(), "1234");
    EXPECT_FALSE(timer.wait()) << "nothing is left to write";
}

// Steady typing never pauses long enough for the pause to end, yet no key waits more than 2 s for the disk.
TEST_F(DocumentStoreSaveTest, SteadyTypingReachesTheDiskWithinTwoSeconds) {
    openOnAnEmptySheet();
    std::string text;
    std::vector<std::chrono::milliseconds> typedAt;
    std::vector<SaveTimer::Clock::time_point> savedAt;
    std::chrono::milliseconds elapsed{0};
    QObject::connect(store.saver.get(), &DocumentSaver::saved, store.saver.get(),
                     [&] { savedAt.push_back(timer.now()); });
    for (; elapsed < 5000ms; elapsed += 100ms) {
        text += typedAt.size() % 10 == 9 ? '\n' : '1';
        typedAt.push_back(elapsed);
        store->setText(*store->currentSheetID(), text);
        timer.advance(100ms);
        // Every key typed 2 s ago or earlier is on disk by now.
        const auto old = static_cast<std::size_t>(std::count_if(
            typedAt.begin(), typedAt.end(), [&](auto at) { return at <= elapsed + 100ms - 2s; }));
        ASSERT_GE(textOnDisk().size(), old) << "after " << elapsed.count() << " ms";
    }
    ASSERT_FALSE(savedAt.empty());
    EXPECT_LE(savedAt.size(), 3u) << "the keys are still written together, not one by one";
    for (std::size_t i = 1; i < savedAt.size(); ++i)
        EXPECT_LE(savedAt[i] - savedAt[i - 1], 2s);

    timer.advance(400ms);
    EXPECT_EQ(textOnDisk(), text);
}

// A disk that was full, a folder that was missing: once the cause is gone, the document reaches the disk
// without waiting for another key.
TEST_F(DocumentStoreSaveTest, AFailedSaveIsTriedAgainUntilItSucceeds) {
    WarningLog log;
    openBlocked();
    store->setText(*store->currentSheetID(), "1");
    timer.advance(400ms);
    EXPECT_EQ(saves->count(), 0);
    ASSERT_EQ(WarningLog::lines().size(), 1u);
    EXPECT_EQ(WarningLog::lines().front().toStdString(),
              "Vell: The document could not be saved: Not a directory");

    // The wait grows while the cause stays, to 5 s at most, and the same cause is logged once.
    for (const auto wait : {2s, 4s, 5s, 5s, 5s}) {
        ASSERT_EQ(timer.wait(), wait);
        timer.advance(wait);
        EXPECT_EQ(saves->count(), 0);
    }
    EXPECT_EQ(WarningLog::lines().size(), 1u);

    ASSERT_TRUE(QFile::remove(blocker));
    timer.advance(5s);
    ASSERT_EQ(saves->count(), 1);
    EXPECT_EQ(textOnDisk(), "1");
    EXPECT_FALSE(timer.wait()) << "the retries end with the save";
}

TEST_F(DocumentStoreSaveTest, AnEditWhileASaveWaitsForItsRetryIsSavedAsUsual) {
    openBlocked();
    store->setText(*store->currentSheetID(), "1");
    timer.advance(400ms);
    ASSERT_EQ(timer.wait(), 2s);
    ASSERT_TRUE(QFile::remove(blocker));
    timer.advance(500ms);
    store->setText(*store->currentSheetID(), "12");
    timer.advance(400ms);
    ASSERT_EQ(saves->count(), 1);
    EXPECT_EQ(textOnDisk(), "12");
    EXPECT_FALSE(timer.wait());
}

// The log speaks the interface's language, with the system's words for a cause it has none of its own for.
TEST_F(DocumentStoreSaveTest, TheFailureIsLoggedInTheInterfaceLanguage) {
    const struct {
        AppLanguage language;
        const char* line;
    } cases[] = {
        {AppLanguage::english, "Vell: The document could not be saved: Not a directory"},
        {AppLanguage::japanese, "Vell: 保存に失敗しました Not a directory"},
    };
    openBlocked();
    for (const auto& c : cases) {
        WarningLog log;
        scope.setLanguage(c.language);
        store->setText(*store->currentSheetID(), c.line);
        timer.advance(400ms);
        ASSERT_EQ(WarningLog::lines().size(), 1u);
        EXPECT_EQ(WarningLog::lines().front().toStdString(), c.line);
    }
}

// What every window shows while the newest document is not on disk: the cause in the interface language,
// gone after the next good write. A save that is merely pending is no problem.
TEST_F(DocumentStoreSaveTest, WhileSavesFailTheNoticeNamesTheCauseUntilAWriteSucceeds) {
    openBlocked();
    const auto notice = [&] { return store.saver->notices().message(StorageNotices::Topic::save); };
    EXPECT_TRUE(store.saver->isOnDisk());
    store->setText(*store->currentSheetID(), "1");
    EXPECT_FALSE(store.saver->isOnDisk());
    EXPECT_FALSE(notice());
    timer.advance(400ms);
    ASSERT_TRUE(notice());
    EXPECT_EQ(notice()->toStdString(),
              "Your latest changes are not saved: Not a directory. Vell tries again every few seconds.");
    EXPECT_EQ(store.saver->saveFailure(), "Not a directory");
    EXPECT_FALSE(store.saver->isOnDisk());

    settings.setLanguage(AppLanguage::japanese);
    EXPECT_EQ(notice()->toStdString(),
              "最新の変更を保存できていません（Not a directory）。数秒ごとに保存し直しています。");
    settings.setLanguage(AppLanguage::english);

    // Still failing at the retry: the notice stands.
    timer.advance(2s);
    EXPECT_TRUE(notice());
    ASSERT_TRUE(QFile::remove(blocker));
    timer.advance(4s);
    ASSERT_EQ(saves->count(), 1);
    EXPECT_FALSE(notice());
    EXPECT_FALSE(store.saver->saveFailure());
    EXPECT_TRUE(store.saver->isOnDisk());
}

// Activating a window tries again at once: the user may just have made room.
TEST_F(DocumentStoreSaveTest, ARetryWaitingIsMadeAtOnceWhenAsked) {
    openBlocked();
    store->setText(*store->currentSheetID(), "1");
    timer.advance(400ms);
    ASSERT_EQ(timer.wait(), 2s);
    ASSERT_TRUE(QFile::remove(blocker));
    store.saver->retryFailedSave();
    store.saver->finishWrites();
    EXPECT_EQ(saves->count(), 1);
    EXPECT_TRUE(store.saver->isOnDisk());
    EXPECT_EQ(textOnDisk(), "1");
}

// A process that must end at once (its main thread too busy for a quit) still keeps the last key typed.
TEST_F(DocumentStoreSaveTest, TheLastResortOfAnEndingProcessWritesTheLastEdit) {
    openOnAnEmptySheet();
    store->setText(*store->currentSheetID(), "1");
    timer.advance(400ms);
    ASSERT_EQ(textOnDisk(), "1");
    store->setText(*store->currentSheetID(), "12");
    DocumentWriter::writeStagedEverywhere();
    EXPECT_EQ(textOnDisk(), "12") << "written before any save was due";
}

// Only the sheets that changed are encoded again for a save: after every kind of change the file holds
// the very bytes of the whole document encoded at once.
TEST_F(DocumentStoreSaveTest, TheFileHoldsTheWholeEncodingAfterEveryKindOfChange) {
    writeDocument(sheetsWithTexts({"1", "2", "3"}));
    openStore();
    const auto check = [&](const char* what) {
        store.saver->saveNow();
        store.saver->finishWrites();
        EXPECT_EQ(readFile().toStdString(), store->document().encode()) << what;
    };
    check("as loaded");
    store->setText(*store->currentSheetID(), "1 + 1");
    check("typed");
    store->toggleLock(*store->currentSheetID(), 0);
    check("locked");
    store->renameSheet(store->sheets()[1].id, "Renamed");
    check("renamed");
    store->undo(*store->currentSheetID());
    check("undone");
    store->duplicateSheet(store->sheets()[2].id);
    check("duplicated");
    store->moveSheet(store->sheets()[0].id, std::int64_t{2});
    check("exchanged with a sheet two places on");
    store->moveSheet(store->sheets()[1].id, std::int64_t{-1});
    check("exchanged with its neighbour");
    store->moveSheet(store->sheets()[3].id, store->sheets()[0].id);
    check("moved onto another");
    const std::size_t dragged[] = {0, 2};
    store->moveSheets(dragged, 4);
    check("several dragged");
    store->addSheet();
    store->setText(*store->currentSheetID(), "new");
    check("added and typed");
    store->setCurrentSheetID(store->sheets()[1].id);
    check("selected");
    keyLayouts.addBlank(KeyLayoutStore::Kind::units);
    QCoreApplication::processEvents();
    check("keypad rearranged");
    store->deleteSheet(store->sheets()[1].id);
    check("deleted");
    // Another copy's version of a sheet under the same id and date, with other text of the same length.
    VellDocument merged = store->document();
    merged.sheets[0].text = std::string(merged.sheets[0].text.size(), '7');
    store->adoptDocument(merged);
    check("adopted");
    store->clearAllContent();
    check("erased");
}

} // namespace
} // namespace vell

// The sync protocol on documents and a shared copy held in memory: how copies fold into the local
// document, which bytes are pushed, and when conflict versions may go.

#include "Document/VellDocument.h"
#include "Stores/DocumentSync.h"
#include "Support/EngineSettingsScope.h"
#include "Support/WarningLog.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vell {
namespace {

Uuid id(std::uint8_t number) {
    Uuid::Bytes bytes{};
    bytes[15] = number;
    return Uuid(bytes);
}

const Date morning = Date::fromCivil(2025, 3, 1, 9, 0, 0);
const Date now = Date::fromCivil(2025, 3, 1, 12, 0, 0);

VellDocument documentOf(std::vector<Sheet> sheets) {
    VellDocument document;
    document.selectedSheetID = sheets.empty() ? std::nullopt : std::optional<Uuid>(sheets.front().id);
    document.sheets = std::move(sheets);
    return document;
}

std::vector<std::string> textsOf(const VellDocument& document) {
    std::vector<std::string> texts;
    for (const Sheet& sheet : document.sheets)
        texts.push_back(sheet.text);
    return texts;
}

// A shared copy in memory: the file, its conflict versions, and every write and resolution in order.
class MemoryCopy : public SharedCopy {
public:
    std::optional<QByteArray> read() const override { return file; }
    void writeInBackground(QByteArray bytes, std::function<void(bool)> done) override {
        if (!failWrites) file = bytes;
        writes.push_back(std::move(bytes));
        if (done) done(!failWrites);
    }
    std::vector<ConflictVersion> conflictVersions() const override {
        std::vector<ConflictVersion> out;
        for (const auto& [path, bytes] : versions)
            out.push_back({path, bytes});
        return out;
    }
    bool resolve(const ConflictVersion& version) const override {
        resolved.push_back(version.path);
        return versions.erase(version.path) > 0;
    }

    std::optional<QByteArray> file;
    mutable std::map<QString, QByteArray> versions;
    std::vector<QByteArray> writes;
    bool failWrites = false;
    mutable std::vector<QString> resolved;
};

QByteArray bytesOf(const VellDocument& document) {
    return QByteArray::fromStdString(document.encode());
}

// The shared copy may hold these bytes without news for the store.
bool knownHere(const DocumentSync& sync, const QByteArray& bytes) {
    return sync.known().holds(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

TEST(DocumentSyncFold, AnUntouchedStarterDocumentIsReplacedNotMerged) {
    testsupport::EngineSettingsScope scope(AppLanguage::english);
    const VellDocument starter = VellDocument::starter([] { return morning; });
    VellDocument shared =
        documentOf({Sheet{id(1), "Rent", "1200", morning, {}}, Sheet{id(2), "Food", "300", morning, {}}});
    shared.selectedSheetID = id(2);

    const DocumentSync::Merge merge = DocumentSync::fold(starter, true, {shared}, now);
    EXPECT_TRUE(merge.replacesStarter);
    ASSERT_TRUE(merge.document);
    EXPECT_EQ(textsOf(*merge.document), (std::vector<std::string>{"1200", "300"}));
    EXPECT_EQ(merge.document->selectedSheetID, id(1)) << "the first sheet of the shared document";

    // Once the user typed, the starter sheets are merged like any others.
    const DocumentSync::Merge typed = DocumentSync::fold(starter, false, {shared}, now);
    EXPECT_FALSE(typed.replacesStarter);
    ASSERT_TRUE(typed.document);
    EXPECT_EQ(typed.document->sheets.size(), starter.sheets.size() + 2);

    // The starter sheets go, but a deletion the local document holds still counts.
    VellDocument starterWithTombstone = starter;
    starterWithTombstone.deletedSheets[id(2).uuidString()] = morning.addingSeconds(60);
    const DocumentSync::Merge withTombstone = DocumentSync::fold(starterWithTombstone, true, {shared}, now);
    ASSERT_TRUE(withTombstone.document);
    EXPECT_EQ(textsOf(*withTombstone.document), std::vector<std::string>{"1200"});
    EXPECT_TRUE(withTombstone.document->deletedSheets.contains(id(2).uuidString()));

    // A shared document without sheets replaces nothing.
    const DocumentSync::Merge empty = DocumentSync::fold(starter, true, {documentOf({})}, now);
    EXPECT_FALSE(empty.replacesStarter);
}

// A tie settles the same way on both computers, so their copies stop differing. The side that loses did
// not change the sheet since the base, so nothing is kept beside the winner.
TEST(DocumentSyncFold, ATieSettlesTheSameWayOnBothSidesAndAnEqualResultIsNoChange) {
    const VellDocument local = documentOf({Sheet{id(1), "A", "local", morning, {}}});
    struct Case {
        Date theirs;
        std::optional<std::string> adopted; // none: nothing to adopt
    };
    const Case cases[] = {
        {morning, "remote"},
        {morning.addingMicroseconds(-1), std::nullopt},
        {morning.addingSeconds(1), "remote"},
    };
    for (const Case& c : cases) {
        const VellDocument remote = documentOf({Sheet{id(1), "A", "remote", c.theirs, {}}});
        const VellDocument base = c.adopted ? local : remote;
        const DocumentSync::Merge merge = DocumentSync::fold(local, false, {remote}, now, {&base});
        EXPECT_EQ(merge.document.has_value(), c.adopted.has_value()) << c.theirs.iso8601();
        if (merge.document && c.adopted) {
            EXPECT_EQ(textsOf(*merge.document), std::vector<std::string>{*c.adopted});
        }
    }
    const VellDocument remote = documentOf({Sheet{id(1), "A", "remote", morning, {}}});
    EXPECT_FALSE(DocumentSync::fold(remote, false, {local}, now, {&local}).document)
        << "the other side keeps its own";
}

TEST(DocumentSyncFold, CopiesFoldInOrderIntoTheLocalDocument) {
    const VellDocument local = documentOf({Sheet{id(1), "A", "a", morning, {}}});
    const VellDocument first = documentOf({Sheet{id(2), "B", "b", morning, {}}});
    VellDocument second = documentOf({Sheet{id(1), "A", "a2", morning.addingSeconds(5), {}}});
    const DocumentSync::Merge merge = DocumentSync::fold(local, false, {first, second}, now, {&local});
    ASSERT_TRUE(merge.document);
    // Neither order was ever moved: the later list of ids settles it, here the first copy's.
    EXPECT_EQ(textsOf(*merge.document), (std::vector<std::string>{"b", "a2"}));
    EXPECT_EQ(merge.document->selectedSheetID, id(1)) << "the selection is the local one";
}

class DocumentSyncTest : public ::testing::Test {
protected:
    DocumentSyncTest() { sync.attach(&copy); }

    MemoryCopy copy;
    DocumentSync sync;
    VellDocument local =
        documentOf({Sheet{id(1), "A", "1", morning, {}}, Sheet{id(2), "B", "2", morning, {}}});
};

TEST_F(DocumentSyncTest, NothingIsMergedOrPushedBeforeAttaching) {
    DocumentSync detached;
    EXPECT_FALSE(detached.merge(local, false, now));
    detached.push(local.encode());
    EXPECT_FALSE(detached.lastSyncedData());
}

TEST_F(DocumentSyncTest, ACopyThatHoldsTheBytesExchangedLastIsNotMergedAgain) {
    EXPECT_FALSE(sync.merge(local, false, now)) << "an empty folder holds nothing to merge";
    sync.push(local.encode());
    ASSERT_EQ(copy.writes.size(), 1u);
    EXPECT_FALSE(sync.merge(local, false, now)) << "its own push";

    VellDocument theirs = local;
    theirs.sheets[1].text = "20";
    theirs.sheets[1].updatedAt = morning.addingSeconds(60);
    copy.file = bytesOf(theirs);
    const auto merge = sync.merge(local, false, now);
    ASSERT_TRUE(merge && merge->document);
    EXPECT_EQ(merge->document->sheets[1].text, "20");
    EXPECT_EQ(sync.lastSyncedData(), theirs.encode());
    EXPECT_FALSE(sync.merge(local, false, now)) << "read once";
}

TEST_F(DocumentSyncTest, APushSkipsWhatTheCopyHoldsTheSelectionAside) {
    sync.push(local.encode());
    sync.push(local.encode());
    VellDocument elsewhere = local;
    elsewhere.selectedSheetID = id(2);
    sync.push(elsewhere.encode());
    EXPECT_EQ(copy.writes.size(), 1u);

    VellDocument changed = local;
    changed.sheets[0].text = "10";
    sync.push(changed.encode());
    ASSERT_EQ(copy.writes.size(), 2u);
    EXPECT_EQ(copy.writes.back(), bytesOf(changed));
}

// The sync folder was away when the document was pushed: the base stays as it was, since the others
// never saw what the write held, and the next push sends it again.
TEST_F(DocumentSyncTest, AFailedWriteIsNotTheBaseAndIsPushedAgain) {
    sync.push(local.encode());
    VellDocument changed = local;
    changed.sheets[0].text = "10";
    copy.failWrites = true;
    sync.push(changed.encode());
    EXPECT_EQ(sync.lastSyncedData(), local.encode());
    ASSERT_TRUE(sync.base().written);
    EXPECT_EQ(*sync.base().written, local);
    copy.failWrites = false;
    sync.push(changed.encode());
    ASSERT_EQ(copy.writes.size(), 3u);
    EXPECT_EQ(copy.file, bytesOf(changed));
}

// A shared copy whose writes wait their turn, as the real one's do on their own thread.
class QueuedCopy : public MemoryCopy {
public:
    void writeInBackground(QByteArray bytes, std::function<void(bool)> done) override {
        queued.push_back({std::move(bytes), std::move(done)});
    }
    // Makes the oldest write waiting.
    void land() {
        auto [bytes, done] = std::move(queued.front());
        queued.erase(queued.begin());
        MemoryCopy::writeInBackground(std::move(bytes), std::move(done));
    }

    std::vector<std::pair<QByteArray, std::function<void(bool)>>> queued;
};

// While a push waits for its write, the shared copy still holds the push before it: that is this
// store's own, neither news to merge nor a change that a push must merge first.
TEST(DocumentSyncPushes, AnEarlierPushInTheCopyIsNoNewsWhileALaterOneWaits) {
    QueuedCopy copy;
    DocumentSync sync;
    sync.attach(&copy);
    const VellDocument local = documentOf({Sheet{id(1), "A", "1", morning, {}}});
    sync.push(local.encode());
    copy.land();
    VellDocument changed = local;
    changed.sheets[0] = Sheet{id(1), "A", "10", morning.addingSeconds(60), {}};
    sync.push(changed.encode());
    ASSERT_EQ(copy.file, bytesOf(local));

    EXPECT_TRUE(knownHere(sync, *copy.file));
    EXPECT_FALSE(sync.merge(changed, false, now));
    copy.land();
    EXPECT_EQ(copy.file, bytesOf(changed));

    // Once a later push is written, the earlier one in the copy would be another computer's doing.
    copy.file = bytesOf(local);
    EXPECT_FALSE(knownHere(sync, *copy.file));
}

// Another computer's copy arrived after the last merge: a push does not write over it, and hands back
// what was exchanged before; the merge that follows takes it in and pushes the result.
TEST_F(DocumentSyncTest, APushNeverWritesOverACopyNobodyHereHasRead) {
    sync.push(local.encode());
    VellDocument theirs = local;
    theirs.sheets[1] = Sheet{id(2), "B", "20", morning.addingSeconds(60), {}};
    copy.file = bytesOf(theirs);

    VellDocument ours = local;
    ours.sheets[0] = Sheet{id(1), "A", "10", morning.addingSeconds(30), {}};
    sync.push(ours.encode());
    EXPECT_EQ(copy.writes.size(), 1u);
    EXPECT_EQ(copy.file, bytesOf(theirs));
    EXPECT_EQ(sync.lastSyncedData(), local.encode());

    const auto merge = sync.merge(ours, false, now);
    ASSERT_TRUE(merge && merge->document);
    EXPECT_EQ(textsOf(*merge->document), (std::vector<std::string>{"10", "20"}));
    sync.conclude(merge->takenIn, merge->document->encode());
    ASSERT_EQ(copy.writes.size(), 2u);
    EXPECT_EQ(copy.file, bytesOf(*merge->document));
}

TEST_F(DocumentSyncTest, AnUndecodableCopyIsLeftOutAndReplacedByTheNextPush) {
    copy.file = QByteArray("{\"sheets\": [ half");
    EXPECT_FALSE(sync.merge(local, false, now));
    sync.push(local.encode());
    ASSERT_EQ(copy.writes.size(), 1u);
    EXPECT_EQ(copy.file, bytesOf(local));
}

TEST_F(DocumentSyncTest, ConflictVersionsGoOnlyOnceTheLocalFileHoldsTheirContent) {
    VellDocument theirs = local;
    theirs.sheets.push_back(Sheet{id(3), "C", "3", morning, {}});
    copy.versions["document (conflict).json"] = bytesOf(theirs);
    copy.versions["document (conflict 2).json"] = QByteArray("torn");

    const auto merge = sync.merge(local, false, now);
    ASSERT_TRUE(merge && merge->document);
    EXPECT_EQ(merge->document->sheets.size(), 3u);
    ASSERT_EQ(merge->takenIn.size(), 1u) << "a version that does not decode is not taken in";
    EXPECT_TRUE(copy.resolved.empty()) << "nothing goes while merging";

    // The local file could not be written: the version stays and nothing is pushed.
    sync.conclude(merge->takenIn, std::nullopt);
    EXPECT_TRUE(copy.resolved.empty());
    EXPECT_TRUE(copy.writes.empty());

    const std::string written = merge->document->encode();
    sync.conclude(merge->takenIn, written);
    EXPECT_EQ(copy.resolved, (std::vector<QString>{"document (conflict).json"}));
    EXPECT_TRUE(copy.versions.contains("document (conflict 2).json"));
    ASSERT_EQ(copy.writes.size(), 1u);
    EXPECT_EQ(copy.writes.front().toStdString(), written);
}

// A shared copy edited by hand repeats an id with other content: both sheets arrive, neither replaces
// the other.
TEST_F(DocumentSyncTest, ACopyRepeatingAnIdWithOtherContentKeepsBothSheets) {
    VellDocument theirs = local;
    theirs.sheets.push_back(Sheet{id(2), "B copy", "22", morning, {}});
    copy.file = bytesOf(theirs);
    const auto merge = sync.merge(local, false, now);
    ASSERT_TRUE(merge && merge->document);
    EXPECT_EQ(textsOf(*merge->document), (std::vector<std::string>{"1", "2", "22"}));
}

// What was last agreed with the shared copy is the base of the next merge: a copy another computer wrote,
// once read, and what this computer wrote after it. It is kept in a file, so it survives a restart.
TEST_F(DocumentSyncTest, TheBaseIsWhatWasAgreedLastAndSurvivesARestart) {
    QTemporaryDir folder;
    const QString file = folder.filePath("sync-base.json");
    sync.keepBaseIn(file, "shared");
    sync.push(local.encode());
    ASSERT_TRUE(sync.base().written);
    EXPECT_EQ(*sync.base().written, local);
    EXPECT_EQ(sync.base().read, local) << "nothing was read before: the shared copy starts from here";

    VellDocument theirs = local;
    theirs.sheets[1].text = "20";
    theirs.sheets[1].updatedAt = morning.addingSeconds(60);
    copy.file = bytesOf(theirs);
    {
        DocumentSync restarted;
        restarted.keepBaseIn(file, "shared");
        restarted.attach(&copy);
        ASSERT_TRUE(restarted.base().written);
        EXPECT_EQ(*restarted.base().written, local);

        VellDocument edited = local;
        edited.sheets[0].text = "10";
        edited.sheets[0].updatedAt = morning.addingSeconds(30);
        const auto merge = restarted.merge(edited, false, now);
        ASSERT_TRUE(merge && merge->document);
        EXPECT_EQ(restarted.base().read, local) << "agreed on only once the merge is safe on disk";
        restarted.conclude(merge->takenIn, merge->document->encode());
        ASSERT_TRUE(restarted.base().read);
        EXPECT_EQ(*restarted.base().read, theirs);
        ASSERT_TRUE(restarted.base().written) << "the merge was pushed";
        EXPECT_EQ(*restarted.base().written, *merge->document);
    }
    DocumentSync again;
    again.keepBaseIn(file, "shared");
    again.attach(&copy);
    ASSERT_TRUE(again.base().read);
    EXPECT_EQ(*again.base().read, theirs);
    // Its own push, read again after a restart, is no news of the others.
    ASSERT_TRUE(again.base().written);
    const VellDocument written = *again.base().written;
    const auto merge = again.merge(written, false, now);
    ASSERT_TRUE(merge);
    EXPECT_FALSE(merge->document);
    EXPECT_EQ(*again.base().read, theirs);

    DocumentSync elsewhere;
    elsewhere.keepBaseIn(file, "another shared copy");
    EXPECT_FALSE(elsewhere.base().read || elsewhere.base().written) << "kept for another shared copy";
}

// This computer wrote its edit to the shared copy while the other computer wrote its own; the sync tool
// kept the other's and set this one's aside as a conflict version. This computer's last write is then no
// base: the two versions were made apart, and both are kept.
TEST_F(DocumentSyncTest, AnEditTheSyncToolSetAsideIsKeptBesideTheOthers) {
    testsupport::EngineSettingsScope scope(AppLanguage::english);
    QTemporaryDir folder;
    sync.keepBaseIn(folder.filePath("sync-base.json"), "shared");
    VellDocument agreed = local;
    agreed.selectedSheetID = id(2);
    copy.file = bytesOf(agreed);
    const auto read = sync.merge(local, false, now);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->document);
    EXPECT_EQ(sync.base().read, agreed);

    VellDocument ours = local;
    ours.sheets[0] = Sheet{id(1), "A", "1\nours", morning.addingSeconds(60), {}};
    sync.push(ours.encode());
    VellDocument theirs = local;
    theirs.sheets[0] = Sheet{id(1), "A", "1\ntheirs", morning.addingSeconds(120), {}};
    copy.file = bytesOf(theirs);
    copy.versions["document.sync-conflict-1.json"] = bytesOf(ours);

    testsupport::WarningLog log;
    const auto merge = sync.merge(ours, false, now);
    ASSERT_TRUE(merge && merge->document);
    EXPECT_EQ(textsOf(*merge->document), (std::vector<std::string>{"1\ntheirs", "1\nours", "2"}));
    EXPECT_EQ(merge->document->sheets[1].name, "A (conflicting copy)");
    ASSERT_EQ(testsupport::WarningLog::lines().size(), 1u);
    EXPECT_TRUE(testsupport::WarningLog::lines()[0].contains("\"A (conflicting copy)\""))
        << testsupport::WarningLog::lines()[0].toStdString();
}

} // namespace
} // namespace vell

#pragma once

// Writes the document file on a thread of its own, so that the UI thread only hands over the document's
// pieces (DocumentPieces) and never joins nor writes them. The writes are made one after the other, each
// of the newest document handed over by then: one handed over while a write runs waits for it, and a
// document overtaken by a newer one before its write began is never written, so the file never goes
// back to an older document. When the process ends and the file cannot take the newest document, it goes
// to the fallback, a second place (RescueCopy), once. Made, used and destroyed on one thread (the main
// one), except writeStagedEverywhere.

#include "Document/DocumentPieces.h"
#include "Stores/DocumentFile.h"

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vell {

class DocumentWriter : public QObject {
    Q_OBJECT

public:
    // The bytes a write of that generation put in the file, or none when it failed (logged by the file),
    // with the system's error number then.
    using Finished = std::function<void(std::uint64_t generation, std::shared_ptr<const std::string> bytes,
                                        int errorNumber)>;
    // Keeps the bytes somewhere else than the file; whether it did (and logged where, or why not). Runs on
    // the thread that asks for it, writeStagedEverywhere's too.
    using Fallback = std::function<bool(std::string_view bytes)>;

    // Writes through `file`, which must outlive the writer and is used by nothing else from now on.
    // `finished` runs on the writer's thread of creation, once for each write made.
    DocumentWriter(DocumentFile& file, Finished finished, Fallback fallback = {}, QObject* parent = nullptr);
    // Makes the write asked for last, if it has not been made, and stops.
    ~DocumentWriter() override;

    // The document as it stands now; the generations handed over must grow.
    void stage(std::uint64_t generation, std::shared_ptr<const DocumentPieces> pieces);
    std::uint64_t stagedGeneration() const;
    // Has the newest staged document written.
    void write();
    // Blocks until no write is asked for or running, then reports what finished.
    void finish();

    // The file does not hold the newest staged document (its write failed) and the process ends: the
    // document goes to the fallback, unless it holds it already. Waits for the write that runs. Whether
    // the file or the fallback holds it now.
    bool keepStagedElsewhere();

    // For a process that must end at once, from any thread: in each live writer, the write that runs
    // ends, and the newest staged document is written there and then unless it is written already; when
    // the file does not take it, it goes to the fallback.
    static void writeStagedEverywhere();

private:
    struct Result {
        std::uint64_t generation;
        std::shared_ptr<const std::string> bytes;
        int errorNumber = 0;
    };

    void run();
    // With fileMutex_ held.
    Result writeStaged(std::uint64_t generation, const std::shared_ptr<const DocumentPieces>& pieces);
    // With fileMutex_ held and mutex_ not: the newest staged document to the fallback, once.
    bool keepElsewhere(std::uint64_t generation, const std::shared_ptr<const DocumentPieces>& pieces);
    void deliver();

    DocumentFile& file_;
    Finished finished_;
    Fallback fallback_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::uint64_t stagedGeneration_ = 0;
    std::shared_ptr<const DocumentPieces> staged_;
    // Writes asked for, and how many of them the write running or made last answers.
    std::uint64_t requests_ = 0;
    std::uint64_t served_ = 0;
    // The process ends: writeStagedEverywhere made the last write.
    bool emergency_ = false;
    // The newest generation the file holds, and the one the fallback holds (under fileMutex_).
    std::uint64_t written_ = 0;
    std::uint64_t keptElsewhere_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    std::vector<Result> results_;
    // Held by whoever writes the file.
    std::mutex fileMutex_;

    std::thread thread_;
};

} // namespace vell

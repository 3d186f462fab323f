#include "Stores/DocumentWriter.h"

#include <algorithm>
#include <set>
#include <utility>

namespace vell {

namespace {

std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<DocumentWriter*>& registry() {
    static std::set<DocumentWriter*> writers;
    return writers;
}

} // namespace

DocumentWriter::DocumentWriter(DocumentFile& file, Finished finished, Fallback fallback, QObject* parent)
    : QObject(parent), file_(file), finished_(std::move(finished)), fallback_(std::move(fallback)) {
    thread_ = std::thread([this] { run(); });
    const std::lock_guard lock(registryMutex());
    registry().insert(this);
}

DocumentWriter::~DocumentWriter() {
    {
        const std::lock_guard lock(registryMutex());
        registry().erase(this);
    }
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DocumentWriter::stage(std::uint64_t generation, std::shared_ptr<const DocumentPieces> pieces) {
    const std::lock_guard lock(mutex_);
    stagedGeneration_ = generation;
    staged_ = std::move(pieces);
}

std::uint64_t DocumentWriter::stagedGeneration() const {
    const std::lock_guard lock(mutex_);
    return stagedGeneration_;
}

void DocumentWriter::write() {
    {
        const std::lock_guard lock(mutex_);
        if (!staged_) return;
        ++requests_;
    }
    wake_.notify_all();
}

void DocumentWriter::finish() {
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return !busy_ && served_ >= requests_; });
    }
    deliver();
}

void DocumentWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || served_ < requests_; });
        if (served_ >= requests_) break;
        served_ = requests_;
        // The newest document there is, which may be newer than the one asked for.
        const std::uint64_t generation = stagedGeneration_;
        const std::shared_ptr<const DocumentPieces> pieces = staged_;
        busy_ = true;
        lock.unlock();
        std::optional<Result> result;
        {
            const std::lock_guard file(fileMutex_);
            // A write made meanwhile for a process that ends may have written it already.
            std::unique_lock state(mutex_);
            const bool ending = emergency_;
            state.unlock();
            if (!ending) result = writeStaged(generation, pieces);
        }
        lock.lock();
        busy_ = false;
        if (result) {
            if (result->bytes) written_ = std::max(written_, generation);
            results_.push_back(std::move(*result));
            QMetaObject::invokeMethod(
                this, [this] { deliver(); }, Qt::QueuedConnection);
        }
        idle_.notify_all();
    }
}

DocumentWriter::Result DocumentWriter::writeStaged(std::uint64_t generation,
                                                   const std::shared_ptr<const DocumentPieces>& pieces) {
    auto bytes = std::make_shared<std::string>(pieces->join());
    int errorNumber = 0;
    if (!file_.saveEncoded(*bytes, &errorNumber)) return {generation, nullptr, errorNumber};
    return {generation, std::move(bytes)};
}

bool DocumentWriter::keepElsewhere(std::uint64_t generation,
                                   const std::shared_ptr<const DocumentPieces>& pieces) {
    if (keptElsewhere_ >= generation) return true;
    if (!fallback_ || !fallback_(pieces->join())) return false;
    keptElsewhere_ = generation;
    return true;
}

bool DocumentWriter::keepStagedElsewhere() {
    const std::lock_guard file(fileMutex_);
    std::unique_lock lock(mutex_);
    const std::uint64_t generation = stagedGeneration_;
    const std::shared_ptr<const DocumentPieces> pieces = staged_;
    if (!pieces || written_ >= generation) return true;
    lock.unlock();
    return keepElsewhere(generation, pieces);
}

void DocumentWriter::deliver() {
    std::vector<Result> results;
    {
        const std::lock_guard lock(mutex_);
        results.swap(results_);
    }
    for (Result& result : results)
        if (finished_) finished_(result.generation, std::move(result.bytes), result.errorNumber);
}

void DocumentWriter::writeStagedEverywhere() {
    const std::lock_guard registryLock(registryMutex());
    for (DocumentWriter* writer : registry()) {
        const std::lock_guard file(writer->fileMutex_);
        std::unique_lock lock(writer->mutex_);
        const std::uint64_t generation = writer->stagedGeneration_;
        const std::shared_ptr<const DocumentPieces> pieces = writer->staged_;
        writer->emergency_ = true;
        if (!pieces || writer->written_ >= generation) continue;
        lock.unlock();
        const Result result = writer->writeStaged(generation, pieces);
        if (!result.bytes) {
            writer->keepElsewhere(generation, pieces);
            continue;
        }
        lock.lock();
        writer->written_ = std::max(writer->written_, generation);
    }
}

} // namespace vell

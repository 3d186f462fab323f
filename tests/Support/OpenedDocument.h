#pragma once

// A document as the application opens it: its file read, the store on the document read, and the saver
// following the store. Used where a test held a store: `->`, `get()` and a DocumentStore& reach the store,
// `saver` the saving; the saver goes before the store.

#include "Stores/AppSettings.h"
#include "Stores/DocumentSaver.h"
#include "Stores/DocumentStore.h"
#include "Stores/KeyLayoutStore.h"

#include <QString>
#include <memory>
#include <optional>
#include <utility>

namespace vell::testsupport {

struct OpenedDocument {
    static OpenedDocument open(std::optional<QString> path, AppSettings& settings, KeyLayoutStore& keyLayouts,
                               Date::Clock clock = {}, DocumentSaver::Services services = {}) {
        if (!services.clock) services.clock = clock;
        DocumentSaver::Opened opened = DocumentSaver::open(std::move(path), clock);
        OpenedDocument document;
        document.store = std::make_unique<DocumentStore>(std::move(opened.document), keyLayouts,
                                                         DocumentStore::Services{std::move(clock)});
        document.saver = std::make_unique<DocumentSaver>(std::move(opened.file), *document.store, settings,
                                                         std::move(services));
        return document;
    }

    OpenedDocument() = default;
    OpenedDocument(OpenedDocument&&) = default;
    OpenedDocument& operator=(OpenedDocument&& other) noexcept {
        reset();
        store = std::move(other.store);
        saver = std::move(other.saver);
        return *this;
    }
    ~OpenedDocument() { reset(); }

    void reset() {
        saver.reset();
        store.reset();
    }

    DocumentStore* operator->() const { return store.get(); }
    DocumentStore* get() const { return store.get(); }
    OpenedDocument& operator*() { return *this; }
    operator DocumentStore&() const { return *store; }
    explicit operator bool() const { return store != nullptr; }

    std::unique_ptr<DocumentStore> store;
    // After the store, which it follows, so that it goes first.
    std::unique_ptr<DocumentSaver> saver;
};

} // namespace vell::testsupport

namespace vell {
using testsupport::OpenedDocument;
} // namespace vell

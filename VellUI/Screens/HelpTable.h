#pragma once

// The worked examples of the help screen: twelve groups, each example with a one-line note, built in
// the interface language in force at the call. Nothing is kept between calls.

#include <QString>
#include <vector>

namespace vell {

struct HelpTable {
    struct Entry {
        QString example; // a line to type, a gesture or a key; shown monospaced
        QString note;    // what it does
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    struct Group {
        QString title; // as written; the screen shows it in capitals
        std::vector<Entry> entries;
        friend bool operator==(const Group&, const Group&) = default;
    };

    static std::vector<Group> groups();

    // The shortcuts the menus bind, in the platform's own notation ("Ctrl+Z").
    static QString undoRedoKeys();
    static QString newSheetKey();
};

} // namespace vell

#pragma once

// What the application makes once per process and hands down, by reference, to its windows and their
// views: the preferences, the light or dark appearance that follows them, the keypad layouts, the view
// switches every window shares, the one document store, the sheets' evaluations and the list of sheets
// every window shows. Every object must outlive the windows.

namespace vell {

class AppSettings;
class Appearance;
class DocumentSaver;
class DocumentStore;
class KeyLayoutStore;
class SheetEvaluations;
class SheetListModel;
class ViewSwitches;

struct AppContext {
    AppSettings& settings;
    Appearance& appearance;
    KeyLayoutStore& keyLayouts;
    ViewSwitches& switches;
    DocumentStore& store;
    DocumentSaver& saver;
    SheetEvaluations& evaluations;
    SheetListModel& sheetList;
};

} // namespace vell

#include "ScreenFixture.h"
#include "Screens/ScreenParts.h"
#include "Screens/TermsView.h"
#include "Stores/KeyLayoutStore.h"
#include "Stores/SheetEvaluations.h"
#include "Stores/SheetListModel.h"
#include "Stores/ViewSwitches.h"
#include "Support/OpenedDocument.h"
#include "Window/RootView.h"

#include <QPushButton>
#include <memory>

namespace vell {
namespace {

using testsupport::settle;

// Two main windows on one document, over settings read from a preferences file that holds
// `storedVersion`, as a start of the program with that file would read it.
struct TwoWindows {
    struct Window {
        Window(const AppContext& app, const ScreenFactory& screens)
            : session(app.store, app.evaluations), root(app, session) {
            root.setDialogBodies(screens.bodies());
            root.resize(900, 640);
            root.show();
        }
        SheetSession session;
        RootView root;

        TermsView* gate() const {
            WindowDialog* dialog = root.openDialog(WindowDialogKind::terms);
            return dialog ? qobject_cast<TermsView*>(dialog->body()) : nullptr;
        }
    };

    explicit TwoWindows(const QString& storedVersion) {
        defaults.writeFile("[General]\nvell.acceptedTermsVersion=" + storedVersion.toUtf8() + "\n");
        settings = std::make_unique<AppSettings>(defaults.open());
        appearance = std::make_unique<Appearance>(*settings, [] { return false; });
        screens = std::make_unique<ScreenFactory>(*settings, *appearance);
        keyLayouts = std::make_unique<KeyLayoutStore>(defaults.open());
        switches = std::make_unique<ViewSwitches>(defaults.open());
        store = OpenedDocument::open(std::nullopt, *settings, *keyLayouts);
        evaluations = std::make_unique<SheetEvaluations>(*store.store, *settings);
        sheetList = std::make_unique<SheetListModel>(*store.store);
        const AppContext app{*settings,    *appearance,  *keyLayouts,  *switches,
                             *store.store, *store.saver, *evaluations, *sheetList};
        first = std::make_unique<Window>(app, *screens);
        second = std::make_unique<Window>(app, *screens);
        settle();
    }
    ~TwoWindows() {
        first.reset();
        second.reset();
    }

    testsupport::EngineSettingsScope engine;
    testsupport::TempDefaults defaults;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<Appearance> appearance;
    std::unique_ptr<ScreenFactory> screens;
    std::unique_ptr<KeyLayoutStore> keyLayouts;
    std::unique_ptr<ViewSwitches> switches;
    OpenedDocument store;
    std::unique_ptr<SheetEvaluations> evaluations;
    std::unique_ptr<SheetListModel> sheetList;
    std::unique_ptr<Window> first;
    std::unique_ptr<Window> second;
};

TEST(TermsGate, StandsInEveryWindowWhileTheStoredVersionIsBelowTheCurrentOne) {
    struct Case {
        QString stored;
        bool gate;
    };
    const Case cases[] = {{"0", true}, {"-1", true}, {"abc", true}, {"1", false}, {"5", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        TwoWindows windows(c.stored);
        for (const auto* window : {windows.first.get(), windows.second.get()}) {
            TermsView* gate = window->gate();
            EXPECT_EQ(gate != nullptr, c.gate);
            if (!gate) continue;
            EXPECT_EQ(gate->mode(), TermsView::Mode::gate);
            EXPECT_EQ(gate->window()->size(), TermsView::preferredSize);
        }
    }
}

TEST(TermsGate, AgreeingInOneWindowStoresTheVersionAndEndsTheGateInEvery) {
    TwoWindows windows("0");
    TermsView* gate = windows.first->gate();
    ASSERT_NE(gate, nullptr);
    ASSERT_NE(windows.second->gate(), nullptr);
    // Escape and the window manager's close leave it.
    QWidget* dialog = gate->window();
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog->close());
    settle();
    EXPECT_EQ(windows.first->gate(), gate);

    QTest::mouseClick(gate->consent(), Qt::LeftButton);
    QTest::mouseClick(gate->agreeButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(windows.settings->acceptedTermsVersion(), 1);
    EXPECT_EQ(windows.defaults.stored("vell.acceptedTermsVersion").toString(), "1");
    EXPECT_EQ(windows.first->gate(), nullptr);
    EXPECT_EQ(windows.second->gate(), nullptr);
}

TEST(TermsGate, ALanguagePickedInOneGateTurnsTheOtherWindowsGateToo) {
    TwoWindows windows("0");
    windows.settings->setLanguage(AppLanguage::japanese);
    TermsView* first = windows.first->gate();
    TermsView* second = windows.second->gate();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->agreeButton()->text(), "同意して使いはじめる");
    QTest::mouseClick(first->languagePicker()->englishSegment(), Qt::LeftButton);
    EXPECT_EQ(second->agreeButton()->text(), "Agree and Get Started");
    EXPECT_TRUE(second->languagePicker()->isEnglish());
}

} // namespace
} // namespace vell

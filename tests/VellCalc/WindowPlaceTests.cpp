#include "AppTestSupport.h"
#include "Window/VellWindow.h"
#include "WindowPlaces.h"

#include <QScreen>
#include <QTimer>

namespace vell {
namespace {

using Place = WindowPlaces::Place;
using testsupport::settle;
using testsupport::VellAppTest;

constexpr QSize minimum = VellWindow::minimumSize;
// A desktop of two screens side by side, the primary one first.
const std::vector<QRect> twoScreens{QRect(0, 0, 1280, 900), QRect(1280, 0, 1920, 1080)};

TEST(WindowPlaces, APlaceIsKeptOnTheScreensThereAreNow) {
    struct Case {
        const char* what;
        QRect stored;
        std::vector<QRect> screens;
        QRect kept;
    };
    const Case cases[] = {
        {"on the first screen", {150, 120, 940, 700}, twoScreens, {150, 120, 940, 700}},
        {"on the second screen", {1500, 200, 1040, 720}, twoScreens, {1500, 200, 1040, 720}},
        {"off every screen: centred on the first", {5000, 4000, 940, 700}, twoScreens, {170, 116, 940, 700}},
        {"on a screen since unplugged", {1500, 200, 1040, 720}, {twoScreens[0]}, {120, 106, 1040, 720}},
        {"mostly on the second: wholly on it", {1000, 100, 940, 700}, twoScreens, {1280, 100, 940, 700}},
        {"its title bar above the top", {100, -300, 940, 700}, twoScreens, {100, 32, 940, 700}},
        {"past the bottom right", {900, 700, 940, 700}, {twoScreens[0]}, {340, 200, 940, 700}},
        {"larger than its screen", {0, 0, 3000, 2000}, {twoScreens[0]}, {0, 32, 1280, 868}},
        {"never below the smallest window", {0, 0, 940, 700}, {QRect(0, 0, 640, 480)}, {0, 32, 720, 600}},
        {"no screens known", {10, 20, 940, 700}, {}, {10, 20, 940, 700}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPlaces::keptOnScreens(c.stored, c.screens, minimum), c.kept) << c.what;
}

TEST(WindowPlaces, ACascadeStepsDownRightAndStartsOverAtTheScreensEdge) {
    const std::vector<QRect> screen{twoScreens[0]};
    EXPECT_EQ(WindowPlaces::cascaded({100, 100, 1040, 720}, screen, minimum), QRect(128, 128, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({200, 150, 1040, 720}, screen, minimum), QRect(228, 178, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({228, 178, 1040, 720}, screen, minimum), QRect(0, 32, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({1600, 100, 1040, 720}, twoScreens, minimum),
              QRect(1628, 128, 1040, 720));
}

TEST(WindowPlaces, TheStoredTextReadsBackAndWhatCannotBeReadIsLeftOut) {
    const std::vector<Place> places{{{150, 120, 940, 700}, false}, {{-1200, 40, 1040, 720}, true}};
    const QString text = WindowPlaces::text(places);
    EXPECT_EQ(text, "150,120,940,700;-1200,40,1040,720,maximized");
    EXPECT_EQ(WindowPlaces::parse(text), places);
    EXPECT_EQ(WindowPlaces::parse(" 1, 2, 800, 600 ;;x,1,2,3;1,2,0,5;1,2,3;1,2,800,600,tall;"
                                  "1,2,800,600,maximized,9;5000000,0,800,600"),
              (std::vector<Place>{{{1, 2, 800, 600}, false}}));
    EXPECT_TRUE(WindowPlaces::parse("").empty());
}

class WindowPlaceTest : public VellAppTest {
protected:
    // Ends this run and starts the next one, as a user quitting and starting again would.
    void restart() {
        app.reset();
        settle();
        app = std::make_unique<VellApp>(storagePath, defaults.open());
    }
    // Quits through the event loop, as Quit in the menu does: every window is asked to close.
    static void quit() {
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        EXPECT_EQ(QApplication::exec(), 0);
        settle();
    }
};

TEST_F(WindowPlaceTest, TheLastWindowClosedComesBackAtItsSizeAndPlace) {
    MainWindow& window = open();
    window.setGeometry(150, 120, 940, 700);
    settle();
    window.close();
    settle();

    restart();
    MainWindow& again = open();
    EXPECT_EQ(again.geometry(), QRect(150, 120, 940, 700));
}

TEST_F(WindowPlaceTest, TheWindowsOpenAtQuitComeBackInOrderAndNewOnesCascade) {
    MainWindow& first = open();
    first.setGeometry(60, 80, 900, 640);
    MainWindow& second = open();
    second.setGeometry(200, 150, 960, 660);
    settle();
    quit();
    EXPECT_TRUE(app->windows().empty());

    restart();
    EXPECT_EQ(open().geometry(), QRect(60, 80, 900, 640));
    EXPECT_EQ(open().geometry(), QRect(200, 150, 960, 660));
    // Beyond the remembered ones: one step from the newest window.
    EXPECT_EQ(open().geometry(), QRect(228, 178, 960, 660));
}

TEST_F(WindowPlaceTest, ClosingOneOfSeveralWindowsForgetsNothingYet) {
    MainWindow& first = open();
    first.setGeometry(60, 80, 900, 640);
    MainWindow& second = open();
    second.setGeometry(300, 200, 960, 660);
    settle();
    second.close();
    settle();
    first.setGeometry(90, 100, 920, 650);
    first.close();
    settle();

    restart();
    EXPECT_EQ(open().geometry(), QRect(90, 100, 920, 650));
}

TEST_F(WindowPlaceTest, APlaceOffEveryScreenIsMovedBackOn) {
    UserDefaults::write(*UserDefaults::standard(), WindowPlaces::key, "4000,3000,940,700;-5000,10,3000,2000");
    restart();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    MainWindow& first = open();
    EXPECT_EQ(first.size(), QSize(940, 700));
    EXPECT_TRUE(screen.contains(first.geometry()));
    EXPECT_EQ(first.geometry().center(), screen.adjusted(0, WindowPlaces::titleBarRoom, 0, 0).center());
    // As large as the screen allows, its top left corner on it.
    MainWindow& second = open();
    EXPECT_TRUE(screen.contains(second.geometry().topLeft()));
    EXPECT_EQ(second.size(), QSize(screen.width(), screen.height() - WindowPlaces::titleBarRoom));
}

TEST_F(WindowPlaceTest, AMaximizedWindowComesBackMaximized) {
    MainWindow& window = open();
    window.setGeometry(150, 120, 940, 700);
    window.showMaximized();
    settle();
    quit();

    EXPECT_EQ(WindowPlaces(UserDefaults::standard()).remembered(),
              (std::vector<Place>{{{150, 120, 940, 700}, true}}));
    restart();
    MainWindow& again = open();
    EXPECT_TRUE(again.isMaximized());
    again.showNormal();
    settle();
    EXPECT_EQ(again.geometry(), QRect(150, 120, 940, 700));
}

} // namespace
} // namespace vell

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

// A desktop of two screens side by side, the primary one first.
const std::vector<QRect> twoScreens{QRect(0, 0, 1280, 900), QRect(1280, 0, 1920, 1080)};

// The room of a screen of `width` × `height` pixels less a panel of 30 at the top, as a desktop
// scaled by `scale` gives it to the program.
QRect roomOf(int width, int height, double scale) {
    return QRect(0, qRound(30 / scale), qRound(width / scale), qRound((height - 30) / scale));
}

TEST(WindowPlaces, TheSmallestWindowAndTheFirstOneYieldToTheScreensRoom) {
    struct Case {
        const char* what;
        QRect screen;
        QSize minimum;
        QSize first;
    };
    const Case cases[] = {
        {"1920 × 1080", roomOf(1920, 1080, 1), {720, 600}, {1040, 720}},
        {"1920 × 1080 at 150 %", roomOf(1920, 1080, 1.5), {640, 600}, {1040, 660}},
        {"1920 × 1080 at 200 %", roomOf(1920, 1080, 2), {480, 485}, {960, 485}},
        {"1366 × 768", roomOf(1366, 768, 1), {683, 600}, {1040, 698}},
        {"1366 × 768 at 125 %", roomOf(1366, 768, 1.25), {546, 550}, {1040, 550}},
        // Two windows tiled side by side get half the width each.
        {"1280 × 800", roomOf(1280, 800, 1), {640, 600}, {1040, 720}},
        // Below the compact size nothing gives way any more.
        {"800 × 480", roomOf(800, 480, 1), {480, 410}, {800, 410}},
        {"640 × 400", QRect(0, 0, 640, 400), {480, 400}, {640, 400}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WindowPlaces::minimumOn(c.screen), c.minimum) << c.what;
        EXPECT_EQ(WindowPlaces::sizeOn(VellWindow::defaultSize, c.screen), c.first) << c.what;
    }
    // A frame known to be narrower leaves the window more.
    EXPECT_EQ(WindowPlaces::minimumOn(roomOf(1366, 768, 1.25), QMargins(1, 10, 1, 3)), QSize(544, 577));
}

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
        {"off every screen: centred on the first", {5000, 4000, 940, 700}, twoScreens, {170, 112, 940, 700}},
        {"on a screen since unplugged", {1500, 200, 1040, 720}, {twoScreens[0]}, {120, 102, 1040, 720}},
        {"mostly on the second: wholly on it", {1000, 100, 940, 700}, twoScreens, {1280, 100, 940, 700}},
        {"its title bar above the top", {100, -300, 940, 700}, twoScreens, {100, 32, 940, 700}},
        {"past the bottom right", {900, 700, 940, 700}, {twoScreens[0]}, {340, 192, 940, 700}},
        {"larger than its screen", {0, 0, 3000, 2000}, {twoScreens[0]}, {0, 32, 1280, 860}},
        {"never below the compact window", {0, 0, 300, 200}, {QRect(0, 0, 640, 480)}, {0, 32, 480, 440}},
        {"on a small screen: no larger than it",
         {0, 0, 1040, 720},
         {QRect(0, 0, 960, 540)},
         {0, 32, 960, 500}},
        {"no screens known", {10, 20, 940, 700}, {}, {10, 20, 940, 700}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPlaces::keptOnScreens(c.stored, c.screens), c.kept) << c.what;
}

TEST(WindowPlaces, ACascadeStepsDownRightAndStartsOverAtTheScreensEdge) {
    const std::vector<QRect> screen{twoScreens[0]};
    EXPECT_EQ(WindowPlaces::cascaded({100, 100, 1040, 720}, screen), QRect(128, 128, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({200, 140, 1040, 720}, screen), QRect(228, 168, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({228, 178, 1040, 720}, screen), QRect(0, 32, 1040, 720));
    EXPECT_EQ(WindowPlaces::cascaded({1600, 100, 1040, 720}, twoScreens), QRect(1628, 128, 1040, 720));
}

// A window pulled onto a smaller screen: its frame's bottom edge comes back onto it, by moving up
// first and shrinking only where that is not enough; the other edges are the user's business.
TEST(WindowPlaces, TheBottomOfAWindowsFrameIsKeptOnItsScreen) {
    const QMargins frame(1, 20, 1, 5);
    const QRect small(1920, 0, 1366, 738);
    struct Case {
        const char* what;
        QRect geometry;
        QRect kept;
    };
    const Case cases[] = {
        {"on it already", {2000, 100, 1040, 600}, {2000, 100, 1040, 600}},
        {"moved up", {2000, 300, 1040, 600}, {2000, 133, 1040, 600}},
        {"shrunk to the screen", {1800, 20, 1040, 900}, {1800, 20, 1040, 713}},
        {"a short one moved up", {2000, 600, 1040, 300}, {2000, 433, 1040, 300}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowPlaces::bottomKeptOn(c.geometry, small, frame), c.kept) << c.what;
    // Never below the smallest window there.
    EXPECT_EQ(WindowPlaces::bottomKeptOn({0, 0, 800, 600}, QRect(0, 0, 960, 400), frame),
              QRect(0, 20, 800, 400));
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
    EXPECT_EQ(first.geometry().center(), screen.marginsRemoved(WindowPlaces::frameRoom).center());
    // As large as the screen allows with its frame, and on it.
    MainWindow& second = open();
    EXPECT_TRUE(screen.contains(second.frameGeometry()));
    EXPECT_EQ(second.frameGeometry().width(), screen.width());
    EXPECT_EQ(second.height(), screen.marginsRemoved(WindowPlaces::frameRoom).height());
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

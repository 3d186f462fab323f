#pragma once

// Where each main window opens and how small it may be. The windows open when Vell last ended come
// back at their size and place, in the order they were opened; a window beyond them opens cascaded
// from the newest one; and every place is kept on the screens there are now, frame included, so a
// window left on a screen since unplugged is moved back on. The first window of a fresh start takes
// its default size where the screen has room for it, and less where it has not.

#include <QMargins>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace vell {

class WindowPlaces {
public:
    // A window's inner rectangle (without the frame the desktop draws), and whether it filled its
    // screen; the rectangle is then the one it goes back to.
    struct Place {
        QRect geometry;
        bool maximized = false;

        friend bool operator==(const Place&, const Place&) = default;
    };

    static constexpr const char* key = "vell.windowPlaces";
    // How far a window opened beside another one stands right of it and below it.
    static constexpr int cascadeStep = 28;
    // Kept free around a window's inner rectangle for the frame the desktop draws, while it is not
    // known yet: the title bar above, a border below.
    static constexpr QMargins frameRoom{0, 32, 0, 8};

    explicit WindowPlaces(std::shared_ptr<QSettings> settings);

    // What the last run left, oldest window first.
    std::vector<Place> remembered() const;
    // Stores these as the windows to open with next time; an empty list changes nothing.
    void remember(const std::vector<Place>& places);

    // The place of the next window opened in this run: the next remembered one not yet given out,
    // else one cascaded from `newest` (the inner rectangle of the newest open window), else none (the
    // window opens where the desktop puts it, at `sizeOn` the first screen). Kept on `screens`, the
    // available rectangles of the screens, the primary one first, with room for `frame` around it.
    std::optional<Place> next(std::optional<QRect> newest, const std::vector<QRect>& screens,
                              QMargins frame = frameRoom);

    // The smallest inner size of a window on `screen` (an available rectangle) with `frame` around
    // it: the window's minimum size where the screen has room for it; else no wider than half the
    // screen, so that the desktop may tile two windows side by side, and no taller than the screen;
    // never below the compact size.
    static QSize minimumOn(const QRect& screen, QMargins frame = frameRoom);
    // `wanted` as far as `screen` has room for it with `frame`, never below `minimumOn` it.
    static QSize sizeOn(QSize wanted, const QRect& screen, QMargins frame = frameRoom);
    // `geometry` moved (and shrunk, down to its minimum there) so that it lies with its frame on the
    // screen it overlaps most; one that overlaps none is centred on the first.
    static QRect keptOnScreens(QRect geometry, const std::vector<QRect>& screens, QMargins frame = frameRoom);
    // One step right of and below `geometry`; back to the top left of the screen where that runs off it.
    static QRect cascaded(QRect geometry, const std::vector<QRect>& screens, QMargins frame = frameRoom);
    // `geometry` moved up, and shrunk where moving is not enough, so that the bottom edge of its frame
    // lies on `screen`; one already on it comes back as it is.
    static QRect bottomKeptOn(QRect geometry, const QRect& screen, QMargins frame);

    // "x,y,width,height" with ",maximized" when it applies; places are joined by ";".
    static QString text(const std::vector<Place>& places);
    // What cannot be read is left out.
    static std::vector<Place> parse(const QString& text);

private:
    std::shared_ptr<QSettings> settings_;
    std::vector<Place> remembered_;
    std::size_t givenOut_ = 0;
};

} // namespace vell

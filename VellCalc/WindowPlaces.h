#pragma once

// Where each main window opens. The windows open when Vell last ended come back at their size and
// place, in the order they were opened; a window beyond them opens cascaded from the newest one; and
// every place is kept on the screens there are now, so a window left on a screen since unplugged is
// moved back on.

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
    // Kept free above a window's inner rectangle for its title bar.
    static constexpr int titleBarRoom = 32;

    explicit WindowPlaces(std::shared_ptr<QSettings> settings);

    // What the last run left, oldest window first.
    std::vector<Place> remembered() const;
    // Stores these as the windows to open with next time; an empty list changes nothing.
    void remember(const std::vector<Place>& places);

    // The place of the next window opened in this run: the next remembered one not yet given out,
    // else one cascaded from `newest` (the inner rectangle of the newest open window), else none (the
    // window opens at its default size where the desktop puts it). Kept on `screens`, the available
    // rectangles of the screens, the primary one first.
    std::optional<Place> next(std::optional<QRect> newest, const std::vector<QRect>& screens, QSize minimum);

    // `geometry` moved (and shrunk, down to `minimum`) so that it lies on the screen it overlaps most,
    // its title bar included; one that overlaps none is centred on the first.
    static QRect keptOnScreens(QRect geometry, const std::vector<QRect>& screens, QSize minimum);
    // One step right of and below `geometry`; back to the top left of the screen where that runs off it.
    static QRect cascaded(QRect geometry, const std::vector<QRect>& screens, QSize minimum);

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

#include "WindowPlaces.h"

#include "Stores/UserDefaults.h"
#include "Window/VellWindow.h"

#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace vell {

namespace {

constexpr auto maximizedWord = "maximized";
constexpr int farthest = 1'000'000;

qint64 overlap(const QRect& a, const QRect& b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// The screen a window with its frame overlaps most; none when it overlaps none.
std::optional<QRect> screenOf(const QRect& geometry, const std::vector<QRect>& screens, QMargins frame) {
    const QRect withFrame = geometry.marginsAdded(frame);
    std::optional<QRect> best;
    qint64 bestOverlap = 0;
    for (const QRect& screen : screens) {
        const qint64 area = overlap(withFrame, screen);
        if (area > bestOverlap) {
            best = screen;
            bestOverlap = area;
        }
    }
    return best;
}

} // namespace

WindowPlaces::WindowPlaces(std::shared_ptr<QSettings> settings) : settings_(std::move(settings)) {
    remembered_ = remembered();
}

std::vector<WindowPlaces::Place> WindowPlaces::remembered() const {
    const auto stored = UserDefaults::string(*settings_, QString::fromLatin1(key));
    return stored ? parse(*stored) : std::vector<Place>{};
}

void WindowPlaces::remember(const std::vector<Place>& places) {
    if (places.empty()) return;
    UserDefaults::write(*settings_, QString::fromLatin1(key), text(places));
}

std::optional<WindowPlaces::Place> WindowPlaces::next(std::optional<QRect> newest,
                                                      const std::vector<QRect>& screens, QMargins frame) {
    if (givenOut_ < remembered_.size()) {
        Place place = remembered_[givenOut_++];
        place.geometry = keptOnScreens(place.geometry, screens, frame);
        return place;
    }
    if (newest) return Place{cascaded(*newest, screens, frame), false};
    return std::nullopt;
}

QSize WindowPlaces::minimumOn(const QRect& screen, QMargins frame) {
    const QSize wanted = VellWindow::minimumSize;
    const QSize compact = VellWindow::compactSize;
    const int sideBySide = screen.width() / 2 - frame.left() - frame.right();
    const int tall = screen.height() - frame.top() - frame.bottom();
    return {std::min(wanted.width(), std::max(compact.width(), sideBySide)),
            std::min(wanted.height(), std::max(compact.height(), tall))};
}

QSize WindowPlaces::sizeOn(QSize wanted, const QRect& screen, QMargins frame) {
    const QSize room = screen.marginsRemoved(frame).size();
    const QSize minimum = minimumOn(screen, frame);
    return {std::max(minimum.width(), std::min(wanted.width(), room.width())),
            std::max(minimum.height(), std::min(wanted.height(), room.height()))};
}

QRect WindowPlaces::keptOnScreens(QRect geometry, const std::vector<QRect>& screens, QMargins frame) {
    if (screens.empty()) return geometry;
    const std::optional<QRect> found = screenOf(geometry, screens, frame);
    const QRect screen = found.value_or(screens.front());
    const QRect room = screen.marginsRemoved(frame);
    geometry.setSize(sizeOn(geometry.size(), screen, frame));
    if (!found) geometry.moveCenter(room.center());
    const int right = std::max(room.left(), room.left() + room.width() - geometry.width());
    const int bottom = std::max(room.top(), room.top() + room.height() - geometry.height());
    geometry.moveTopLeft(QPoint(std::clamp(geometry.left(), room.left(), right),
                                std::clamp(geometry.top(), room.top(), bottom)));
    return geometry;
}

QRect WindowPlaces::cascaded(QRect geometry, const std::vector<QRect>& screens, QMargins frame) {
    const QRect screen =
        screenOf(geometry, screens, frame).value_or(screens.empty() ? QRect() : screens.front());
    geometry.translate(cascadeStep, cascadeStep);
    const QRect framed = geometry.marginsAdded(frame);
    if (!screen.isNull() && (framed.right() > screen.right() || framed.bottom() > screen.bottom()))
        geometry.moveTopLeft(QPoint(screen.left(), screen.top() + frame.top()));
    return keptOnScreens(geometry, screens, frame);
}

QRect WindowPlaces::bottomKeptOn(QRect geometry, const QRect& screen, QMargins frame) {
    const QRect room = screen.marginsRemoved(frame);
    if (geometry.bottom() <= room.bottom()) return geometry;
    int height = geometry.height();
    if (height > room.height()) height = std::max(room.height(), minimumOn(screen, frame).height());
    height = std::min(height, geometry.height());
    geometry.setHeight(height);
    geometry.moveTop(std::max(room.top(), room.bottom() + 1 - height));
    return geometry;
}

QString WindowPlaces::text(const std::vector<Place>& places) {
    QStringList out;
    for (const Place& place : places) {
        const QRect& g = place.geometry;
        QString one = QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
        if (place.maximized) one += QLatin1Char(',') + QLatin1String(maximizedWord);
        out << one;
    }
    return out.join(QLatin1Char(';'));
}

std::vector<WindowPlaces::Place> WindowPlaces::parse(const QString& text) {
    std::vector<Place> places;
    for (const QString& one : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = one.trimmed().split(QLatin1Char(','));
        if (parts.size() != 4 && parts.size() != 5) continue;
        int numbers[4] = {};
        bool readable = true;
        for (int i = 0; i < 4 && readable; ++i) {
            numbers[i] = parts[i].trimmed().toInt(&readable);
            // Far beyond any desktop, and the sums of such numbers would not fit.
            if (std::abs(numbers[i]) > farthest) readable = false;
        }
        if (!readable || numbers[2] <= 0 || numbers[3] <= 0) continue;
        if (parts.size() == 5 && parts[4].trimmed() != QLatin1String(maximizedWord)) continue;
        places.push_back(Place{QRect(numbers[0], numbers[1], numbers[2], numbers[3]), parts.size() == 5});
    }
    return places;
}

} // namespace vell

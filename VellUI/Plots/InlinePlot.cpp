#include "Plots/InlinePlot.h"

#include "Engine/EngineSettings.h"
#include "Engine/L10n.h"
#include "Engine/ValueFormatter.h"
#include "Plots/PlotView.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>

namespace vell {

namespace {

struct Key {
    std::string spec;
    int width = 0;
    int height = 0;
    bool isDark = false;
    double ratio = 1;
    PlotAngle angle;
    // The labels are written with the answers' settings and the hint in the user's language: an image
    // made before either changed shows the former texts.
    bool english = false;
    int fractionDigits = 0;

    friend bool operator==(const Key&, const Key&) = default;
};

struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept {
        std::size_t seed = std::hash<std::string>{}(key.spec);
        const auto mix = [&seed](std::size_t value) {
            seed ^= value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2);
        };
        mix(std::hash<int>{}(key.width));
        mix(std::hash<int>{}(key.height));
        mix(key.isDark);
        mix(std::hash<double>{}(key.ratio));
        mix(std::hash<PlotAngle>{}(key.angle));
        mix(key.english);
        mix(std::hash<int>{}(key.fractionDigits));
        return seed;
    }
};

using Cache = std::unordered_map<Key, QImage, KeyHash>;

Cache& cache() {
    static Cache images;
    return images;
}

// Sizes beyond this many points are not rendered: their pixel counts would not fit an image.
constexpr double largestSide = 16384;
// Beyond any screen's; keeps the pixel count of the largest side within what an image can hold.
constexpr double maximumRatio = 4;

// FNV-1a, 64 bits, over the grid's shape and the bit patterns of its values.
class GridHash {
public:
    void add(std::uint64_t word) {
        for (int byte = 0; byte < 8; ++byte) {
            hash_ ^= (word >> (8 * byte)) & 0xFF;
            hash_ *= 0x100000001B3ull;
        }
    }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

std::uint64_t gridHash(const std::vector<std::vector<std::optional<double>>>& grid) {
    // An absent value is written as a NaN pattern no arithmetic produces, so it differs from every number.
    constexpr std::uint64_t absent = 0x7FF4'0000'0000'0A5Eull;
    GridHash hash;
    hash.add(grid.size());
    for (const auto& row : grid) {
        hash.add(row.size());
        for (const auto& value : row)
            hash.add(value ? std::bit_cast<std::uint64_t>(*value) : absent);
    }
    return hash.value();
}

// The shortest decimal text that reads back as the same double.
void appendNumber(std::string& out, double value) {
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (error == std::errc()) out.append(buffer.data(), end);
}

// Texts are written with their length first, so that no text can pass for a separator.
void appendText(std::string& out, const std::string& text) {
    out += std::to_string(text.size());
    out += '#';
    out += text;
}

void appendRange(std::string& out, const PlotRange& range) {
    appendNumber(out, range.lowerBound);
    out += "…";
    appendNumber(out, range.upperBound);
}

} // namespace

std::unordered_map<std::string, PlotAngle>& InlinePlot::angles() {
    static std::unordered_map<std::string, PlotAngle> stored;
    return stored;
}

PlotAngle InlinePlot::angle(const std::string& title) {
    const auto& stored = angles();
    const auto found = stored.find(title);
    return found == stored.end() ? PlotAngle{} : found->second;
}

std::string InlinePlot::signature(const PlotSpec& spec) {
    std::string out;
    appendText(out, spec.title);
    out += '/';
    out += PlotSpec::kindName(spec.kind);
    out += '/';
    out += std::to_string(gridHash(spec.surface));
    out += '/';
    for (std::size_t index = 0; index < spec.bars.size(); ++index) {
        if (index > 0) out += ',';
        appendText(out, spec.bars[index].label);
        out += ':';
        appendNumber(out, spec.bars[index].value);
    }
    out += '/';
    for (std::size_t s = 0; s < spec.segments.size(); ++s) {
        if (s > 0) out += '|';
        const auto& segment = spec.segments[s];
        for (std::size_t k = 0; k < segment.size(); ++k) {
            if (k > 0) out += ';';
            appendNumber(out, segment[k].x);
            out += ',';
            appendNumber(out, segment[k].y);
        }
    }
    // The axes show the ranges and the unit: a plot whose data stay while they change is another image.
    out += '/';
    appendRange(out, spec.xRange);
    out += '/';
    appendRange(out, spec.yRange);
    out += '/';
    if (spec.zRange) appendRange(out, *spec.zRange);
    out += '/';
    if (spec.unitLabel) appendText(out, *spec.unitLabel);
    return out;
}

QImage InlinePlot::image(const PlotSpec& spec, double width, double height, bool dark, double ratio) {
    if (!(width > 8) || !(height > 8) || width >= largestSide || height >= largestSide) return {};
    if (!(ratio > 0) || !std::isfinite(ratio)) ratio = 1;
    ratio = std::min(ratio, maximumRatio);
    const Key key{.spec = signature(spec),
                  .width = static_cast<int>(width),
                  .height = static_cast<int>(height),
                  .isDark = dark,
                  .ratio = ratio,
                  .angle = angle(spec.title),
                  .english = L10n::isEnglish(),
                  .fractionDigits = EngineSettings::current().maxFractionDigits};
    Cache& images = cache();
    if (const auto found = images.find(key); found != images.end()) return found->second;

    QImage image(static_cast<int>(std::ceil(key.width * ratio)),
                 static_cast<int>(std::ceil(key.height * ratio)), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        PlotView::render(painter, QSizeF(key.width, key.height), spec, key.angle, dark, false);
    }
    if (images.size() >= cacheLimit) images.clear();
    images.emplace(key, image);
    return image;
}

std::size_t InlinePlot::cachedImageCount() {
    return cache().size();
}

std::size_t InlinePlot::cachedImageBytes() {
    std::size_t bytes = 0;
    for (const auto& [key, image] : cache())
        bytes += static_cast<std::size_t>(image.sizeInBytes());
    return bytes;
}

void InlinePlot::emptyCache() {
    cache().clear();
}

void InlinePlot::dropUnheld() {
    std::erase_if(cache(), [](const auto& entry) { return entry.second.isDetached(); });
}

} // namespace vell

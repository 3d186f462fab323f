#include "PlotJson.h"

#include <charconv>
#include <cmath>

namespace vell::harness {

namespace {

using Json = nlohmann::ordered_json;

Json rangeJson(const PlotRange& range) {
    return Json::array({range.lowerBound, range.upperBound});
}

void appendNumber(std::string& out, double number) {
    if (!std::isfinite(number)) {
        out += "null"; // as dump() writes it; JSON has no infinities
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    out.append(buffer, result.ptr);
}

void append(std::string& out, const Json& json) {
    switch (json.type()) {
    case Json::value_t::object: {
        out += '{';
        bool first = true;
        for (const auto& [key, value] : json.items()) {
            if (!first) out += ',';
            first = false;
            out += Json(key).dump(-1, ' ', false, Json::error_handler_t::replace);
            out += ':';
            append(out, value);
        }
        out += '}';
        return;
    }
    case Json::value_t::array: {
        out += '[';
        bool first = true;
        for (const Json& item : json) {
            if (!first) out += ',';
            first = false;
            append(out, item);
        }
        out += ']';
        return;
    }
    case Json::value_t::number_float:
        appendNumber(out, json.get<double>());
        return;
    default:
        out += json.dump(-1, ' ', false, Json::error_handler_t::replace);
        return;
    }
}

} // namespace

Json plotSpecJson(const PlotSpec& spec) {
    Json segments = Json::array();
    for (const auto& segment : spec.segments) {
        Json points = Json::array();
        for (const PlotPoint& point : segment)
            points.push_back(Json::array({point.x, point.y}));
        segments.push_back(std::move(points));
    }
    Json bars = Json::array();
    for (const PlotBar& bar : spec.bars) {
        Json object;
        object["label"] = bar.label;
        object["value"] = bar.value;
        bars.push_back(std::move(object));
    }
    Json surface = Json::array();
    for (const auto& row : spec.surface) {
        Json cells = Json::array();
        for (const auto& cell : row)
            cells.push_back(cell ? Json(*cell) : Json(nullptr));
        surface.push_back(std::move(cells));
    }

    Json object;
    object["kind"] = std::string(PlotSpec::kindName(spec.kind));
    object["title"] = spec.title;
    object["segments"] = std::move(segments);
    object["bars"] = std::move(bars);
    object["surface"] = std::move(surface);
    object["xRange"] = rangeJson(spec.xRange);
    object["yRange"] = rangeJson(spec.yRange);
    object["zRange"] = spec.zRange ? rangeJson(*spec.zRange) : Json(nullptr);
    object["unitLabel"] = spec.unitLabel ? Json(*spec.unitLabel) : Json(nullptr);
    return object;
}

std::string compactJson(const Json& json) {
    std::string out;
    append(out, json);
    return out;
}

} // namespace vell::harness

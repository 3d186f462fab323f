#include "HarnessInput.h"

#include "Engine/L10n.h"
#include "Unicode/Decimal.h"

#include <nlohmann/json.hpp>

namespace vell::harness {

namespace {

using Json = nlohmann::json;

const Json* field(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::string requireString(const Json& value, const std::string& where) {
    if (!value.is_string()) throw InputError(where + " must be a string");
    return value.get<std::string>();
}

bool requireBool(const Json& value, const std::string& where) {
    if (!value.is_boolean()) throw InputError(where + " must be true or false");
    return value.get<bool>();
}

} // namespace

HarnessInput parseInput(std::string_view json) {
    Json root;
    try {
        root = Json::parse(json);
    } catch (const Json::parse_error& error) {
        throw InputError(std::string("the input is not JSON: ") + error.what());
    }
    if (!root.is_object()) throw InputError("the input must be a JSON object");

    for (const auto& [key, value] : root.items()) {
        (void)value;
        if (key != "sheet" && key != "others" && key != "language" && key != "degrees" &&
            key != "maxFractionDigits" && key != "grouping")
            throw InputError("unknown field \"" + key + "\"");
    }

    HarnessInput input;
    const Json* sheet = field(root, "sheet");
    if (!sheet) throw InputError("the field \"sheet\" is missing");
    input.sheet = requireString(*sheet, "\"sheet\"");

    if (const Json* others = field(root, "others")) {
        if (!others->is_array()) throw InputError("\"others\" must be an array");
        for (std::size_t i = 0; i < others->size(); ++i) {
            const Json& other = (*others)[i];
            const std::string where = "\"others\"[" + decimal(i) + "]";
            if (!other.is_object()) throw InputError(where + " must be an object with \"name\" and \"text\"");
            const Json* name = field(other, "name");
            const Json* text = field(other, "text");
            if (!name || !text || other.size() != 2)
                throw InputError(where + " must be an object with \"name\" and \"text\"");
            input.others.push_back(
                {requireString(*name, where + ".name"), requireString(*text, where + ".text")});
        }
    }
    if (const Json* language = field(root, "language")) {
        const auto parsed = AppLanguages::fromRawValue(requireString(*language, "\"language\""));
        if (!parsed) throw InputError("\"language\" must be \"english\", \"japanese\" or \"system\"");
        input.engine.language = *parsed;
    }
    if (const Json* degrees = field(root, "degrees"))
        input.engine.degrees = requireBool(*degrees, "\"degrees\"");
    if (const Json* grouping = field(root, "grouping"))
        input.grouping = requireBool(*grouping, "\"grouping\"");
    if (const Json* digits = field(root, "maxFractionDigits")) {
        if (!digits->is_number_integer() || digits->get<std::int64_t>() < 0 ||
            digits->get<std::int64_t>() > 10)
            throw InputError("\"maxFractionDigits\" must be a whole number from 0 to 10");
        input.engine.maxFractionDigits = digits->get<int>();
    }
    return input;
}

void applySettings(const HarnessInput& input) {
    EngineSettings::set(input.engine);
}

} // namespace vell::harness

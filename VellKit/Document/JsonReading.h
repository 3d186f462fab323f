#pragma once

// Typed reads of the document's JSON form, each failing with a DocumentDecodingError that names the key.

#include "Document/Date.h"
#include "Document/DocumentDecodingError.h"
#include "Document/Sheet.h"
#include "Document/Uuid.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace vell::json_reading {

// The value under `key`; null when the key is absent or holds JSON null.
const nlohmann::json* member(const nlohmann::json& object, std::string_view key);

[[noreturn]] void fail(std::string_view path, std::string_view problem);

const nlohmann::json& requireObject(const nlohmann::json& value, std::string_view path);
const nlohmann::json& requireArray(const nlohmann::json& value, std::string_view path);
std::string readString(const nlohmann::json& value, std::string_view path);
Uuid readUuid(const nlohmann::json& value, std::string_view path);
// With repairs given, a string that is no date is mended instead of failing the read: a fraction of a
// second is dropped, anything else becomes the distant past (so any other copy wins); each is recorded.
Date readDate(const nlohmann::json& value, std::string_view path, DocumentRepairs* repairs = nullptr);
std::int64_t readInteger(const nlohmann::json& value, std::string_view path);

// Every member of the object at `path` whose key is not one of `known`, as compact JSON text; a value
// nested too deep to be written back safely is left out, and recorded when repairs are given.
std::map<std::string, std::string> unknownMembers(const nlohmann::json& object,
                                                  std::initializer_list<std::string_view> known,
                                                  std::string_view path = {},
                                                  DocumentRepairs* repairs = nullptr);
// The members back into an object, under keys it does not hold already.
void addUnknownMembers(nlohmann::json& object, const std::map<std::string, std::string>& members);

std::string joinPath(std::string_view path, std::string_view key);
std::string indexPath(std::string_view path, std::size_t index);

// A sheet object at `path` ("sheets[2]"); errors name the key below it ("sheets[2].id"). With repairs given,
// dates are mended as readDate does, a lock that is no integer is skipped and locks on lines the text does
// not have are dropped (recorded as lossless: nothing of the user's is lost).
Sheet readSheet(const nlohmann::json& value, std::string_view path, DocumentRepairs* repairs = nullptr);

} // namespace vell::json_reading

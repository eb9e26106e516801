// A strict JSON reader for the tests: parses the documents the program prints, so that tests
// check their structure instead of searching their text.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ringmarch::testing {

struct JsonValue;
using JsonArray = std::vector<JsonValue>;
using JsonMembers = std::vector<std::pair<std::string, JsonValue>>;

struct JsonValue {
  std::variant<std::nullptr_t, bool, double, std::string, JsonArray, JsonMembers> value;

  bool isNull() const { return std::holds_alternative<std::nullptr_t>(value); }
  bool isBool() const { return std::holds_alternative<bool>(value); }
  bool isNumber() const { return std::holds_alternative<double>(value); }
  bool isString() const { return std::holds_alternative<std::string>(value); }
  bool isArray() const { return std::holds_alternative<JsonArray>(value); }
  bool isObject() const { return std::holds_alternative<JsonMembers>(value); }

  bool boolean() const { return std::get<bool>(value); }
  double number() const { return std::get<double>(value); }
  const std::string& string() const { return std::get<std::string>(value); }
  const JsonArray& array() const { return std::get<JsonArray>(value); }
  const JsonMembers& members() const { return std::get<JsonMembers>(value); }
  // The member of an object by key; nullptr when absent or when this is not an object.
  const JsonValue* find(std::string_view key) const;
  // The member by key, or a null value when absent; reading it as another type then throws, so
  // a missing field fails the test instead of crashing it.
  const JsonValue& at(std::string_view key) const;
  std::vector<std::string> keys() const;
};

// The document, or nullopt with the reason in *error when the text is not exactly one JSON
// value (white space around it allowed).
std::optional<JsonValue> parseJson(std::string_view text, std::string* error = nullptr);

}  // namespace ringmarch::testing

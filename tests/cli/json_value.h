// A strict JSON reader for the tests: parses the documents the program prints, so that tests
// check their structure instead of searching their text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringmarch::testing {

// One value of a document. A plain record rather than a variant: the sanitizer build of the
// compiler warns on variants of these types.
struct JsonValue {
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  JsonValue() = default;
  explicit JsonValue(bool value) : kind(Kind::Boolean), booleanValue(value) {}
  explicit JsonValue(double value) : kind(Kind::Number), numberValue(value) {}
  explicit JsonValue(std::string value) : kind(Kind::String), stringValue(std::move(value)) {}

  Kind kind = Kind::Null;
  bool booleanValue = false;
  double numberValue = 0;
  std::string stringValue;
  std::vector<JsonValue> items;        // Array elements, or Object member values
  std::vector<std::string> itemNames;  // Object member names, parallel to items

  bool isNull() const { return kind == Kind::Null; }
  bool isBool() const { return kind == Kind::Boolean; }
  bool isNumber() const { return kind == Kind::Number; }
  bool isString() const { return kind == Kind::String; }
  bool isArray() const { return kind == Kind::Array; }
  bool isObject() const { return kind == Kind::Object; }

  // Reading a value as another kind throws, so that a wrong field fails the test.
  bool boolean() const;
  double number() const;
  const std::string& string() const;
  const std::vector<JsonValue>& array() const;
  // The member of an object by key; nullptr when absent or when this is not an object.
  const JsonValue* find(std::string_view key) const;
  // The member by key, or a null value when absent.
  const JsonValue& at(std::string_view key) const;
  std::vector<std::string> keys() const;
};

// The document, or nullopt with the reason in *error when the text is not exactly one JSON
// value (white space around it allowed).
std::optional<JsonValue> parseJson(std::string_view text, std::string* error = nullptr);

}  // namespace ringmarch::testing

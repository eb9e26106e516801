// A small writer for the one JSON object that `--json` prints: fields in the order they are
// added, strings escaped and always valid UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ringmarch::cli {

// The text as a JSON string literal, quotes included. Control characters, quotes and
// backslashes are escaped; bytes that are not valid UTF-8 become U+FFFD, so that a file name in
// any encoding still yields a valid document.
std::string jsonString(std::string_view text);

class JsonObject {
 public:
  JsonObject& add(std::string_view key, std::int64_t value);
  JsonObject& add(std::string_view key, std::uint64_t value);
  JsonObject& add(std::string_view key, std::int32_t value) {
    return add(key, static_cast<std::int64_t>(value));
  }
  // Written with microsecond precision; a value that is not finite is written as null.
  JsonObject& add(std::string_view key, double value);
  JsonObject& add(std::string_view key, bool value);
  JsonObject& add(std::string_view key, std::string_view value);
  JsonObject& add(std::string_view key, const char* value) {
    return add(key, std::string_view(value));
  }
  JsonObject& add(std::string_view key, std::span<const std::int32_t> values);
  JsonObject& add(std::string_view key, const JsonObject& nested);
  JsonObject& addNull(std::string_view key);

  std::string text() const { return "{" + body_ + "}"; }

 private:
  JsonObject& addRaw(std::string_view key, std::string_view json);
  std::string body_;
};

}  // namespace ringmarch::cli

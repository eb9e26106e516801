#include "cli/json_output.h"

#include <cmath>
#include <cstdio>

namespace ringmarch::cli {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (byte(i + k) & 0x3Fu);
  }
  if (length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) return 0;
  if (length == 4 && (value < 0x10000 || value > 0x10FFFF)) return 0;
  return length;
}

}  // namespace

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    const std::size_t length = utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  out += '"';
  return out;
}

JsonObject& JsonObject::addRaw(std::string_view key, std::string_view json) {
  if (!body_.empty()) body_ += ", ";
  body_ += jsonString(key);
  body_ += ": ";
  body_ += json;
  return *this;
}

JsonObject& JsonObject::add(std::string_view key, std::int64_t value) {
  return addRaw(key, std::to_string(value));
}

JsonObject& JsonObject::add(std::string_view key, std::uint64_t value) {
  return addRaw(key, std::to_string(value));
}

JsonObject& JsonObject::add(std::string_view key, double value) {
  if (!std::isfinite(value)) return addNull(key);
  char text[64];
  // Fixed notation for the everyday range; very large values in exponent form, which still fits.
  std::snprintf(text, sizeof text, std::fabs(value) < 1e15 ? "%.6f" : "%.17g", value);
  return addRaw(key, text);
}

JsonObject& JsonObject::add(std::string_view key, bool value) {
  return addRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::add(std::string_view key, std::string_view value) {
  return addRaw(key, jsonString(value));
}

JsonObject& JsonObject::add(std::string_view key, std::span<const std::int32_t> values) {
  std::string array = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) array += ", ";
    array += std::to_string(values[i]);
  }
  array += "]";
  return addRaw(key, array);
}

JsonObject& JsonObject::add(std::string_view key, const JsonObject& nested) {
  return addRaw(key, nested.text());
}

JsonObject& JsonObject::addNull(std::string_view key) {
  return addRaw(key, "null");
}

}  // namespace ringmarch::cli

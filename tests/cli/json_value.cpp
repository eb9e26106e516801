#include "json_value.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace ringmarch::testing {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<JsonValue> document() {
    std::optional<JsonValue> value = parseValue(0);
    if (!value) return std::nullopt;
    skipSpace();
    if (position_ != text_.size()) return fail("text after the value");
    return value;
  }

  std::string error;

 private:
  std::nullopt_t fail(std::string reason) {
    if (error.empty()) error = reason + " at offset " + std::to_string(position_);
    return std::nullopt;
  }

  void skipSpace() {
    while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t' ||
                                        text_[position_] == '\n' || text_[position_] == '\r')) {
      ++position_;
    }
  }

  bool consume(std::string_view word) {
    if (text_.substr(position_, word.size()) != word) return false;
    position_ += word.size();
    return true;
  }

  std::optional<JsonValue> parseValue(int depth) {
    if (depth > 64) return fail("nesting too deep");
    skipSpace();
    if (position_ >= text_.size()) return fail("missing value");
    const char c = text_[position_];
    if (c == '{') return parseObject(depth);
    if (c == '[') return parseArray(depth);
    if (c == '"') {
      std::optional<std::string> s = parseString();
      if (!s) return std::nullopt;
      return JsonValue(std::move(*s));
    }
    if (consume("true")) return JsonValue(true);
    if (consume("false")) return JsonValue(false);
    if (consume("null")) return JsonValue();
    return parseNumber();
  }

  std::optional<JsonValue> parseNumber() {
    const std::size_t start = position_;
    if (position_ < text_.size() && text_[position_] == '-') ++position_;
    const auto digits = [&] {
      const std::size_t from = position_;
      while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
        ++position_;
      }
      return position_ - from;
    };
    const std::size_t intStart = position_;
    const std::size_t intDigits = digits();
    if (intDigits == 0) return fail("bad number");
    if (intDigits > 1 && text_[intStart] == '0') return fail("leading zero");
    if (position_ < text_.size() && text_[position_] == '.') {
      ++position_;
      if (digits() == 0) return fail("bad fraction");
    }
    if (position_ < text_.size() && (text_[position_] == 'e' || text_[position_] == 'E')) {
      ++position_;
      if (position_ < text_.size() && (text_[position_] == '+' || text_[position_] == '-')) {
        ++position_;
      }
      if (digits() == 0) return fail("bad exponent");
    }
    const std::string number(text_.substr(start, position_ - start));
    return JsonValue(std::strtod(number.c_str(), nullptr));
  }

  static void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::optional<std::uint32_t> hex4() {
    if (position_ + 4 > text_.size()) return std::nullopt;
    std::uint32_t value = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[position_++];
      value <<= 4;
      if (h >= '0' && h <= '9') {
        value |= static_cast<std::uint32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        value |= static_cast<std::uint32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        value |= static_cast<std::uint32_t>(h - 'A' + 10);
      } else {
        return std::nullopt;
      }
    }
    return value;
  }

  std::optional<std::string> parseString() {
    ++position_;  // opening quote
    std::string out;
    while (true) {
      if (position_ >= text_.size()) return fail("unterminated string");
      const auto c = static_cast<unsigned char>(text_[position_++]);
      if (c == '"') return out;
      if (c < 0x20) return fail("control character in string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (position_ >= text_.size()) return fail("unterminated escape");
      const char e = text_[position_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::optional<std::uint32_t> code = hex4();
          if (!code) return fail("bad \\u escape");
          if (*code >= 0xD800 && *code <= 0xDBFF) {
            if (!consume("\\u")) return fail("lone high surrogate");
            const std::optional<std::uint32_t> low = hex4();
            if (!low || *low < 0xDC00 || *low > 0xDFFF) return fail("bad low surrogate");
            *code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
          } else if (*code >= 0xDC00 && *code <= 0xDFFF) {
            return fail("lone low surrogate");
          }
          appendUtf8(out, *code);
          break;
        }
        default:
          return fail("unknown escape");
      }
    }
  }

  std::optional<JsonValue> parseArray(int depth) {
    ++position_;
    JsonValue array;
    array.kind = JsonValue::Kind::Array;
    skipSpace();
    if (consume("]")) return array;
    while (true) {
      std::optional<JsonValue> item = parseValue(depth + 1);
      if (!item) return std::nullopt;
      array.items.push_back(std::move(*item));
      skipSpace();
      if (consume("]")) return array;
      if (!consume(",")) return fail("expected , or ]");
    }
  }

  std::optional<JsonValue> parseObject(int depth) {
    ++position_;
    JsonValue object;
    object.kind = JsonValue::Kind::Object;
    skipSpace();
    if (consume("}")) return object;
    while (true) {
      skipSpace();
      if (position_ >= text_.size() || text_[position_] != '"') return fail("expected a key");
      std::optional<std::string> key = parseString();
      if (!key) return std::nullopt;
      for (const std::string& name : object.itemNames) {
        if (name == *key) return fail("duplicate key " + *key);
      }
      skipSpace();
      if (!consume(":")) return fail("expected :");
      std::optional<JsonValue> value = parseValue(depth + 1);
      if (!value) return std::nullopt;
      object.itemNames.push_back(std::move(*key));
      object.items.push_back(std::move(*value));
      skipSpace();
      if (consume("}")) return object;
      if (!consume(",")) return fail("expected , or }");
    }
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace

namespace {
void expectKind(const JsonValue& value, JsonValue::Kind kind, const char* what) {
  if (value.kind != kind) throw std::runtime_error(std::string("JSON value is not ") + what);
}
}  // namespace

bool JsonValue::boolean() const {
  expectKind(*this, Kind::Boolean, "a boolean");
  return booleanValue;
}

double JsonValue::number() const {
  expectKind(*this, Kind::Number, "a number");
  return numberValue;
}

const std::string& JsonValue::string() const {
  expectKind(*this, Kind::String, "a string");
  return stringValue;
}

const std::vector<JsonValue>& JsonValue::array() const {
  expectKind(*this, Kind::Array, "an array");
  return items;
}

const JsonValue* JsonValue::find(std::string_view key) const {
  if (!isObject()) return nullptr;
  for (std::size_t i = 0; i < itemNames.size(); ++i) {
    if (itemNames[i] == key) return &items[i];
  }
  return nullptr;
}

const JsonValue& JsonValue::at(std::string_view key) const {
  static const JsonValue absent;
  const JsonValue* member = find(key);
  return member != nullptr ? *member : absent;
}

std::vector<std::string> JsonValue::keys() const {
  return isObject() ? itemNames : std::vector<std::string>{};
}

std::optional<JsonValue> parseJson(std::string_view text, std::string* error) {
  Parser parser(text);
  std::optional<JsonValue> value = parser.document();
  if (!value && error != nullptr) *error = parser.error;
  return value;
}

}  // namespace ringmarch::testing

#include "server/registry_script.h"

#include <array>
#include <initializer_list>

namespace ringmarch::registry {
namespace {

char upperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

std::string upperCopy(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = upperAscii(c);
  return upper;
}

// Joins texts by appending (chained std::string + draws a false overlap warning from GCC 12 on
// 32-bit targets).
std::string concat(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (const std::string_view part : parts) joined.append(part);
  return joined;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

struct RootName {
  std::string_view shortName;
  std::string_view longName;
  RootKey root;
};

constexpr std::array<RootName, 7> kRootNames = {{
    {"HKCR", "HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
    {"HKCU", "HKEY_CURRENT_USER", RootKey::CurrentUser},
    {"HKLM", "HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
    {"HKU", "HKEY_USERS", RootKey::Users},
    {"HKPD", "HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
    {"HKDD", "HKEY_DYN_DATA", RootKey::DynData},
    {"HKCC", "HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
}};

std::optional<RootKey> rootKeyNamed(std::string_view name) {
  for (const RootName& candidate : kRootNames) {
    if (equalsIgnoringCase(name, candidate.shortName) ||
        equalsIgnoringCase(name, candidate.longName)) {
      return candidate.root;
    }
  }
  return std::nullopt;
}

// Shared keys directly below a root that other components' entries live in: never removed.
bool isSharedKey(std::string_view name) {
  return equalsIgnoringCase(name, "CLSID") || equalsIgnoringCase(name, "TYPELIB");
}

struct Token {
  std::string text;
  bool quoted = false;
  bool is(std::string_view word) const { return !quoted && text == word; }
  bool isKeyword(std::string_view word) const { return !quoted && equalsIgnoringCase(text, word); }
};

bool tokenize(std::string_view script, std::vector<Token>& tokens, std::string* detail) {
  std::size_t pos = 0;
  while (pos < script.size()) {
    const char c = script[pos];
    if (isSpace(c)) {
      ++pos;
      continue;
    }
    Token token;
    if (c == '\'') {
      token.quoted = true;
      ++pos;
      bool closed = false;
      while (pos < script.size()) {
        if (script[pos] == '\'') {
          if (pos + 1 < script.size() && script[pos + 1] == '\'') {
            token.text.push_back('\'');
            pos += 2;
            continue;
          }
          ++pos;
          closed = true;
          break;
        }
        token.text.push_back(script[pos++]);
      }
      if (!closed) {
        *detail = "unterminated quoted string";
        return false;
      }
    } else {
      while (pos < script.size() && !isSpace(script[pos])) {
        if (script[pos] == '\'') {
          *detail = "quote inside a bare word";
          return false;
        }
        token.text.push_back(script[pos++]);
      }
    }
    tokens.push_back(std::move(token));
  }
  return true;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::string* detail)
      : tokens_(std::move(tokens)), detail_(detail) {}

  std::optional<ParsedScript> parse() {
    ParsedScript script;
    while (pos_ < tokens_.size()) {
      const Token& rootToken = tokens_[pos_++];
      const std::optional<RootKey> root =
          rootToken.quoted ? std::nullopt : rootKeyNamed(rootToken.text);
      if (!root) return failure(concat({"unknown root key '", rootToken.text, "'"}));
      if (!expect("{")) return std::nullopt;
      RootEntry entry;
      entry.root = *root;
      if (!parseBody(entry.subkeys, nullptr, 1)) return std::nullopt;
      script.roots.push_back(std::move(entry));
    }
    return script;
  }

 private:
  std::nullopt_t failure(std::string what) {
    *detail_ = std::move(what);
    return std::nullopt;
  }

  bool fail(std::string what) {
    *detail_ = std::move(what);
    return false;
  }

  bool atEnd() const { return pos_ >= tokens_.size(); }

  bool expect(std::string_view word) {
    if (atEnd() || !tokens_[pos_].is(word)) {
      return fail(concat({"expected '", word, "'"}));
    }
    ++pos_;
    return true;
  }

  // A key or value name: bare or quoted, but never a bare brace or equals sign.
  bool takeName(std::string& name) {
    if (atEnd()) return fail("name expected at the end of the script");
    const Token& token = tokens_[pos_];
    if (token.is("{") || token.is("}") || token.is("=")) {
      return fail(concat({"name expected before '", token.text, "'"}));
    }
    name = token.text;
    ++pos_;
    return true;
  }

  // '=' 's' quoted-string
  bool takeStringAssignment(std::string& value) {
    if (!expect("=")) return false;
    if (atEnd() || !tokens_[pos_].isKeyword("s")) return fail("only string values (s) are known");
    ++pos_;
    if (atEnd() || !tokens_[pos_].quoted) return fail("quoted string value expected");
    value = tokens_[pos_++].text;
    return true;
  }

  bool parseBody(std::vector<KeyEntry>& subkeys, KeyEntry* owner, int depth) {
    if (depth > kMaxKeyDepth) return fail("keys nested too deeply");
    while (true) {
      if (atEnd()) return fail("missing '}'");
      const Token& token = tokens_[pos_];
      if (token.is("}")) {
        ++pos_;
        return true;
      }
      if (token.isKeyword("val")) {
        if (owner == nullptr) return fail("'val' outside a key");
        ++pos_;
        std::string name;
        std::string value;
        if (!takeName(name) || !takeStringAssignment(value)) return false;
        if (name.size() > kMaxValueNameLength) return fail("value name too long");
        owner->namedValues.emplace_back(std::move(name), std::move(value));
        continue;
      }
      KeyEntry entry;
      if (!parseEntry(entry, depth)) return false;
      subkeys.push_back(std::move(entry));
    }
  }

  bool parseEntry(KeyEntry& entry, int depth) {
    const Token& first = tokens_[pos_];
    if (first.isKeyword("ForceRemove")) {
      entry.mark = KeyMark::ForceRemove;
    } else if (first.isKeyword("NoRemove")) {
      entry.mark = KeyMark::NoRemove;
    } else if (first.isKeyword("Delete")) {
      entry.mark = KeyMark::Delete;
    }
    if (entry.mark != KeyMark::None) ++pos_;
    if (!takeName(entry.name)) return false;
    if (entry.name.empty()) return fail("empty key name");
    if (entry.name.size() > kMaxKeyNameLength) return fail("key name too long");
    if (entry.name.find('\\') != std::string::npos) return fail("backslash in a key name");
    if (!atEnd() && tokens_[pos_].is("=")) {
      std::string value;
      if (!takeStringAssignment(value)) return false;
      entry.defaultValue = std::move(value);
    }
    if (!atEnd() && tokens_[pos_].is("{")) {
      ++pos_;
      if (!parseBody(entry.subkeys, &entry, depth + 1)) return false;
    }
    return true;
  }

  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
  std::string* detail_;
};

std::string joinPath(const std::string& parent, const std::string& name) {
  return concat({parent, parent.empty() ? "" : "\\", name});
}

ScriptResult registryFailure(RegistryStatus status, const std::string& path) {
  return ScriptResult{ScriptStatus::RegistryFailed, status,
                      concat({"registry call failed at ", path})};
}

ScriptResult registerEntry(RootKey root, const std::string& parent, const KeyEntry& entry,
                           RegistryAccess& registry) {
  const std::string path = joinPath(parent, entry.name);
  const bool shared = parent.empty() && isSharedKey(entry.name);
  if (entry.mark == KeyMark::Delete) {
    if (shared) return {};
    const RegistryStatus status = registry.deleteKeyTree(root, path);
    return status == 0 ? ScriptResult{} : registryFailure(status, path);
  }
  if (entry.mark == KeyMark::ForceRemove && !shared) {
    const RegistryStatus status = registry.deleteKeyTree(root, path);
    if (status != 0) return registryFailure(status, path);
  }
  if (const RegistryStatus status = registry.createKey(root, path); status != 0) {
    return registryFailure(status, path);
  }
  if (entry.defaultValue) {
    const RegistryStatus status = registry.setStringValue(root, path, "", *entry.defaultValue);
    if (status != 0) return registryFailure(status, path);
  }
  for (const auto& [name, value] : entry.namedValues) {
    const RegistryStatus status = registry.setStringValue(root, path, name, value);
    if (status != 0) return registryFailure(status, concat({path, " value ", name}));
  }
  for (const KeyEntry& subkey : entry.subkeys) {
    ScriptResult result = registerEntry(root, path, subkey, registry);
    if (!result.ok()) return result;
  }
  return {};
}

void noteFailure(ScriptResult& first, RegistryStatus status, const std::string& path) {
  if (status != 0 && first.ok()) first = registryFailure(status, path);
}

void unregisterEntry(RootKey root, const std::string& parent, const KeyEntry& entry,
                     RegistryAccess& registry, ScriptResult& first) {
  // A Delete key was removed at registration; there is nothing of it to undo.
  if (entry.mark == KeyMark::Delete) return;
  const std::string path = joinPath(parent, entry.name);
  if (!registry.keyExists(root, path)) return;
  const bool shared = parent.empty() && isSharedKey(entry.name);
  if (entry.mark == KeyMark::ForceRemove && !shared) {
    noteFailure(first, registry.deleteKeyTree(root, path), path);
    return;
  }
  for (const KeyEntry& subkey : entry.subkeys) {
    unregisterEntry(root, path, subkey, registry, first);
  }
  for (const auto& named : entry.namedValues) {
    noteFailure(first, registry.deleteValue(root, path, named.first), path);
  }
  if (entry.mark == KeyMark::NoRemove || shared) return;
  // A key that still holds entries of others stays, so that unregistering never destroys them.
  const RegistryAccess::KeyContents contents = registry.describeKey(root, path);
  if (contents.subkeys == 0 && contents.namedValues == 0) {
    noteFailure(first, registry.deleteKeyTree(root, path), path);
  }
}

}  // namespace

bool Replacements::add(std::string_view name, std::string_view value) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  values_[upperCopy(name)] = std::string(value);
  return true;
}

const std::string* Replacements::find(std::string_view name) const {
  if (name.size() > kMaxNameLength) return nullptr;
  const auto found = values_.find(upperCopy(name));
  return found == values_.end() ? nullptr : &found->second;
}

std::string doubleQuotes(std::string_view text) {
  std::string doubled;
  doubled.reserve(text.size());
  for (const char c : text) {
    doubled.push_back(c);
    if (c == '\'') doubled.push_back('\'');
  }
  return doubled;
}

std::optional<std::string> expandReplacements(std::string_view script,
                                              const Replacements& replacements,
                                              std::string* detail) {
  std::string expanded;
  expanded.reserve(script.size());
  std::size_t pos = 0;
  while (pos < script.size()) {
    const char c = script[pos];
    if (c != '%') {
      expanded.push_back(c);
      ++pos;
      continue;
    }
    const std::size_t close = script.find('%', pos + 1);
    if (close == std::string_view::npos) {
      *detail = "unterminated %name%";
      return std::nullopt;
    }
    const std::string_view name = script.substr(pos + 1, close - pos - 1);
    if (name.empty()) {
      expanded.push_back('%');
    } else if (name.size() > Replacements::kMaxNameLength) {
      *detail = "replacement name longer than 31 characters";
      return std::nullopt;
    } else if (const std::string* value = replacements.find(name)) {
      expanded += *value;
    } else {
      *detail = concat({"no value registered for %", name, "%"});
      return std::nullopt;
    }
    pos = close + 1;
  }
  return expanded;
}

std::optional<ParsedScript> parseScript(std::string_view script, std::string* detail) {
  if (script.size() > kMaxScriptBytes) {
    *detail = "script too long";
    return std::nullopt;
  }
  if (script.find('\0') != std::string_view::npos) {
    *detail = "NUL byte in the script";
    return std::nullopt;
  }
  std::vector<Token> tokens;
  if (!tokenize(script, tokens, detail)) return std::nullopt;
  return Parser(std::move(tokens), detail).parse();
}

ScriptResult registerScript(const ParsedScript& script, RegistryAccess& registry) {
  for (const RootEntry& root : script.roots) {
    for (const KeyEntry& entry : root.subkeys) {
      ScriptResult result = registerEntry(root.root, "", entry, registry);
      if (!result.ok()) return result;
    }
  }
  return {};
}

ScriptResult unregisterScript(const ParsedScript& script, RegistryAccess& registry) {
  ScriptResult first;
  for (const RootEntry& root : script.roots) {
    for (const KeyEntry& entry : root.subkeys) {
      unregisterEntry(root.root, "", entry, registry, first);
    }
  }
  return first;
}

ScriptResult runScript(std::string_view script, const Replacements& replacements, bool registering,
                       RegistryAccess& registry) {
  std::string detail;
  const std::optional<std::string> expanded = expandReplacements(script, replacements, &detail);
  if (!expanded) return ScriptResult{ScriptStatus::BadReplacement, 0, detail};
  const std::optional<ParsedScript> parsed = parseScript(*expanded, &detail);
  if (!parsed) return ScriptResult{ScriptStatus::Malformed, 0, detail};
  return registering ? registerScript(*parsed, registry) : unregisterScript(*parsed, registry);
}

}  // namespace ringmarch::registry

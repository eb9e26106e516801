// The registration script interpreter: parses the component's registry script and registers or
// unregisters its keys through a RegistryAccess. Portable (no platform headers) so that it is
// tested natively against an in-memory registry; the DLL binds it to the real registry.
//
// Script language:
//   script   := { rootKey '{' { entry } '}' }
//   entry    := [ 'ForceRemove' | 'NoRemove' | 'Delete' ] name [ '=' 's' quoted ]
//               [ '{' { entry | 'val' name '=' 's' quoted } '}' ]
// Tokens are separated by white space; a name is bare or in single quotes, where a doubled quote
// stands for one quote. %NAME% is replaced before parsing by a registered replacement (case
// ignored, names up to 31 characters); %% stands for one percent sign.
//
// The whole script is parsed before the registry is touched: a malformed script changes nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringmarch::registry {

enum class RootKey {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  PerformanceData,
  DynData,
  CurrentConfig,
};

// Platform error code of a registry call: 0 for success.
using RegistryStatus = std::int32_t;

// The registry as the interpreter sees it. Paths are subkey names joined by backslashes below a
// root key; an empty value name means the key's default value. Strings are UTF-8.
class RegistryAccess {
 public:
  virtual ~RegistryAccess() = default;
  // Opens or creates the key and every missing key above it.
  virtual RegistryStatus createKey(RootKey root, const std::string& path) = 0;
  virtual bool keyExists(RootKey root, const std::string& path) = 0;
  virtual RegistryStatus setStringValue(RootKey root, const std::string& path,
                                        const std::string& name, const std::string& value) = 0;
  // Removing an absent value or key is not an error.
  virtual RegistryStatus deleteValue(RootKey root, const std::string& path,
                                     const std::string& name) = 0;
  virtual RegistryStatus deleteKeyTree(RootKey root, const std::string& path) = 0;
  // The number of subkeys and of named values (the default value not counted) of a key.
  struct KeyContents {
    std::uint32_t subkeys = 0;
    std::uint32_t namedValues = 0;
  };
  virtual KeyContents describeKey(RootKey root, const std::string& path) = 0;
};

enum class KeyMark { None, ForceRemove, NoRemove, Delete };

struct KeyEntry {
  std::string name;
  KeyMark mark = KeyMark::None;
  std::optional<std::string> defaultValue;
  std::vector<std::pair<std::string, std::string>> namedValues;
  std::vector<KeyEntry> subkeys;
};

struct RootEntry {
  RootKey root = RootKey::ClassesRoot;
  std::vector<KeyEntry> subkeys;
};

struct ParsedScript {
  std::vector<RootEntry> roots;
};

enum class ScriptStatus {
  Success,
  Malformed,       // syntax error, unknown root or value type, bad name, too deep or long
  BadReplacement,  // %NAME% unterminated, too long or without a registered value
  RegistryFailed,  // a registry call failed; see registryStatus
};

struct ScriptResult {
  ScriptStatus status = ScriptStatus::Success;
  RegistryStatus registryStatus = 0;
  std::string detail;  // what went wrong, for diagnostics
  bool ok() const { return status == ScriptStatus::Success; }
};

// Replacement values for %NAME%, looked up without regard to case.
class Replacements {
 public:
  // Names longer than kMaxNameLength characters are refused (false).
  bool add(std::string_view name, std::string_view value);
  const std::string* find(std::string_view name) const;

  static constexpr std::size_t kMaxNameLength = 31;

 private:
  std::map<std::string, std::string> values_;  // keyed by the upper-case name
};

// Doubles every single quote so that the text can stand inside a quoted script string.
std::string doubleQuotes(std::string_view text);

// Expands %NAME% and %%; nullopt with a reason in detail when a name is bad.
std::optional<std::string> expandReplacements(std::string_view script,
                                              const Replacements& replacements,
                                              std::string* detail);

// Parses an expanded script.
std::optional<ParsedScript> parseScript(std::string_view script, std::string* detail);

// Writes the script's keys and values. Stops at the first failing registry call; what was
// written before it stays.
ScriptResult registerScript(const ParsedScript& script, RegistryAccess& registry);

// Removes the script's keys and values as far as possible; keeps going after failures and
// reports the first one.
ScriptResult unregisterScript(const ParsedScript& script, RegistryAccess& registry);

// Expands, parses and then registers (or unregisters) the script text.
ScriptResult runScript(std::string_view script, const Replacements& replacements, bool registering,
                       RegistryAccess& registry);

// Limits that keep a hostile script from exhausting the stack or memory.
inline constexpr std::size_t kMaxScriptBytes = 1u << 20;
inline constexpr int kMaxKeyDepth = 32;
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

}  // namespace ringmarch::registry

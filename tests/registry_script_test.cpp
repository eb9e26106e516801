#include "server/registry_script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace ringmarch::registry {
namespace {

std::string upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// A registry held in memory: key paths (case ignored, like the real one) with their values.
// Can be told to fail every call on one path, to test how the interpreter stops.
class MemoryRegistry final : public RegistryAccess {
 public:
  struct Key {
    std::map<std::string, std::string> values;  // "" = default value
  };

  RegistryStatus createKey(RootKey root, const std::string& path) override {
    ++calls;
    if (fails(path)) return kFailure;
    std::string prefix;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '\\')) {
      prefix = prefix.empty() ? part : prefix + "\\" + part;
      keys_.try_emplace(id(root, prefix));
    }
    return 0;
  }
  bool keyExists(RootKey root, const std::string& path) override {
    return keys_.count(id(root, path)) != 0;
  }
  RegistryStatus setStringValue(RootKey root, const std::string& path, const std::string& name,
                                const std::string& value) override {
    ++calls;
    if (fails(path)) return kFailure;
    auto found = keys_.find(id(root, path));
    if (found == keys_.end()) return kNotFound;
    found->second.values[name] = value;
    return 0;
  }
  RegistryStatus deleteValue(RootKey root, const std::string& path,
                             const std::string& name) override {
    ++calls;
    if (fails(path)) return kFailure;
    auto found = keys_.find(id(root, path));
    if (found != keys_.end()) found->second.values.erase(name);
    return 0;
  }
  RegistryStatus deleteKeyTree(RootKey root, const std::string& path) override {
    ++calls;
    if (fails(path)) return kFailure;
    const std::string self = id(root, path);
    for (auto it = keys_.begin(); it != keys_.end();) {
      if (it->first == self || it->first.rfind(self + "\\", 0) == 0) {
        it = keys_.erase(it);
      } else {
        ++it;
      }
    }
    return 0;
  }
  KeyContents describeKey(RootKey root, const std::string& path) override {
    KeyContents contents;
    const std::string self = id(root, path);
    for (const auto& [key, data] : keys_) {
      if (key.rfind(self + "\\", 0) == 0 && key.find('\\', self.size() + 1) == std::string::npos) {
        ++contents.subkeys;
      }
    }
    if (auto found = keys_.find(self); found != keys_.end()) {
      for (const auto& value : found->second.values) {
        if (!value.first.empty()) ++contents.namedValues;
      }
    }
    return contents;
  }

  // Test helpers, paths below HKCR unless a root is given.
  bool has(const std::string& path, RootKey root = RootKey::ClassesRoot) {
    return keyExists(root, path);
  }
  std::string value(const std::string& path, const std::string& name = "",
                    RootKey root = RootKey::ClassesRoot) {
    auto found = keys_.find(id(root, path));
    if (found == keys_.end()) return "<no key>";
    auto value = found->second.values.find(name);
    return value == found->second.values.end() ? "<no value>" : value->second;
  }
  void put(const std::string& path, const std::string& name, const std::string& value) {
    createKey(RootKey::ClassesRoot, path);
    setStringValue(RootKey::ClassesRoot, path, name, value);
  }
  std::set<std::string> keyPaths() const {
    std::set<std::string> paths;
    for (const auto& entry : keys_) paths.insert(entry.first);
    return paths;
  }
  std::size_t keyCount() const { return keys_.size(); }

  std::string failingPath;  // upper case; calls on this path fail
  int calls = 0;
  static constexpr RegistryStatus kFailure = 5;  // access denied
  static constexpr RegistryStatus kNotFound = 2;

 private:
  static std::string id(RootKey root, const std::string& path) {
    return std::to_string(static_cast<int>(root)) + ":" + upper(path);
  }
  bool fails(const std::string& path) const {
    return !failingPath.empty() && upper(path) == failingPath;
  }
  std::map<std::string, Key> keys_;
};

constexpr const char* kClassId = "{55B47BD9-7535-41B8-A62C-46777D214655}";
constexpr const char* kLibraryId = "{E4C948BE-F0AE-482C-BBF5-00D87DC91684}";

std::string componentScript() {
  std::ifstream file(std::string(RINGMARCH_SERVER_SOURCE_DIR) + "/ringmarch.rgs");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

Replacements moduleReplacement(const std::string& path) {
  Replacements replacements;
  EXPECT_TRUE(replacements.add("Module", doubleQuotes(path)));
  return replacements;
}

const std::string kModulePath = "C:\\Program Files\\Ringmarch\\Ringmarch.dll";
const std::string kClassKey = std::string("CLSID\\") + kClassId;

TEST(RegistryScriptComponent, RegisterWritesEveryEntryOfTheComponentScript) {
  MemoryRegistry registry;
  const ScriptResult result =
      runScript(componentScript(), moduleReplacement(kModulePath), true, registry);
  ASSERT_TRUE(result.ok()) << result.detail;

  struct Expected {
    std::string key;
    std::string name;
    std::string value;
  };
  const std::vector<Expected> expected = {
      {"ZKRingmarch.Ringmarch.1", "", "Ringmarch Class"},
      {"ZKRingmarch.Ringmarch.1\\CLSID", "", kClassId},
      {"ZKRingmarch.Ringmarch", "", "Ringmarch Class"},
      {"ZKRingmarch.Ringmarch\\CLSID", "", kClassId},
      {"ZKRingmarch.Ringmarch\\CurVer", "", "ZKRingmarch.Ringmarch.1"},
      {kClassKey, "", "Ringmarch Class"},
      {kClassKey + "\\ProgID", "", "ZKRingmarch.Ringmarch.1"},
      {kClassKey + "\\VersionIndependentProgID", "", "ZKRingmarch.Ringmarch"},
      {kClassKey + "\\InprocServer32", "", kModulePath},
      {kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {kClassKey + "\\TypeLib", "", kLibraryId},
  };
  for (const Expected& entry : expected) {
    EXPECT_EQ(registry.value(entry.key, entry.name), entry.value) << entry.key << " " << entry.name;
  }
  EXPECT_TRUE(registry.has(kClassKey + "\\Programmable"));
  EXPECT_EQ(registry.value(kClassKey + "\\Programmable"), "<no value>");
  EXPECT_EQ(registry.value("CLSID"), "<no value>");
  // Exactly these keys and no others.
  EXPECT_EQ(registry.keyCount(), 12u);
}

TEST(RegistryScriptComponent, RegisteringTwiceRebuildsTheClassKey) {
  MemoryRegistry registry;
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), true, registry).ok());
  registry.put(kClassKey + "\\Added", "", "by someone else");
  registry.put(kClassKey, "Stray", "x");
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), true, registry).ok());
  EXPECT_FALSE(registry.has(kClassKey + "\\Added"));
  EXPECT_EQ(registry.value(kClassKey, "Stray"), "<no value>");
  EXPECT_EQ(registry.value(kClassKey + "\\InprocServer32"), kModulePath);
  EXPECT_EQ(registry.keyCount(), 12u);
}

TEST(RegistryScriptComponent, ModulePathWithQuotesAndPercentIsWrittenVerbatim) {
  MemoryRegistry registry;
  const std::string path = "C:\\it's ''odd'' 100%\\Ring march.dll";
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(path), true, registry).ok());
  EXPECT_EQ(registry.value(kClassKey + "\\InprocServer32"), path);
}

TEST(RegistryScriptComponent, UnregisterRemovesClassAndProgIdsButKeepsSharedKeys) {
  MemoryRegistry registry;
  registry.put("CLSID\\{00000000-0000-0000-0000-000000000001}", "", "another class");
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), true, registry).ok());
  const ScriptResult result =
      runScript(componentScript(), moduleReplacement(kModulePath), false, registry);
  EXPECT_TRUE(result.ok()) << result.detail;
  EXPECT_FALSE(registry.has(kClassKey));
  EXPECT_FALSE(registry.has("ZKRingmarch.Ringmarch.1"));
  EXPECT_FALSE(registry.has("ZKRingmarch.Ringmarch"));
  EXPECT_TRUE(registry.has("CLSID"));
  EXPECT_EQ(registry.value("CLSID\\{00000000-0000-0000-0000-000000000001}"), "another class");
  EXPECT_EQ(registry.keyCount(), 2u);
}

TEST(RegistryScriptComponent, UnregisterKeepsProgIdThatHoldsOthersEntries) {
  MemoryRegistry registry;
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), true, registry).ok());
  registry.put("ZKRingmarch.Ringmarch\\Shell", "", "someone else's");
  ASSERT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), false, registry).ok());
  EXPECT_TRUE(registry.has("ZKRingmarch.Ringmarch\\Shell"));
  EXPECT_FALSE(registry.has("ZKRingmarch.Ringmarch\\CurVer"));
  EXPECT_FALSE(registry.has("ZKRingmarch.Ringmarch.1"));
}

TEST(RegistryScriptComponent, UnregisterWithoutRegistrationChangesNothing) {
  MemoryRegistry registry;
  registry.put("CLSID", "", "");
  EXPECT_TRUE(runScript(componentScript(), moduleReplacement(kModulePath), false, registry).ok());
  EXPECT_EQ(registry.keyPaths(), std::set<std::string>{"0:CLSID"});
}

struct MalformedCase {
  const char* label;
  const char* script;
  ScriptStatus status;
};

class RegistryScriptMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RegistryScriptMalformed, ChangesNothingInTheRegistry) {
  MemoryRegistry registry;
  Replacements replacements;
  ASSERT_TRUE(replacements.add("Module", "C:\\x.dll"));
  const ScriptResult result = runScript(GetParam().script, replacements, true, registry);
  EXPECT_EQ(result.status, GetParam().status) << result.detail;
  EXPECT_FALSE(result.detail.empty());
  EXPECT_EQ(registry.calls, 0);
  EXPECT_EQ(registry.keyCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, RegistryScriptMalformed,
    ::testing::Values(
        MalformedCase{"MissingCloseAfterValidKeys", "HKCR { A = s 'x' { B = s 'y' }",
                      ScriptStatus::Malformed},
        MalformedCase{"UnknownRoot", "HKXX { A }", ScriptStatus::Malformed},
        MalformedCase{"QuotedRoot", "'HKCR' { A }", ScriptStatus::Malformed},
        MalformedCase{"RootWithoutBrace", "HKCR A", ScriptStatus::Malformed},
        MalformedCase{"UnterminatedString", "HKCR { A = s 'x }", ScriptStatus::Malformed},
        MalformedCase{"QuoteInBareWord", "HKCR { A'b }", ScriptStatus::Malformed},
        MalformedCase{"NonStringType", "HKCR { A = d '5' }", ScriptStatus::Malformed},
        MalformedCase{"BareValue", "HKCR { A = s x }", ScriptStatus::Malformed},
        MalformedCase{"MissingType", "HKCR { A = 'x' }", ScriptStatus::Malformed},
        MalformedCase{"ValOutsideKey", "HKCR { val V = s 'x' }", ScriptStatus::Malformed},
        MalformedCase{"ValWithoutAssignment", "HKCR { A { val V } }", ScriptStatus::Malformed},
        MalformedCase{"EmptyKeyName", "HKCR { '' = s 'x' }", ScriptStatus::Malformed},
        MalformedCase{"BackslashInKeyName", "HKCR { 'A\\B' }", ScriptStatus::Malformed},
        MalformedCase{"MarkWithoutName", "HKCR { ForceRemove }", ScriptStatus::Malformed},
        MalformedCase{"StrayCloseBrace", "HKCR { A } }", ScriptStatus::Malformed},
        MalformedCase{"UnknownReplacement", "HKCR { A = s '%OTHER%' }",
                      ScriptStatus::BadReplacement},
        MalformedCase{"UnterminatedReplacement", "HKCR { A = s '%MODULE' }",
                      ScriptStatus::BadReplacement},
        MalformedCase{"ReplacementNameTooLong",
                      "HKCR { A = s '%ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456%' }",
                      ScriptStatus::BadReplacement}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegistryScriptParse, NulInsideScriptIsNotSilentlyTruncated) {
  // The case table above builds its scripts from C strings; check the embedded NUL directly.
  std::string detail;
  const std::string script("HKCR { A = s 'x\0y' }", 21);
  EXPECT_FALSE(parseScript(script, &detail).has_value());
}

TEST(RegistryScriptParse, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  std::string script = "HKCR {";
  for (int i = 0; i < 100000; ++i) script += " K {";
  std::string detail;
  EXPECT_FALSE(parseScript(script, &detail).has_value());
  EXPECT_EQ(detail, "keys nested too deeply");
}

TEST(RegistryScriptParse, ReadsMarksValuesAndQuotedNames) {
  std::string detail;
  const auto parsed = parseScript(
      "HKEY_CURRENT_USER { noremove Software { ForceRemove 'It''s' = s 'a''b' "
      "{ val 'Named Value' = s '' 'ForceRemove' } Delete Old } }",
      &detail);
  ASSERT_TRUE(parsed.has_value()) << detail;
  ASSERT_EQ(parsed->roots.size(), 1u);
  EXPECT_EQ(parsed->roots[0].root, RootKey::CurrentUser);
  const KeyEntry& software = parsed->roots[0].subkeys.at(0);
  EXPECT_EQ(software.mark, KeyMark::NoRemove);
  ASSERT_EQ(software.subkeys.size(), 2u);
  const KeyEntry& quoted = software.subkeys[0];
  EXPECT_EQ(quoted.name, "It's");
  EXPECT_EQ(quoted.mark, KeyMark::ForceRemove);
  EXPECT_EQ(quoted.defaultValue.value_or("<none>"), "a'b");
  ASSERT_EQ(quoted.namedValues.size(), 1u);
  EXPECT_EQ(quoted.namedValues[0].first, "Named Value");
  EXPECT_EQ(quoted.namedValues[0].second, "");
  ASSERT_EQ(quoted.subkeys.size(), 1u);
  EXPECT_EQ(quoted.subkeys[0].name, "ForceRemove");  // quoted: a name, not a mark
  EXPECT_EQ(quoted.subkeys[0].mark, KeyMark::None);
  EXPECT_EQ(software.subkeys[1].mark, KeyMark::Delete);
  EXPECT_EQ(software.subkeys[1].name, "Old");
}

TEST(RegistryScriptParse, KnowsEveryRootKeyName) {
  const std::vector<std::pair<std::string, RootKey>> roots = {
      {"HKCR", RootKey::ClassesRoot},
      {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
      {"HKCU", RootKey::CurrentUser},
      {"HKEY_CURRENT_USER", RootKey::CurrentUser},
      {"HKLM", RootKey::LocalMachine},
      {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
      {"HKU", RootKey::Users},
      {"HKEY_USERS", RootKey::Users},
      {"HKPD", RootKey::PerformanceData},
      {"HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
      {"HKDD", RootKey::DynData},
      {"HKEY_DYN_DATA", RootKey::DynData},
      {"HKCC", RootKey::CurrentConfig},
      {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
  };
  for (const auto& [name, root] : roots) {
    std::string detail;
    const auto parsed = parseScript(name + " { A }", &detail);
    ASSERT_TRUE(parsed.has_value()) << name << ": " << detail;
    EXPECT_EQ(parsed->roots.at(0).root, root) << name;
  }
}

TEST(RegistryScriptReplacements, ExpandsCaseInsensitivelyAndPercentPairs) {
  Replacements replacements;
  ASSERT_TRUE(replacements.add("Module", "C:\\m.dll"));
  EXPECT_FALSE(replacements.add(std::string(32, 'N'), "x"));
  EXPECT_TRUE(replacements.add(std::string(31, 'N'), "long"));
  std::string detail;
  EXPECT_EQ(expandReplacements("a %module% b %MODULE% 100%% %NNNNNNNNNNNNNNNNNNNNNNNNNNNNNNN%",
                               replacements, &detail)
                .value_or("<failed>"),
            "a C:\\m.dll b C:\\m.dll 100% long");
  EXPECT_EQ(doubleQuotes("it's 'x'"), "it''s ''x''");
}

TEST(RegistryScriptRun, DeleteRemovesAtRegistrationAndSharedKeysSurviveForceRemove) {
  MemoryRegistry registry;
  registry.put("Old\\Child", "", "x");
  registry.put("CLSID\\Other", "", "kept");
  registry.put("TypeLib\\Other", "", "kept");
  Replacements none;
  const char* script =
      "HKCR { Delete Old ForceRemove CLSID { Mine = s 'm' } "
      "ForceRemove typelib { Lib = s 'l' } }";
  ASSERT_TRUE(runScript(script, none, true, registry).ok());
  EXPECT_FALSE(registry.has("Old"));
  EXPECT_EQ(registry.value("CLSID\\Other"), "kept");
  EXPECT_EQ(registry.value("CLSID\\Mine"), "m");
  ASSERT_TRUE(runScript(script, none, false, registry).ok());
  EXPECT_TRUE(registry.has("CLSID"));
  EXPECT_TRUE(registry.has("TypeLib"));
  EXPECT_EQ(registry.value("TypeLib\\Other"), "kept");
  EXPECT_FALSE(registry.has("TypeLib\\Lib"));
  EXPECT_FALSE(registry.has("CLSID\\Mine"));
}

TEST(RegistryScriptRun, UnregisterDeletesOnlyTheNamedValuesItWrote) {
  MemoryRegistry registry;
  Replacements none;
  const char* script = "HKCU { App { val Mine = s '1' } }";
  ASSERT_TRUE(runScript(script, none, true, registry).ok());
  registry.createKey(RootKey::CurrentUser, "App");
  registry.setStringValue(RootKey::CurrentUser, "App", "Theirs", "2");
  ASSERT_TRUE(runScript(script, none, false, registry).ok());
  EXPECT_EQ(registry.value("App", "Mine", RootKey::CurrentUser), "<no value>");
  EXPECT_EQ(registry.value("App", "Theirs", RootKey::CurrentUser), "2");
}

TEST(RegistryScriptRun, RegistrationStopsAtTheFirstFailureAndReportsIt) {
  MemoryRegistry registry;
  registry.failingPath = "A\\B";
  Replacements none;
  const ScriptResult result = runScript("HKCR { A { B C } D }", none, true, registry);
  EXPECT_EQ(result.status, ScriptStatus::RegistryFailed);
  EXPECT_EQ(result.registryStatus, MemoryRegistry::kFailure);
  EXPECT_TRUE(registry.has("A"));
  EXPECT_FALSE(registry.has("A\\C"));
  EXPECT_FALSE(registry.has("D"));
}

TEST(RegistryScriptRun, UnregistrationContinuesPastAFailureAndReportsTheFirst) {
  MemoryRegistry registry;
  Replacements none;
  const char* script = "HKCR { ForceRemove A ForceRemove B }";
  ASSERT_TRUE(runScript(script, none, true, registry).ok());
  registry.failingPath = "A";
  const ScriptResult result = runScript(script, none, false, registry);
  EXPECT_EQ(result.status, ScriptStatus::RegistryFailed);
  EXPECT_TRUE(registry.has("A"));
  EXPECT_FALSE(registry.has("B"));
}

}  // namespace
}  // namespace ringmarch::registry

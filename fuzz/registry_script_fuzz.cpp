// Feeds arbitrary bytes to the registration script interpreter, registering and then
// unregistering against an in-memory registry, and checks what every run must guarantee: a
// script refused before the registry is touched changes nothing, registering again leaves the
// same keys, and unregistering never leaves more keys than registering wrote.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "server/registry_script.h"

namespace {

using ringmarch::registry::RegistryStatus;
using ringmarch::registry::RootKey;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

class MapRegistry final : public ringmarch::registry::RegistryAccess {
 public:
  RegistryStatus createKey(RootKey root, const std::string& path) override {
    std::string prefix;
    for (std::size_t start = 0; start <= path.size();) {
      std::size_t end = path.find('\\', start);
      if (end == std::string::npos) end = path.size();
      prefix = path.substr(0, end);
      keys_.try_emplace(id(root, prefix));
      start = end + 1;
    }
    return 0;
  }
  bool keyExists(RootKey root, const std::string& path) override {
    return keys_.count(id(root, path)) != 0;
  }
  RegistryStatus setStringValue(RootKey root, const std::string& path, const std::string& name,
                                const std::string& value) override {
    auto found = keys_.find(id(root, path));
    if (found == keys_.end()) return 2;
    found->second[name] = value;
    return 0;
  }
  RegistryStatus deleteValue(RootKey root, const std::string& path,
                             const std::string& name) override {
    auto found = keys_.find(id(root, path));
    if (found != keys_.end()) found->second.erase(name);
    return 0;
  }
  RegistryStatus deleteKeyTree(RootKey root, const std::string& path) override {
    const std::string self = id(root, path);
    for (auto it = keys_.lower_bound(self); it != keys_.end();) {
      if (it->first == self || it->first.rfind(self + "\\", 0) == 0) {
        it = keys_.erase(it);
      } else if (it->first.rfind(self, 0) == 0) {
        ++it;
      } else {
        break;
      }
    }
    return 0;
  }
  KeyContents describeKey(RootKey root, const std::string& path) override {
    KeyContents contents;
    const std::string self = id(root, path) + "\\";
    for (auto it = keys_.lower_bound(self); it != keys_.end() && it->first.rfind(self, 0) == 0;
         ++it) {
      if (it->first.find('\\', self.size()) == std::string::npos) ++contents.subkeys;
    }
    if (auto found = keys_.find(id(root, path)); found != keys_.end()) {
      for (const auto& value : found->second) {
        if (!value.first.empty()) ++contents.namedValues;
      }
    }
    return contents;
  }
  std::size_t size() const { return keys_.size(); }

 private:
  // Case is kept as written: the interpreter must work whatever the registry does with it.
  static std::string id(RootKey root, const std::string& path) {
    return std::to_string(static_cast<int>(root)) + ":" + path;
  }
  std::map<std::string, std::map<std::string, std::string>> keys_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view script(reinterpret_cast<const char*>(data), size);
  ringmarch::registry::Replacements replacements;
  require(replacements.add("Module", ringmarch::registry::doubleQuotes("C:\\it's\\R.dll")));

  MapRegistry registry;
  const auto first = ringmarch::registry::runScript(script, replacements, true, registry);
  if (!first.ok()) {
    require(first.status != ringmarch::registry::ScriptStatus::RegistryFailed);
    require(registry.size() == 0);
    return 0;
  }
  const std::size_t written = registry.size();
  require(ringmarch::registry::runScript(script, replacements, true, registry).ok());
  require(registry.size() == written);
  ringmarch::registry::runScript(script, replacements, false, registry);
  require(registry.size() <= written);
  return 0;
}

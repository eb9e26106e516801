// Self-registration: runs the embedded registry script against the real registry (with
// %MODULE% replaced by this DLL's path) and registers or unregisters the embedded type library.
#include <windows.h>

#include <string>
#include <string_view>

#include "server/module.h"
#include "server/registry_script.h"

namespace ringmarch::server {
namespace {

using registry::RegistryStatus;
using registry::RootKey;

constexpr int kRegistryScriptId = 101;

std::wstring wideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  }
  return wide;
}

std::string utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
  }
  return text;
}

HKEY rootHandle(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
    case RootKey::PerformanceData:
      return HKEY_PERFORMANCE_DATA;
    case RootKey::DynData:
      return HKEY_DYN_DATA;
    case RootKey::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CLASSES_ROOT;
}

// The interpreter's view of the real registry, through the wide functions so that every path
// and name survives whatever the process's code page.
class WindowsRegistry final : public registry::RegistryAccess {
 public:
  RegistryStatus createKey(RootKey root, const std::string& path) override {
    HKEY key = nullptr;
    const LONG status =
        RegCreateKeyExW(rootHandle(root), wideFromUtf8(path).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
  }

  bool keyExists(RootKey root, const std::string& path) override {
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootHandle(root), wideFromUtf8(path).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }

  RegistryStatus setStringValue(RootKey root, const std::string& path, const std::string& name,
                                const std::string& value) override {
    HKEY key = nullptr;
    LONG status =
        RegOpenKeyExW(rootHandle(root), wideFromUtf8(path).c_str(), 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    const std::wstring wideName = wideFromUtf8(name);
    const std::wstring wideValue = wideFromUtf8(value);
    status = RegSetValueExW(key, name.empty() ? nullptr : wideName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(wideValue.c_str()),
                            static_cast<DWORD>((wideValue.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status;
  }

  RegistryStatus deleteValue(RootKey root, const std::string& path,
                             const std::string& name) override {
    HKEY key = nullptr;
    LONG status =
        RegOpenKeyExW(rootHandle(root), wideFromUtf8(path).c_str(), 0, KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    const std::wstring wideName = wideFromUtf8(name);
    status = RegDeleteValueW(key, name.empty() ? nullptr : wideName.c_str());
    RegCloseKey(key);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
  }

  RegistryStatus deleteKeyTree(RootKey root, const std::string& path) override {
    const std::wstring widePath = wideFromUtf8(path);
    LONG status = RegDeleteTreeW(rootHandle(root), widePath.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    // Remove the emptied key itself where the tree deletion left it.
    status = RegDeleteKeyW(rootHandle(root), widePath.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
  }

  KeyContents describeKey(RootKey root, const std::string& path) override {
    KeyContents contents;
    HKEY key = nullptr;
    if (RegOpenKeyExW(rootHandle(root), wideFromUtf8(path).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return contents;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      contents.subkeys = subkeys;
      contents.namedValues = values;
      // The default value, when set, is counted among the values.
      if (values > 0 &&
          RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        --contents.namedValues;
      }
    }
    RegCloseKey(key);
    return contents;
  }
};

// This DLL's full path; empty when it cannot be had.
std::wstring modulePath() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        GetModuleFileNameW(moduleHandle(), path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

bool loadRegistryScript(std::string_view* script) {
  HRSRC found = FindResourceW(moduleHandle(), MAKEINTRESOURCEW(kRegistryScriptId), L"REGISTRY");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(moduleHandle(), found);
  const DWORD size = SizeofResource(moduleHandle(), found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  *script = std::string_view(static_cast<const char*>(data), size);
  return true;
}

HRESULT runRegistryScript(const std::wstring& path, bool registering) {
  std::string_view script;
  if (!loadRegistryScript(&script)) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  registry::Replacements replacements;
  replacements.add("Module", registry::doubleQuotes(utf8FromWide(path)));
  WindowsRegistry windowsRegistry;
  const registry::ScriptResult result =
      registry::runScript(script, replacements, registering, windowsRegistry);
  switch (result.status) {
    case registry::ScriptStatus::Success:
      return S_OK;
    case registry::ScriptStatus::Malformed:
    case registry::ScriptStatus::BadReplacement:
      return DISP_E_EXCEPTION;
    case registry::ScriptStatus::RegistryFailed:
      return HRESULT_FROM_WIN32(static_cast<DWORD>(result.registryStatus));
  }
  return E_FAIL;
}

// Loads the type library embedded in this DLL, or else the .tlb file beside it; *loadedFrom
// tells which path worked.
HRESULT loadOwnTypeLibrary(const std::wstring& path, ITypeLib** library, std::wstring* loadedFrom) {
  HRESULT hr = LoadTypeLib(path.c_str(), library);
  if (SUCCEEDED(hr)) {
    *loadedFrom = path;
    return hr;
  }
  const std::size_t separator = path.find_last_of(L"\\/:");
  const std::size_t dot = path.find_last_of(L'.');
  std::wstring tlbPath =
      (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator))
          ? path.substr(0, dot)
          : path;
  tlbPath += L".tlb";
  hr = LoadTypeLib(tlbPath.c_str(), library);
  if (SUCCEEDED(hr)) *loadedFrom = tlbPath;
  return hr;
}

}  // namespace

HRESULT registerServer() {
  const std::wstring path = modulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  HRESULT hr = runRegistryScript(path, true);
  if (FAILED(hr)) return hr;
  ITypeLib* library = nullptr;
  std::wstring loadedFrom;
  hr = loadOwnTypeLibrary(path, &library, &loadedFrom);
  if (FAILED(hr)) return hr;
  std::wstring helpDirectory = loadedFrom.substr(0, loadedFrom.find_last_of(L"\\/:") + 1);
  hr = RegisterTypeLib(library, loadedFrom.data(), helpDirectory.data());
  library->Release();
  return hr;
}

HRESULT unregisterServer() {
  const std::wstring path = modulePath();
  if (path.empty()) return S_OK;
  runRegistryScript(path, false);
  ITypeLib* library = nullptr;
  std::wstring loadedFrom;
  if (SUCCEEDED(loadOwnTypeLibrary(path, &library, &loadedFrom))) {
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
      UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                        attributes->lcid, attributes->syskind);
      library->ReleaseTLibAttr(attributes);
    }
    library->Release();
  }
  return S_OK;
}

}  // namespace ringmarch::server

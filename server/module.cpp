// Load and unload handling, the exported entry points, the lock count, the class object and the
// type information cache of the component DLL.
#include "server/module.h"

#include <new>
#include <string>
#include <vector>

namespace ringmarch::server {
namespace {

constexpr LCID kTypeLibraryLocale = 0x409;

HINSTANCE gModule = nullptr;
LONG gLockCount = 0;

// Guards creating the class object, filling the type information cache and the termination list.
CRITICAL_SECTION gClassObjectLock;
CRITICAL_SECTION gTypeInfoLock;
CRITICAL_SECTION gTerminationLock;

// Clean-up actions run when the DLL is unloaded (not at process exit, when the other DLLs they
// would call may already be gone).
std::vector<void (*)()>* gTerminationList = nullptr;

void addTermination(void (*action)()) {
  EnterCriticalSection(&gTerminationLock);
  if (gTerminationList == nullptr) gTerminationList = new (std::nothrow) std::vector<void (*)()>;
  if (gTerminationList != nullptr) {
    try {
      gTerminationList->push_back(action);
    } catch (...) {
      // Without memory the cache is simply not released at unload.
    }
  }
  LeaveCriticalSection(&gTerminationLock);
}

void runTerminations() {
  EnterCriticalSection(&gTerminationLock);
  std::vector<void (*)()>* list = gTerminationList;
  gTerminationList = nullptr;
  LeaveCriticalSection(&gTerminationLock);
  if (list == nullptr) return;
  for (auto it = list->rbegin(); it != list->rend(); ++it) (*it)();
  delete list;
}

struct NameEntry {
  std::wstring name;
  DISPID id;
};

// Written once under gTypeInfoLock; gTypeInfoReady is published last, so readers that see it
// set find the rest complete.
ITypeInfo* gTypeInfo = nullptr;
std::vector<NameEntry>* gNameCache = nullptr;
volatile LONG gTypeInfoReady = 0;

void releaseTypeInfoCache() {
  if (gTypeInfo != nullptr) gTypeInfo->Release();
  gTypeInfo = nullptr;
  delete gNameCache;
  gNameCache = nullptr;
  gTypeInfoReady = 0;
}

HRESULT fillTypeInfoCache(LCID locale) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(LIBID_ZKRingmarch, 1, 0, locale, &library);
  // The library is registered for its own locale (0x409) only: callers in other locales (a
  // Japanese script engine passes 0x411) are served that registration rather than refused.
  if (FAILED(hr)) hr = LoadRegTypeLib(LIBID_ZKRingmarch, 1, 0, kTypeLibraryLocale, &library);
  if (FAILED(hr)) return hr;
  ITypeInfo* info = nullptr;
  hr = library->GetTypeInfoOfGuid(IID_IRingmarch, &info);
  library->Release();
  if (FAILED(hr)) return hr;
  ITypeInfo2* info2 = nullptr;
  if (SUCCEEDED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) {
    info->Release();
    info = info2;
  }
  TYPEATTR* attributes = nullptr;
  hr = info->GetTypeAttr(&attributes);
  if (FAILED(hr)) {
    info->Release();
    return hr;
  }
  const UINT functionCount = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);

  auto* names = new (std::nothrow) std::vector<NameEntry>;
  if (names == nullptr) {
    info->Release();
    return E_OUTOFMEMORY;
  }
  try {
    names->reserve(functionCount);
    for (UINT i = 0; i < functionCount; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info->GetFuncDesc(i, &function))) continue;
      BSTR name = nullptr;
      if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr)) &&
          name != nullptr) {
        names->push_back({std::wstring(name, SysStringLen(name)), function->memid});
      }
      SysFreeString(name);
      info->ReleaseFuncDesc(function);
    }
  } catch (const std::bad_alloc&) {
    delete names;
    info->Release();
    return E_OUTOFMEMORY;
  }
  gTypeInfo = info;
  gNameCache = names;
  addTermination(&releaseTypeInfoCache);
  InterlockedExchange(&gTypeInfoReady, 1);
  return S_OK;
}

// The class object: creates solver objects. The module keeps the first reference; every further
// reference holds a module lock so that a client holding the class object keeps the DLL loaded.
class ClassFactory final : public IClassFactory {
 public:
  ClassFactory() { InitializeCriticalSection(&lock_); }
  ~ClassFactory() { DeleteCriticalSection(&lock_); }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  STDMETHODIMP_(ULONG) AddRef() override {
    EnterCriticalSection(&lock_);
    const ULONG count = ++references_;
    LeaveCriticalSection(&lock_);
    if (count == 2) lockModule();
    return count;
  }

  STDMETHODIMP_(ULONG) Release() override {
    EnterCriticalSection(&lock_);
    const ULONG count = --references_;
    LeaveCriticalSection(&lock_);
    if (count == 1) unlockModule();
    if (count == 0) delete this;
    return count;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return createRingmarchObject(outer, iid, object);
  }

  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      lockModule();
    } else {
      unlockModule();
    }
    return S_OK;
  }

 private:
  CRITICAL_SECTION lock_;
  ULONG references_ = 0;
};

ClassFactory* gClassObject = nullptr;

void onProcessAttach(HINSTANCE module) {
  gModule = module;
  gLockCount = 0;
  InitializeCriticalSection(&gClassObjectLock);
  InitializeCriticalSection(&gTypeInfoLock);
  InitializeCriticalSection(&gTerminationLock);
  DisableThreadLibraryCalls(module);
}

void onProcessDetach(bool processEnding) {
  // At process exit other DLLs may already be gone: leave the memory to the system.
  if (!processEnding) {
    if (gClassObject != nullptr) {
      ClassFactory* object = gClassObject;
      gClassObject = nullptr;
      object->Release();
    }
    runTerminations();
  }
  DeleteCriticalSection(&gClassObjectLock);
  DeleteCriticalSection(&gTypeInfoLock);
  DeleteCriticalSection(&gTerminationLock);
}

}  // namespace

HINSTANCE moduleHandle() {
  return gModule;
}

void lockModule() {
  InterlockedIncrement(&gLockCount);
}
void unlockModule() {
  InterlockedDecrement(&gLockCount);
}
LONG moduleLockCount() {
  return InterlockedCompareExchange(&gLockCount, 0, 0);
}

HRESULT cachedTypeInfo(LCID locale, ITypeInfo** typeInfo) {
  if (InterlockedCompareExchange(&gTypeInfoReady, 0, 0) == 0) {
    EnterCriticalSection(&gTypeInfoLock);
    const HRESULT hr = gTypeInfoReady != 0 ? S_OK : fillTypeInfoCache(locale);
    LeaveCriticalSection(&gTypeInfoLock);
    if (FAILED(hr)) return hr;
  }
  *typeInfo = gTypeInfo;
  return S_OK;
}

bool cachedDispatchId(const OLECHAR* name, DISPID* id) {
  if (InterlockedCompareExchange(&gTypeInfoReady, 0, 0) == 0 || name == nullptr) return false;
  const std::size_t length = wcslen(name);
  for (const NameEntry& entry : *gNameCache) {
    if (entry.name.size() == length && entry.name.compare(0, length, name, length) == 0) {
      *id = entry.id;
      return true;
    }
  }
  return false;
}

}  // namespace ringmarch::server

using ringmarch::server::ClassFactory;
using ringmarch::server::gClassObject;
using ringmarch::server::gClassObjectLock;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    ringmarch::server::onProcessAttach(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    ringmarch::server::onProcessDetach(reserved != nullptr);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(classId, CLSID_Ringmarch)) return CLASS_E_CLASSNOTAVAILABLE;
  EnterCriticalSection(&gClassObjectLock);
  if (gClassObject == nullptr) {
    gClassObject = new (std::nothrow) ClassFactory;
    if (gClassObject != nullptr) gClassObject->AddRef();  // the module's own reference
  }
  ClassFactory* classObject = gClassObject;
  LeaveCriticalSection(&gClassObjectLock);
  if (classObject == nullptr) return E_OUTOFMEMORY;
  return classObject->QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
  return ringmarch::server::moduleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  return ringmarch::server::registerServer();
}

STDAPI DllUnregisterServer() {
  return ringmarch::server::unregisterServer();
}

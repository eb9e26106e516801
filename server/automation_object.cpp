// The solver object as the platform sees it: the portable RingmarchObject behind the dual
// interface IRingmarch and ISupportErrorInfo, with aggregation, late binding through the
// registered type library, and failures attached to the thread as error information.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <string>

#include "model/error_code.h"
#include "model/error_reporting.h"
#include "object/ringmarch_object.h"
#include "server/module.h"
#include "tsplib/file_name.h"

namespace ringmarch::server {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "platform wide text is UTF-16");

// Attaches source "Ringmarch" and the code's UTF-16 text as the thread's error information, so
// that the text reads correctly whatever the process's code page.
class PlatformErrorReporter final : public ErrorReporter {
 public:
  void reportError(ErrorCode code) override {
    ICreateErrorInfo* creator = nullptr;
    if (FAILED(CreateErrorInfo(&creator))) {
      // Never leave an earlier failure's text to be read with this failure's result.
      SetErrorInfo(0, nullptr);
      return;
    }
    // Copied into fixed buffers: reporting a failure allocates nothing that could throw.
    wchar_t source[16] = {};
    std::copy(kErrorSourceWide.begin(), kErrorSourceWide.end(), source);
    creator->SetSource(source);
    const std::u16string_view text = errorTextWide(code);
    wchar_t description[128] = {};
    if (!text.empty() && text.size() < std::size(description)) {
      std::copy(text.begin(), text.end(), description);
      creator->SetDescription(description);
    }
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    } else {
      SetErrorInfo(0, nullptr);
    }
    creator->Release();
  }
};

PlatformErrorReporter gErrorReporter;

// A client's file name: opened through the wide name, so any path works; the narrow (ANSI code
// page) text becomes the instance name and the files' NAME lines. An absent string, or one with
// an embedded NUL (which would open a different, shorter name), opens nothing.
FileName fileNameFrom(const BSTR* name) {
  FileName file;
  if (name == nullptr || *name == nullptr) return file;
  const UINT length = SysStringLen(*name);
  const std::wstring wide(*name, length);
  if (wide.find(L'\0') != std::wstring::npos) return file;
  file.present = true;
  file.location = std::filesystem::path(wide);
  if (length > 0) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), nullptr,
                                          0, nullptr, nullptr);
    if (bytes > 0) {
      file.narrow.resize(static_cast<std::size_t>(bytes));
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), file.narrow.data(),
                          bytes, nullptr, nullptr);
    }
  }
  return file;
}

// Runs an operation that allocates (file names, file layer, solver) so that no exception crosses
// the interface: running out of memory there answers E_OUTOFMEMORY.
template <typename Operation>
HRESULT guarded(Operation operation) noexcept {
  try {
    return static_cast<HRESULT>(operation());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT asResult(OperationResult result) {
  return static_cast<HRESULT>(result);
}

class RingmarchComObject final : public IRingmarch, public ISupportErrorInfo {
 public:
  explicit RingmarchComObject(IUnknown* outer)
      : inner_(this),
        controlling_(outer != nullptr ? outer : &inner_),
        aggregated_(outer != nullptr),
        core_(gErrorReporter) {
    lockModule();
  }
  ~RingmarchComObject() { unlockModule(); }

  IUnknown* nonDelegatingUnknown() { return &inner_; }

  // IUnknown: passed to the controlling unknown (the outer object inside an aggregate).
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return controlling_->QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

  // IDispatch through the type library.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }

  STDMETHODIMP GetTypeInfo(UINT /*index*/, LCID locale, ITypeInfo** typeInfo) override {
    if (typeInfo == nullptr) return E_POINTER;
    *typeInfo = nullptr;
    ITypeInfo* cached = nullptr;
    const HRESULT hr = cachedTypeInfo(locale, &cached);
    if (FAILED(hr)) return hr;
    cached->AddRef();
    *typeInfo = cached;
    return S_OK;
  }

  STDMETHODIMP GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    for (UINT i = 0; i < count; ++i) {
      if (names[i] == nullptr) return E_POINTER;
    }
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = cachedTypeInfo(locale, &typeInfo);
    if (FAILED(hr)) return hr;
    // Only a lone member name is looked up in the cache: further names are parameter names,
    // which the cache of member names must not answer (the parameter "num" is not the
    // property num).
    if (count == 1 && cachedDispatchId(names[0], &ids[0])) return S_OK;
    return typeInfo->GetIDsOfNames(names, count, ids);
  }

  STDMETHODIMP Invoke(DISPID id, REFIID /*iid*/, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    ITypeInfo* typeInfo = nullptr;
    const HRESULT hr = cachedTypeInfo(locale, &typeInfo);
    if (FAILED(hr)) return hr;
    if (params == nullptr || params->cArgs == 0 || params->rgvarg == nullptr) {
      return typeInfo->Invoke(static_cast<IRingmarch*>(this), id, flags, params, result, exception,
                              argumentError);
    }
    // Script engines pass variables as references to VARIANTs, which the type information
    // does not coerce to the parameters' types. Every parameter of IRingmarch is an input, so
    // the referenced values are passed instead (shallow copies: the caller keeps ownership).
    constexpr UINT kMaxArguments = 8;
    if (params->cArgs > kMaxArguments) return DISP_E_BADPARAMCOUNT;
    VARIANT arguments[kMaxArguments];
    for (UINT i = 0; i < params->cArgs; ++i) {
      const VARIANT* argument = &params->rgvarg[i];
      for (int level = 0; level < 4 && V_VT(argument) == (VT_BYREF | VT_VARIANT) &&
                          V_VARIANTREF(argument) != nullptr;
           ++level) {
        argument = V_VARIANTREF(argument);
      }
      arguments[i] = *argument;
    }
    DISPPARAMS unwrapped = *params;
    unwrapped.rgvarg = arguments;
    return typeInfo->Invoke(static_cast<IRingmarch*>(this), id, flags, &unwrapped, result,
                            exception, argumentError);
  }

  // IRingmarch: the portable object's operations.
  STDMETHODIMP NewTsp(LONG num) override { return asResult(core_.NewTsp(num)); }
  STDMETHODIMP ReadTspFile(BSTR* filename) override {
    return guarded([&] { return core_.ReadTspFile(fileNameFrom(filename)); });
  }
  STDMETHODIMP WriteTspFile(BSTR* filename, TspFileType type) override {
    return guarded([&] {
      return core_.WriteTspFile(fileNameFrom(filename), static_cast<std::int32_t>(type));
    });
  }
  STDMETHODIMP PosX(LONG id, DOUBLE* value) override { return asResult(core_.PosX(id, value)); }
  STDMETHODIMP PosY(LONG id, DOUBLE* value) override { return asResult(core_.PosY(id, value)); }
  STDMETHODIMP SetNodePos(LONG id, LONG x, LONG y) override {
    return asResult(core_.SetNodePos(id, x, y));
  }
  STDMETHODIMP Distance(LONG from, LONG to, LONG* value) override {
    return withLong(value, [&](std::int32_t* out) { return core_.Distance(from, to, out); });
  }
  STDMETHODIMP SetDistance(LONG from, LONG to, LONG distance) override {
    return asResult(core_.SetDistance(from, to, distance));
  }
  STDMETHODIMP CalcDistanceEUC2D() override { return asResult(core_.CalcDistanceEUC2D()); }
  STDMETHODIMP CheckDistance(LONG* value) override {
    return withLong(value, [&](std::int32_t* out) { return core_.CheckDistance(out); });
  }
  STDMETHODIMP Solve(LONG* count) override {
    // The operation writes the tour length even when the solver failed: copy it back always.
    return guarded([&] {
      if (count == nullptr) return core_.Solve(nullptr);
      std::int32_t length = *count;
      const OperationResult result = core_.Solve(&length);
      *count = length;
      return result;
    });
  }
  STDMETHODIMP RootX(LONG i, DOUBLE* value) override { return asResult(core_.RootX(i, value)); }
  STDMETHODIMP RootY(LONG i, DOUBLE* value) override { return asResult(core_.RootY(i, value)); }
  STDMETHODIMP Root(LONG i, LONG* value) override {
    return withLong(value, [&](std::int32_t* out) { return core_.Root(i, out); });
  }
  STDMETHODIMP Length(LONG* value) override {
    return withLong(value, [&](std::int32_t* out) { return core_.Length(out); });
  }
  STDMETHODIMP ReadTourFile(BSTR* filename) override {
    return guarded([&] { return core_.ReadTourFile(fileNameFrom(filename)); });
  }
  STDMETHODIMP WriteTourFile(BSTR* filename) override {
    return guarded([&] { return core_.WriteTourFile(fileNameFrom(filename)); });
  }
  STDMETHODIMP get_num(LONG* value) override {
    return withLong(value, [&](std::int32_t* out) { return core_.num(out); });
  }
  STDMETHODIMP get_MaxX(DOUBLE* value) override { return asResult(core_.MaxX(value)); }
  STDMETHODIMP get_MaxY(DOUBLE* value) override { return asResult(core_.MaxY(value)); }
  STDMETHODIMP get_MinX(DOUBLE* value) override { return asResult(core_.MinX(value)); }
  STDMETHODIMP get_MinY(DOUBLE* value) override { return asResult(core_.MinY(value)); }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, IID_IRingmarch) ? S_OK : S_FALSE;
  }

 private:
  // LONG is a 32-bit long on this platform, std::int32_t an int: same size, different types.
  template <typename Operation>
  HRESULT withLong(LONG* value, Operation operation) {
    static_assert(sizeof(LONG) == sizeof(std::int32_t));
    if (value == nullptr) return asResult(operation(nullptr));
    std::int32_t out = 0;
    const OperationResult result = operation(&out);
    if (result == kSuccessResult) *value = out;
    return asResult(result);
  }

  // The object's own IUnknown: counts references and answers every interface. Inside an
  // aggregate it is the one the outer object holds.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(RingmarchComObject* owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
      return owner_->answerInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override {
      return static_cast<ULONG>(InterlockedIncrement(&owner_->references_));
    }
    STDMETHODIMP_(ULONG) Release() override {
      const auto count = static_cast<ULONG>(InterlockedDecrement(&owner_->references_));
      if (count == 0) delete owner_;
      return count;
    }

   private:
    RingmarchComObject* owner_;
  };

  HRESULT answerInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = aggregated_ ? static_cast<IUnknown*>(&inner_)
                            : static_cast<IUnknown*>(static_cast<IRingmarch*>(this));
    } else if (IsEqualIID(iid, IID_IRingmarch) || IsEqualIID(iid, IID_IDispatch)) {
      *object = static_cast<IRingmarch*>(this);
    } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
      *object = static_cast<ISupportErrorInfo*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*object)->AddRef();
    return S_OK;
  }

  InnerUnknown inner_;
  IUnknown* controlling_;
  bool aggregated_;
  LONG references_ = 0;
  RingmarchObject core_;
};

}  // namespace

HRESULT createRingmarchObject(IUnknown* outer, REFIID iid, void** object) {
  auto* created = new (std::nothrow) RingmarchComObject(outer);
  if (created == nullptr) return E_OUTOFMEMORY;
  IUnknown* inner = created->nonDelegatingUnknown();
  inner->AddRef();  // hold it while asking, so a refused request destroys it exactly once
  const HRESULT hr = inner->QueryInterface(iid, object);
  inner->Release();
  return hr;
}

}  // namespace ringmarch::server

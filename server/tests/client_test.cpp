// Test client of the component, run under Wine by run-wine-tests.sh. Each mode checks one stage:
//   registered <dll>     every registry entry after regsvr32, then plants a foreign subkey
//   reregistered <dll>   after a second regsvr32: the class key was rebuilt
//   unregistered         after regsvr32 /u: the class key and the ProgIDs are gone
//   objects <dll> <dir>  creation, early and late binding, error information, aggregation,
//                        the lock count; <dir> is a writable folder for files
// Prints one line per failed check and ends with "N passed, M failed"; exit code 1 on failure.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "ringmarch_h.h"

namespace {

int gPassed = 0;
int gFailed = 0;

void check(bool ok, const std::string& what) {
  if (ok) {
    ++gPassed;
  } else {
    ++gFailed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

std::string hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

void checkResult(HRESULT actual, HRESULT expected, const std::string& what) {
  check(actual == expected, what + ": got " + hex(actual) + ", expected " + hex(expected));
}

std::string narrow(const std::wstring& wide) {
  std::string text;
  for (wchar_t c : wide) text.push_back(c < 128 ? static_cast<char>(c) : '?');
  return text;
}

constexpr const wchar_t* kClassId = L"{55B47BD9-7535-41B8-A62C-46777D214655}";
constexpr const wchar_t* kLibraryId = L"{E4C948BE-F0AE-482C-BBF5-00D87DC91684}";
constexpr const wchar_t* kInterfaceId = L"{F10C8FCE-40CD-46B6-9EB5-2FFD0E9C5E8E}";

// ---------------------------------------------------------------- registry checks

bool readString(const std::wstring& key, const wchar_t* name, std::wstring* value) {
  wchar_t buffer[2048];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, &type, buffer, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_SZ) return false;
  *value = buffer;
  return true;
}

bool keyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

void checkValue(const std::wstring& key, const wchar_t* name, const std::wstring& expected) {
  std::wstring value;
  const bool found = readString(key, name, &value);
  check(found && value == expected, "HKCR\\" + narrow(key) + " " + narrow(name ? name : L"@") +
                                        " = '" + narrow(value) + "', expected '" +
                                        narrow(expected) + "'");
}

void checkRegistryEntries(const std::wstring& dllPath) {
  const std::wstring classKey = std::wstring(L"CLSID\\") + kClassId;
  checkValue(L"ZKRingmarch.Ringmarch.1", nullptr, L"Ringmarch Class");
  checkValue(L"ZKRingmarch.Ringmarch.1\\CLSID", nullptr, kClassId);
  checkValue(L"ZKRingmarch.Ringmarch", nullptr, L"Ringmarch Class");
  checkValue(L"ZKRingmarch.Ringmarch\\CLSID", nullptr, kClassId);
  checkValue(L"ZKRingmarch.Ringmarch\\CurVer", nullptr, L"ZKRingmarch.Ringmarch.1");
  checkValue(classKey, nullptr, L"Ringmarch Class");
  checkValue(classKey + L"\\ProgID", nullptr, L"ZKRingmarch.Ringmarch.1");
  checkValue(classKey + L"\\VersionIndependentProgID", nullptr, L"ZKRingmarch.Ringmarch");
  check(keyExists(classKey + L"\\Programmable"), "Programmable key exists");
  checkValue(classKey + L"\\InprocServer32", nullptr, dllPath);
  checkValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  checkValue(classKey + L"\\TypeLib", nullptr, kLibraryId);
  // The type library was registered from the DLL itself.
  std::wstring typeLibraryPath;
  check(readString(std::wstring(L"TypeLib\\") + kLibraryId + L"\\1.0\\409\\win64", nullptr,
                   &typeLibraryPath),
        "type library registered for win64");
  check(lstrcmpiW(typeLibraryPath.c_str(), dllPath.c_str()) == 0,
        "type library path '" + narrow(typeLibraryPath) + "'");
  // Registering the type library made the dual interface known for marshalling.
  checkValue(std::wstring(L"Interface\\") + kInterfaceId + L"\\TypeLib", nullptr, kLibraryId);
  CLSID fromProgId{};
  checkResult(CLSIDFromProgID(L"ZKRingmarch.Ringmarch", &fromProgId), S_OK, "CLSIDFromProgID");
  check(IsEqualCLSID(fromProgId, CLSID_Ringmarch), "version-independent ProgID names the class");
}

int registeredMode(const std::wstring& dllPath) {
  checkRegistryEntries(dllPath);
  // Plant a key below the class key: registering again must remove it.
  HKEY planted = nullptr;
  const std::wstring key = std::wstring(L"CLSID\\") + kClassId + L"\\PlantedByTest";
  check(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &planted,
                        nullptr) == ERROR_SUCCESS,
        "plant a key below the class key");
  if (planted != nullptr) RegCloseKey(planted);
  return 0;
}

int reregisteredMode(const std::wstring& dllPath) {
  checkRegistryEntries(dllPath);
  check(!keyExists(std::wstring(L"CLSID\\") + kClassId + L"\\PlantedByTest"),
        "registering again rebuilds the class key");
  return 0;
}

int unregisteredMode() {
  check(keyExists(L"CLSID"), "HKCR\\CLSID stays");
  check(!keyExists(std::wstring(L"CLSID\\") + kClassId), "class key removed");
  check(!keyExists(L"ZKRingmarch.Ringmarch.1"), "versioned ProgID removed");
  check(!keyExists(L"ZKRingmarch.Ringmarch"), "version-independent ProgID removed");
  check(!keyExists(std::wstring(L"TypeLib\\") + kLibraryId), "type library unregistered");
  check(!keyExists(std::wstring(L"Interface\\") + kInterfaceId), "interface key removed");
  return 0;
}

// ---------------------------------------------------------------- object checks

template <typename T>
class Ptr {
 public:
  Ptr() = default;
  ~Ptr() { reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  T** out() {
    reset();
    return &p_;
  }
  void** outVoid() { return reinterpret_cast<void**>(out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* ptr() { return &b_; }
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

struct ErrorSeen {
  bool present = false;
  std::wstring source;
  std::wstring description;
};

ErrorSeen takeErrorInfo() {
  ErrorSeen seen;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || info == nullptr) return seen;
  seen.present = true;
  BSTR text = nullptr;
  if (SUCCEEDED(info->GetSource(&text)) && text != nullptr) seen.source = text;
  SysFreeString(text);
  text = nullptr;
  if (SUCCEEDED(info->GetDescription(&text)) && text != nullptr) seen.description = text;
  SysFreeString(text);
  info->Release();
  return seen;
}

// The message of every failure code, written here independently of the component's table.
const wchar_t* expectedText(int code) {
  switch (code) {
    case 1:
      return L"ファイルのオープンに失敗しました。ファイルが存在しない可能性があります。";
    case 2:
      return L"ファイルのリードに失敗しました。ファイルが壊れている可能性があります。";
    case 4:
      return L"ファイルのフォーマット異常です。";
    case 6:
      return L"最大都市数を超えています。";
    case 7:
      return L"指定された都市IDは範囲外です。";
    case 8:
      return L"ポジションは０から１００００までです。";
    case 9:
      return L"距離は０から１４１４２までです。";
    case 13:
      return L"TSPが未作成です。";
    case 14:
      return L"Solve関数を実行していません。";
    case 15:
      return L"指定されたファイルタイプはサポートしていません。";
    default:
      return L"";
  }
}

// Checks a failed call's result value and the error information it attached to the thread.
void checkFailure(HRESULT actual, int code, const std::string& what) {
  const HRESULT expected = static_cast<HRESULT>(0x80040300u + static_cast<unsigned>(code));
  checkResult(actual, expected, what);
  const ErrorSeen seen = takeErrorInfo();
  check(seen.present, what + ": error information attached");
  check(seen.source == L"Ringmarch", what + ": source '" + narrow(seen.source) + "'");
  check(seen.description == expectedText(code),
        what + ": description of code " + std::to_string(code));
}

struct City {
  LONG x;
  LONG y;
};

// Shortest closed tour by trying every order (small instances only), independent of the
// component's solver.
LONG bruteForceLength(const std::vector<std::vector<LONG>>& d) {
  const int n = static_cast<int>(d.size());
  std::vector<int> order(n - 1);
  std::iota(order.begin(), order.end(), 1);
  LONG best = -1;
  do {
    LONG length = d[0][order[0]] + d[order[n - 2]][0];
    for (int i = 0; i + 1 < n - 1; ++i) length += d[order[i]][order[i + 1]];
    if (best < 0 || length < best) best = length;
  } while (std::next_permutation(order.begin(), order.end()));
  return best;
}

void checkEarlyBinding(IRingmarch* solver, const std::wstring& folder) {
  // A fresh object answers 13 or 14 before it has an instance.
  LONG count = 0;
  checkFailure(solver->get_num(&count), 13, "num on a new object");
  LONG city = 0;
  checkFailure(solver->Root(0, &city), 14, "Root on a new object");
  checkFailure(solver->NewTsp(128), 6, "NewTsp(128)");

  const std::vector<City> cities = {{0, 0},     {100, 0},   {200, 50}, {300, 0},
                                    {300, 200}, {150, 300}, {0, 200},  {75, 120}};
  const int n = static_cast<int>(cities.size());
  checkResult(solver->NewTsp(n), S_OK, "NewTsp(8)");
  checkResult(solver->get_num(&count), S_OK, "num");
  check(count == n, "num is 8");
  for (int i = 0; i < n; ++i) {
    checkResult(solver->SetNodePos(i, cities[i].x, cities[i].y), S_OK, "SetNodePos");
  }
  checkFailure(solver->SetNodePos(n, 10000, 0), 7, "SetNodePos: id range before position");
  checkFailure(solver->SetNodePos(0, 10000, 0), 8, "SetNodePos(0, 10000, 0)");
  checkResult(solver->CalcDistanceEUC2D(), S_OK, "CalcDistanceEUC2D");
  std::vector<std::vector<LONG>> d(n, std::vector<LONG>(n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      checkResult(solver->Distance(i, j, &d[i][j]), S_OK, "Distance");
      const double dx = cities[i].x - cities[j].x;
      const double dy = cities[i].y - cities[j].y;
      check(d[i][j] == static_cast<LONG>(std::sqrt(dx * dx + dy * dy) + 0.5),
            "EUC_2D distance " + std::to_string(i) + "-" + std::to_string(j));
    }
  }
  LONG verdict = -1;
  checkResult(solver->CheckDistance(&verdict), S_OK, "CheckDistance");
  check(verdict == 0, "CheckDistance finds a valid matrix");
  double value = 0;
  checkResult(solver->get_MaxX(&value), S_OK, "MaxX");
  // The generated cities widen the bounds too: the largest x is at least the largest set here.
  check(value >= 300.0 && value == std::trunc(value), "MaxX is a whole number of at least 300");
  checkResult(solver->get_MinY(&value), S_OK, "MinY");
  check(value == 0.0, "MinY is 0");

  LONG length = -1;
  checkResult(solver->Solve(&length), S_OK, "Solve");
  check(length == bruteForceLength(d),
        "Solve finds the shortest tour (" + std::to_string(length) + ")");
  LONG reported = -1;
  checkResult(solver->Length(&reported), S_OK, "Length");
  check(reported == length, "Length equals Solve's result");
  std::vector<bool> seen(n, false);
  LONG sum = 0;
  LONG previous = -1;
  LONG first = -1;
  for (int i = 0; i < n; ++i) {
    LONG at = -1;
    checkResult(solver->Root(i, &at), S_OK, "Root");
    if (at < 0 || at >= n || seen[at]) {
      check(false, "Root gives each city once");
      return;
    }
    seen[at] = true;
    double x = -1;
    double y = -1;
    checkResult(solver->RootX(i, &x), S_OK, "RootX");
    checkResult(solver->RootY(i, &y), S_OK, "RootY");
    check(x == cities[at].x && y == cities[at].y, "RootX/RootY give the city's position");
    if (previous >= 0) sum += d[previous][at];
    if (first < 0) first = at;
    previous = at;
  }
  sum += d[previous][first];
  check(sum == length, "the tour's edges add up to its length");
  checkFailure(solver->Root(n, &city), 7, "Root past the tour");

  // Failures that set a distance or position, and files.
  checkFailure(solver->SetDistance(0, 1, 14142), 9, "SetDistance(0, 1, 14142)");
  checkResult(solver->SetDistance(0, 1, 14141), S_OK, "SetDistance(0, 1, 14141)");
  checkFailure(solver->Length(&reported), 14, "Length after SetDistance");
  // CheckDistance answers its finding as a value and leaves the thread's error information.
  ICreateErrorInfo* marker = nullptr;
  IErrorInfo* markerInfo = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&marker))) {
    marker->SetSource(const_cast<LPOLESTR>(L"marker"));
    marker->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&markerInfo));
    SetErrorInfo(0, markerInfo);
  }
  checkResult(solver->CheckDistance(&verdict), S_OK, "CheckDistance on an asymmetric matrix");
  check(verdict == 12, "CheckDistance answers 12 for an asymmetric matrix");
  check(takeErrorInfo().source == L"marker", "CheckDistance leaves the error information");
  if (markerInfo != nullptr) markerInfo->Release();
  if (marker != nullptr) marker->Release();
  checkResult(solver->SetDistance(1, 0, 14141), S_OK, "SetDistance(1, 0, 14141)");
  checkResult(solver->SetDistance(2, 2, 5), S_OK, "SetDistance(2, 2, 5)");
  checkResult(solver->CheckDistance(&verdict), S_OK, "CheckDistance with a loop distance");
  check(verdict == 10, "CheckDistance answers 10 for a city's distance to itself");
  checkResult(solver->SetDistance(2, 2, 0), S_OK, "SetDistance(2, 2, 0)");
  checkResult(solver->SetDistance(3, 4, 0), S_OK, "SetDistance(3, 4, 0)");
  checkResult(solver->SetDistance(4, 3, 0), S_OK, "SetDistance(4, 3, 0)");
  checkResult(solver->CheckDistance(&verdict), S_OK, "CheckDistance with a zero distance");
  check(verdict == 11, "CheckDistance answers 11 for two cities at distance 0");
  Bstr tspName(folder + L"\\early.tsp");
  checkFailure(solver->WriteTspFile(tspName.ptr(), static_cast<TspFileType>(3)), 15,
               "WriteTspFile with type 3");
  checkFailure(solver->ReadTspFile(nullptr), 1, "ReadTspFile with an absent name");
  BSTR absent = nullptr;
  checkFailure(solver->ReadTspFile(&absent), 1, "ReadTspFile with a null string");
  Bstr missing(folder + L"\\does-not-exist.tsp");
  checkFailure(solver->ReadTspFile(missing.ptr()), 1, "ReadTspFile of a missing file");
  Bstr withNul(folder + std::wstring(L"\\early.tsp\0x", 12));
  checkFailure(solver->ReadTspFile(withNul.ptr()), 1, "ReadTspFile with an embedded NUL");

  // An unknown edge weight type is a format error; a file that ends before its dimension line
  // is a read failure.
  const auto writeFile = [](const std::wstring& name, const char* text) {
    if (FILE* file = _wfopen(name.c_str(), L"w")) {
      std::fputs(text, file);
      std::fclose(file);
    }
  };
  Bstr bad(folder + L"\\bad.tsp");
  writeFile(bad.get(),
            "DIMENSION : 3\nEDGE_WEIGHT_TYPE : CEIL_2D\nNODE_COORD_SECTION\n1 0 0\n2 0 1\n3 1 0\n");
  checkFailure(solver->ReadTspFile(bad.ptr()), 4, "ReadTspFile of an unknown weight type");
  Bstr truncated(folder + L"\\truncated.tsp");
  writeFile(truncated.get(), "NAME : truncated\n");
  checkFailure(solver->ReadTspFile(truncated.ptr()), 2, "ReadTspFile of a truncated file");
  // A file name outside the ANSI code page round-trips through the wide name.
  Bstr wideName(folder + L"\\\x00E9t\x00E9-\x6771\x4EAC.tsp");
  checkResult(solver->NewTsp(6), S_OK, "NewTsp(6)");
  checkResult(solver->WriteTspFile(wideName.ptr(), EUC2D), S_OK, "WriteTspFile, wide name");
  checkResult(solver->ReadTspFile(wideName.ptr()), S_OK, "ReadTspFile, wide name");
  checkResult(solver->get_num(&count), S_OK, "num after reading");
  check(count == 6, "the instance read back has 6 cities");
}

void checkInterfaces(IRingmarch* solver) {
  Ptr<IUnknown> unknown;
  Ptr<IDispatch> dispatch;
  Ptr<ISupportErrorInfo> support;
  Ptr<IUnknown> unknownFromSupport;
  checkResult(solver->QueryInterface(IID_IUnknown, unknown.outVoid()), S_OK, "QI IUnknown");
  checkResult(solver->QueryInterface(IID_IDispatch, dispatch.outVoid()), S_OK, "QI IDispatch");
  checkResult(solver->QueryInterface(IID_ISupportErrorInfo, support.outVoid()), S_OK,
              "QI ISupportErrorInfo");
  check(static_cast<void*>(dispatch.get()) == static_cast<void*>(solver),
        "IDispatch is the IRingmarch table");
  if (support) {
    checkResult(support->QueryInterface(IID_IUnknown, unknownFromSupport.outVoid()), S_OK,
                "QI IUnknown from ISupportErrorInfo");
    check(unknownFromSupport.get() == unknown.get(), "one identity");
    checkResult(support->InterfaceSupportsErrorInfo(IID_IRingmarch), S_OK,
                "supports error info for IRingmarch");
    checkResult(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE,
                "no error info for IDispatch");
  }
  Ptr<IClassFactory> none;
  checkResult(solver->QueryInterface(IID_IClassFactory, none.outVoid()), E_NOINTERFACE,
              "QI for an interface it lacks");
  check(!none, "refused QI clears the out pointer");
  checkResult(solver->QueryInterface(IID_IUnknown, nullptr), E_POINTER, "QI with no out pointer");
  UINT typeInfoCount = 0;
  checkResult(solver->GetTypeInfoCount(&typeInfoCount), S_OK, "GetTypeInfoCount");
  check(typeInfoCount == 1, "one type information");
}

HRESULT invoke(IDispatch* dispatch, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
               VARIANT* result, EXCEPINFO* exception) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::reverse(args.begin(), args.end());  // arguments travel last first
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  UINT argumentError = 0;
  return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                          &argumentError);
}

VARIANT longArgument(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT referenceTo(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}

void checkLateBinding(IRingmarch* solver) {
  IDispatch* dispatch = solver;
  // The first late-bound request fills the type information cache; a Japanese caller's locale
  // must find the library, which is registered for 0x409.
  {
    Ptr<ITypeInfo> typeInfo;
    checkResult(
        dispatch->GetTypeInfo(0, MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT),
                              typeInfo.out()),
        S_OK, "GetTypeInfo for a Japanese locale");
    check(static_cast<bool>(typeInfo), "type information handed out");
  }
  const wchar_t* names[22] = {L"NewTsp",        L"ReadTspFile",   L"WriteTspFile",
                              L"PosX",          L"PosY",          L"SetNodePos",
                              L"Distance",      L"SetDistance",   L"CalcDistanceEUC2D",
                              L"CheckDistance", L"Solve",         L"RootX",
                              L"RootY",         L"Root",          L"Length",
                              L"ReadTourFile",  L"WriteTourFile", L"num",
                              L"MaxX",          L"MaxY",          L"MinX",
                              L"MinY"};
  for (int pass = 0; pass < 2; ++pass) {  // the second pass answers from the name cache
    for (int i = 0; i < 22; ++i) {
      for (const std::wstring& spelling :
           {std::wstring(names[i]), std::wstring(CharUpperW(std::wstring(names[i]).data())),
            std::wstring(CharLowerW(std::wstring(names[i]).data()))}) {
        DISPID id = -1;
        LPOLESTR one[] = {const_cast<LPOLESTR>(spelling.c_str())};
        checkResult(dispatch->GetIDsOfNames(IID_NULL, one, 1, LOCALE_USER_DEFAULT, &id), S_OK,
                    "GetIDsOfNames " + narrow(spelling));
        check(id == i + 1, "dispatch id of " + narrow(spelling) + " is " + std::to_string(i + 1) +
                               " (got " + std::to_string(id) + ")");
      }
    }
  }
  DISPID id = 0;
  LPOLESTR unknownName[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  checkResult(dispatch->GetIDsOfNames(IID_NULL, unknownName, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME, "GetIDsOfNames of an unknown name");

  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  // A plain value and a reference to a variant (how script variables arrive) both work.
  VARIANT six = longArgument(6);
  checkResult(
      invoke(dispatch, L"newtsp", DISPATCH_METHOD, {referenceTo(&six)}, &result, &exception), S_OK,
      "Invoke NewTsp with a by-reference variant");
  checkResult(invoke(dispatch, L"NUM", DISPATCH_PROPERTYGET, {}, &result, &exception), S_OK,
              "Invoke num");
  check(V_VT(&result) == VT_I4 && V_I4(&result) == 6, "num through Invoke is 6");
  VariantClear(&result);
  checkResult(invoke(dispatch, L"SetNodePos", DISPATCH_METHOD,
                     {longArgument(2), longArgument(12), longArgument(34)}, &result, &exception),
              S_OK, "Invoke SetNodePos");
  checkResult(invoke(dispatch, L"PosX", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {longArgument(2)},
                     &result, &exception),
              S_OK, "Invoke PosX");
  check(V_VT(&result) == VT_R8 && V_R8(&result) == 12.0, "PosX through Invoke is 12");
  VariantClear(&result);
  VARIANT value = longArgument(1);
  checkResult(invoke(dispatch, L"num", DISPATCH_PROPERTYPUT, {value}, nullptr, &exception),
              DISP_E_MEMBERNOTFOUND, "num is read-only");

  // A failure arrives as an exception with the code, the source and the text.
  VARIANT name;
  VariantInit(&name);
  V_VT(&name) = VT_BSTR;
  V_BSTR(&name) = SysAllocString(L"Z:\\no\\such\\file.tsp");
  exception = EXCEPINFO{};
  const HRESULT hr =
      invoke(dispatch, L"ReadTspFile", DISPATCH_METHOD, {referenceTo(&name)}, &result, &exception);
  checkResult(hr, DISP_E_EXCEPTION, "Invoke ReadTspFile of a missing file");
  checkResult(exception.scode, static_cast<HRESULT>(0x80040301), "exception code");
  check(exception.bstrDescription != nullptr &&
            std::wstring(exception.bstrDescription) == expectedText(1),
        "exception description");
  check(exception.bstrSource != nullptr && std::wstring(exception.bstrSource) == L"Ringmarch",
        "exception source");
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  VariantClear(&name);
}

// An outer object that aggregates the solver and counts what reaches it.
class Outer final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    ++queries;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    if (inner != nullptr && IsEqualIID(iid, IID_IRingmarch)) {
      return inner->QueryInterface(iid, object);
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  ULONG references = 1;
  int queries = 0;
  IUnknown* inner = nullptr;
};

void checkAggregation() {
  Outer outer;
  Ptr<IRingmarch> refused;
  checkResult(CoCreateInstance(CLSID_Ringmarch, &outer, CLSCTX_INPROC_SERVER, IID_IRingmarch,
                               refused.outVoid()),
              CLASS_E_NOAGGREGATION, "aggregation asking for IRingmarch");
  IUnknown* inner = nullptr;
  checkResult(CoCreateInstance(CLSID_Ringmarch, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&inner)),
              S_OK, "aggregation asking for IUnknown");
  if (inner == nullptr) return;
  outer.inner = inner;
  IRingmarch* solver = nullptr;
  const ULONG before = outer.references;
  checkResult(inner->QueryInterface(IID_IRingmarch, reinterpret_cast<void**>(&solver)), S_OK,
              "inner QI IRingmarch");
  check(outer.references == before + 1, "the reference is counted by the outer object");
  if (solver != nullptr) {
    checkResult(solver->NewTsp(3), S_OK, "aggregated NewTsp");
    const int queries = outer.queries;
    IClassFactory* none = nullptr;
    checkResult(solver->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&none)),
                E_NOINTERFACE, "aggregated QI delegates");
    check(outer.queries == queries + 1, "the outer object answered the query");
    IUnknown* identity = nullptr;
    checkResult(solver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK,
                "aggregated identity");
    check(identity == &outer, "identity is the outer object");
    if (identity != nullptr) identity->Release();
    solver->Release();
  }
  check(outer.references == before, "outer count back after release");
  check(inner->Release() == 0, "inner destroyed by its last release");
}

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadFunction = HRESULT(WINAPI*)();

template <typename Function>
Function entryPoint(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void checkLockCount(const std::wstring& dllPath) {
  HMODULE module = LoadLibraryW(dllPath.c_str());
  check(module != nullptr, "load the DLL");
  if (module == nullptr) return;
  auto getClassObject = entryPoint<GetClassObjectFunction>(module, "DllGetClassObject");
  auto canUnload = entryPoint<CanUnloadFunction>(module, "DllCanUnloadNow");
  check(getClassObject != nullptr && canUnload != nullptr, "entry points exported");
  if (getClassObject == nullptr || canUnload == nullptr) return;
  checkResult(canUnload(), S_OK, "may unload with nothing alive");

  IClassFactory* factory = nullptr;
  checkResult(getClassObject(IID_IRingmarch, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              CLASS_E_CLASSNOTAVAILABLE, "DllGetClassObject of another class");
  checkResult(getClassObject(CLSID_Ringmarch, IID_IClassFactory, nullptr), E_POINTER,
              "DllGetClassObject with no out pointer");
  checkResult(
      getClassObject(CLSID_Ringmarch, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK,
      "DllGetClassObject");
  if (factory == nullptr) return;
  checkResult(canUnload(), S_FALSE, "held class object keeps the DLL");
  checkResult(factory->LockServer(TRUE), S_OK, "LockServer(TRUE)");
  factory->Release();
  checkResult(canUnload(), S_FALSE, "server lock keeps the DLL");
  checkResult(
      getClassObject(CLSID_Ringmarch, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK,
      "DllGetClassObject again");
  checkResult(factory->LockServer(FALSE), S_OK, "LockServer(FALSE)");
  checkResult(factory->CreateInstance(nullptr, IID_IRingmarch, nullptr), E_POINTER,
              "CreateInstance with no out pointer");
  IRingmarch* solver = nullptr;
  checkResult(
      factory->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(&solver)),
      E_NOINTERFACE, "CreateInstance for an interface it lacks");
  checkResult(factory->CreateInstance(nullptr, IID_IRingmarch, reinterpret_cast<void**>(&solver)),
              S_OK, "CreateInstance");
  factory->Release();
  checkResult(canUnload(), S_FALSE, "a live object keeps the DLL");
  if (solver != nullptr) solver->Release();
  checkResult(canUnload(), S_OK, "may unload after the last release");
  FreeLibrary(module);
}

// Recovers the narrow bytes the type library stored for a help string (decoded with the
// process's ANSI code page) and reads them as Shift-JIS.
std::wstring asStoredInShiftJis(const std::wstring& decoded) {
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, decoded.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return L"<unconvertible>";
  std::string narrowText(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, decoded.c_str(), -1, narrowText.data(), bytes, nullptr, nullptr);
  const int chars = MultiByteToWideChar(932, 0, narrowText.c_str(), -1, nullptr, 0);
  if (chars <= 0) return L"<not Shift-JIS>";
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(932, 0, narrowText.c_str(), -1, wide.data(), chars);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

std::wstring documentation(ITypeInfo* info, MEMBERID id, bool helpString) {
  BSTR name = nullptr;
  BSTR help = nullptr;
  if (FAILED(info->GetDocumentation(id, &name, &help, nullptr, nullptr))) return L"<none>";
  std::wstring text = (helpString ? help : name) != nullptr ? (helpString ? help : name) : L"";
  SysFreeString(name);
  SysFreeString(help);
  return text;
}

void checkTypeLibrary(const std::wstring& dllPath) {
  Ptr<ITypeLib> library;
  checkResult(LoadTypeLib(dllPath.c_str(), library.out()), S_OK, "type library in the DLL");
  if (!library) return;
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(library->GetLibAttr(&attributes))) {
    check(IsEqualGUID(attributes->guid, LIBID_ZKRingmarch), "library identifier");
    check(attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0, "version 1.0");
    check(attributes->lcid == 0x409, "library locale 0x409");
    library->ReleaseTLibAttr(attributes);
  }
  BSTR name = nullptr;
  BSTR help = nullptr;
  checkResult(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK,
              "library documentation");
  check(name != nullptr && std::wstring(name) == L"ZKRingmarch", "library name ZKRingmarch");
  check(help != nullptr && asStoredInShiftJis(help) == L"Ringmarch 1.0 ﾀｲﾌﾟ ﾗｲﾌﾞﾗﾘ",
        "library help string");
  SysFreeString(name);
  SysFreeString(help);

  Ptr<ITypeInfo> coclass;
  checkResult(library->GetTypeInfoOfGuid(CLSID_Ringmarch, coclass.out()), S_OK, "class Ringmarch");
  if (coclass) {
    check(documentation(coclass.get(), MEMBERID_NIL, false) == L"Ringmarch", "class name");
    check(documentation(coclass.get(), MEMBERID_NIL, true) == L"Ringmarch Class",
          "class help string");
    TYPEATTR* type = nullptr;
    if (SUCCEEDED(coclass->GetTypeAttr(&type))) {
      check((type->wTypeFlags & TYPEFLAG_FCANCREATE) != 0, "class is creatable");
      coclass->ReleaseTypeAttr(type);
    }
  }

  // The enumeration, published under its alias.
  bool aliasFound = false;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    Ptr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(i, info.out()))) continue;
    if (documentation(info.get(), MEMBERID_NIL, false) != L"TspFileType") continue;
    TYPEATTR* type = nullptr;
    if (FAILED(info->GetTypeAttr(&type))) continue;
    aliasFound = type->typekind == TKIND_ALIAS && type->tdescAlias.vt == VT_USERDEFINED;
    Ptr<ITypeInfo> target;
    if (aliasFound && SUCCEEDED(info->GetRefTypeInfo(type->tdescAlias.hreftype, target.out()))) {
      TYPEATTR* enumType = nullptr;
      if (SUCCEEDED(target->GetTypeAttr(&enumType))) {
        check(enumType->typekind == TKIND_ENUM && enumType->cVars == 2, "two enumerators");
        for (UINT v = 0; v < enumType->cVars; ++v) {
          VARDESC* variable = nullptr;
          if (FAILED(target->GetVarDesc(v, &variable))) continue;
          const std::wstring member = documentation(target.get(), variable->memid, false);
          const LONG value = V_I4(variable->lpvarValue);
          check((member == L"EUC2D" && value == 1) || (member == L"FULLMATRIX" && value == 2),
                "enumerator " + narrow(member) + " = " + std::to_string(value));
          target->ReleaseVarDesc(variable);
        }
        target->ReleaseTypeAttr(enumType);
      }
    }
    info->ReleaseTypeAttr(type);
  }
  check(aliasFound, "TspFileType published as an alias of the enumeration");

  // The interface: 22 functions in order, help strings, out/retval and read-only properties.
  Ptr<ITypeInfo> dispatchInfo;
  checkResult(library->GetTypeInfoOfGuid(IID_IRingmarch, dispatchInfo.out()), S_OK,
              "interface IRingmarch");
  if (!dispatchInfo) return;
  check(documentation(dispatchInfo.get(), MEMBERID_NIL, true) == L"IRingmarch Interface",
        "interface help string");
  HREFTYPE vtableRef = 0;
  Ptr<ITypeInfo> info;
  if (FAILED(dispatchInfo->GetRefTypeOfImplType(-1, &vtableRef)) ||
      FAILED(dispatchInfo->GetRefTypeInfo(vtableRef, info.out()))) {
    check(false, "IRingmarch is dual");
    return;
  }
  TYPEATTR* type = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&type))) {
    check(type->typekind == TKIND_INTERFACE && (type->wTypeFlags & TYPEFLAG_FDUAL) != 0 &&
              (type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION) != 0,
          "dual, automation-compatible interface");
    check(type->cFuncs == 22, "22 functions of its own");
    info->ReleaseTypeAttr(type);
  }
  struct Expected {
    const wchar_t* name;
    const wchar_t* help;
    int inputs;
    bool retval;
    bool property;
  };
  const Expected expected[22] = {
      {L"NewTsp", L"ﾒｿｯﾄﾞ NewTsp 新しいTSPを作成します。", 1, false, false},
      {L"ReadTspFile", L"ﾒｿｯﾄﾞ ReadTspFile TSPファイルを読み込みます。", 1, false, false},
      {L"WriteTspFile", L"ﾒｿｯﾄﾞ WriteTspFile TSPをファイルへ出力します。", 2, false, false},
      {L"PosX", L"ﾒｿｯﾄﾞ PosX 引数idで渡された都市のX座標を返します。", 1, true, false},
      {L"PosY", L"ﾒｿｯﾄﾞ PosY 引数idで渡された都市のY座標を返します。", 1, true, false},
      {L"SetNodePos", L"ﾒｿｯﾄﾞ SetNodePos 都市idのXY座標を設定します。", 3, false, false},
      {L"Distance", L"ﾒｿｯﾄﾞ Distance 都市form,to間の距離を返します。", 2, true, false},
      {L"SetDistance", L"ﾒｿｯﾄﾞ SetDistance 都市from,to間の距離を設定します。", 3, false, false},
      {L"CalcDistanceEUC2D",
       L"ﾒｿｯﾄﾞ CalcDistanceEUC2D 都市のXY座標から都市間の直線距離距離を計算します。", 0, false,
       false},
      {L"CheckDistance", L"ﾒｿｯﾄﾞ CheckDistance 都市間の距離をチェックします。", 0, true, false},
      {L"Solve", L"ﾒｿｯﾄﾞ Solve TSPを解きます。", 0, true, false},
      {L"RootX", L"ﾒｿｯﾄﾞ RootX i番目の順回路の都市のX座標を返します。", 1, true, false},
      {L"RootY", L"ﾒｿｯﾄﾞ RootY i番目の順回路の都市のY座標を返します。", 1, true, false},
      {L"Root", L"ﾒｿｯﾄﾞ Root i番目の順回路の都市idを返します。", 1, true, false},
      {L"Length", L"ﾒｿｯﾄﾞ Length 順回路長を返します。", 0, true, false},
      {L"ReadTourFile", L"ﾒｿｯﾄﾞ ReadTourFile 順回路をファイルから読み込みます。", 1, false, false},
      {L"WriteTourFile", L"ﾒｿｯﾄﾞ WriteTourFile 順回路をファイルへ出力します。", 1, false, false},
      {L"num", L"ﾌﾟﾛﾊﾟﾃｨ Num 都市数を返します。", 0, true, true},
      {L"MaxX", L"ﾌﾟﾛﾊﾟﾃｨ MaxX 都市のX座標の最大値を返します。", 0, true, true},
      {L"MaxY", L"ﾌﾟﾛﾊﾟﾃｨ MaxY 都市のY座標の最大値を返します。", 0, true, true},
      {L"MinX", L"ﾌﾟﾛﾊﾟﾃｨ MinX 都市のX座標の最小値を返します。", 0, true, true},
      {L"MinY", L"ﾌﾟﾛﾊﾟﾃｨ MinY 都市のY座標の最小値を返します。", 0, true, true},
  };
  for (UINT i = 0; i < 22; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) {
      check(false, "function " + std::to_string(i));
      continue;
    }
    const Expected& want = expected[i];
    const std::string label = narrow(want.name);
    check(function->memid == static_cast<MEMBERID>(i + 1), label + ": dispatch id");
    check(documentation(info.get(), function->memid, false) == want.name, label + ": name");
    check(asStoredInShiftJis(documentation(info.get(), function->memid, true)) == want.help,
          label + ": help string");
    check(function->invkind == (want.property ? INVOKE_PROPERTYGET : INVOKE_FUNC),
          label + ": method or read-only property");
    check(function->elemdescFunc.tdesc.vt == VT_HRESULT, label + ": returns the 32-bit result");
    const int parameters = want.inputs + (want.retval ? 1 : 0);
    check(function->cParams == parameters, label + ": parameter count");
    for (int p = 0; p < function->cParams && p < parameters; ++p) {
      const USHORT flags = function->lprgelemdescParam[p].paramdesc.wParamFlags;
      const bool last = p == parameters - 1;
      if (want.retval && last) {
        check((flags & PARAMFLAG_FOUT) && (flags & PARAMFLAG_FRETVAL), label + ": out/retval");
      } else {
        check((flags & PARAMFLAG_FIN) && !(flags & PARAMFLAG_FOUT), label + ": input");
      }
    }
    info->ReleaseFuncDesc(function);
  }
}

// Solves a 12-city instance built from a seed and returns the tour length, in an apartment
// of the calling thread.
LONG solveSeededInstance(unsigned seed) {
  if (FAILED(CoInitialize(nullptr))) return -1;
  LONG length = -1;
  {
    Ptr<IRingmarch> solver;
    if (SUCCEEDED(CoCreateInstance(CLSID_Ringmarch, nullptr, CLSCTX_INPROC_SERVER, IID_IRingmarch,
                                   solver.outVoid())) &&
        SUCCEEDED(solver->NewTsp(12))) {
      unsigned state = seed;
      for (int i = 0; i < 12; ++i) {
        state = state * 1103515245u + 12345u;
        const LONG x = static_cast<LONG>((state >> 8) % 1000);
        state = state * 1103515245u + 12345u;
        const LONG y = static_cast<LONG>((state >> 8) % 1000);
        solver->SetNodePos(i, x, y);
      }
      solver->CalcDistanceEUC2D();
      if (FAILED(solver->Solve(&length))) length = -1;
    }
  }
  CoUninitialize();
  return length;
}

// Solves run in several apartments at once must not disturb each other.
void checkConcurrentSolves() {
  constexpr int kThreads = 4;
  struct Job {
    unsigned seed;
    LONG length;
  };
  Job jobs[kThreads];
  LONG alone[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    jobs[i] = {static_cast<unsigned>(17 + 31 * i), -2};
    alone[i] = solveSeededInstance(jobs[i].seed);
  }
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
          auto* job = static_cast<Job*>(argument);
          for (int repeat = 0; repeat < 5 && job->length != -1; ++repeat) {
            const LONG length = solveSeededInstance(job->seed);
            if (job->length == -2 || job->length == length) {
              job->length = length;
            } else {
              job->length = -1;  // differing answers
            }
          }
          return 0;
        },
        &jobs[i], 0, nullptr);
  }
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  for (int i = 0; i < kThreads; ++i) {
    CloseHandle(threads[i]);
    check(alone[i] > 0 && jobs[i].length == alone[i], "concurrent solve " + std::to_string(i) +
                                                          ": " + std::to_string(jobs[i].length) +
                                                          ", alone " + std::to_string(alone[i]));
  }
}

// The resources of the DLL: registry script, type library and string table in Japanese (1041),
// and the version information that marks the DLL as self-registering.
void checkResources(const std::wstring& dllPath) {
  HMODULE module = LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  check(module != nullptr, "load the DLL as data");
  if (module == nullptr) return;
  const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
  check(japanese == 1041, "Japanese language identifier");
  check(FindResourceExW(module, L"REGISTRY", MAKEINTRESOURCEW(101), japanese) != nullptr,
        "REGISTRY 101 in Japanese");
  check(FindResourceExW(module, L"TYPELIB", MAKEINTRESOURCEW(1), japanese) != nullptr,
        "TYPELIB 1 in Japanese");
  // String 100 lives in string block 7 (100 / 16 + 1).
  check(FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(7), japanese) != nullptr,
        "string table in Japanese");
  wchar_t text[64] = {};
  check(LoadStringW(module, 100, text, 64) > 0 && std::wstring(text) == L"Ringmarch",
        "string 100 is Ringmarch");
  FreeLibrary(module);

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(dllPath.c_str(), &ignored);
  check(size > 0, "version information present");
  if (size == 0) return;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(dllPath.c_str(), 0, size, block.data())) {
    check(false, "version information readable");
    return;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  check(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
            fixed->dwFileVersionMS == MAKELONG(2, 3) && fixed->dwFileVersionLS == MAKELONG(2, 0),
        "file version 3.2.0.2");
  const auto entry = [&](const wchar_t* name, std::wstring* value) {
    wchar_t* found = nullptr;
    UINT chars = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&found), &chars)) {
      return false;
    }
    *value = (found != nullptr && chars > 0) ? std::wstring(found) : std::wstring();
    return true;
  };
  const std::pair<const wchar_t*, const wchar_t*> expected[] = {
      {L"FileDescription", L"Ringmarch Module"},
      {L"ProductName", L"Ringmarch Module"},
      {L"FileVersion", L"3, 2, 0, 2"},
      {L"ProductVersion", L"3, 2, 0, 2"},
      {L"OLESelfRegister", L""},
  };
  for (const auto& [name, want] : expected) {
    std::wstring value;
    check(entry(name, &value) && value == want,
          "version entry " + narrow(name) + " = '" + narrow(value) + "'");
  }
}

int objectsMode(const std::wstring& dllPath, const std::wstring& folder) {
  if (FAILED(CoInitialize(nullptr))) {
    check(false, "CoInitialize");
    return 1;
  }
  checkLockCount(dllPath);
  CLSID classId{};
  checkResult(CLSIDFromProgID(L"ZKRingmarch.Ringmarch.1", &classId), S_OK, "versioned ProgID");
  {
    Ptr<IRingmarch> solver;
    checkResult(
        CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IRingmarch, solver.outVoid()),
        S_OK, "create by ProgID");
    if (solver) {
      checkInterfaces(solver.get());
      checkEarlyBinding(solver.get(), folder);
    }
  }
  {
    Ptr<IRingmarch> solver;
    checkResult(CoCreateInstance(CLSID_Ringmarch, nullptr, CLSCTX_INPROC_SERVER, IID_IRingmarch,
                                 solver.outVoid()),
                S_OK, "create for late binding");
    if (solver) checkLateBinding(solver.get());
  }
  checkAggregation();
  checkTypeLibrary(dllPath);
  checkResources(dllPath);
  checkConcurrentSolves();
  CoUninitialize();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"registered" && argc == 3) {
    registeredMode(argv[2]);
  } else if (mode == L"reregistered" && argc == 3) {
    reregisteredMode(argv[2]);
  } else if (mode == L"unregistered" && argc == 2) {
    unregisteredMode();
  } else if (mode == L"objects" && argc == 4) {
    objectsMode(argv[2], argv[3]);
  } else {
    std::printf(
        "usage: client_test registered|reregistered <dll> | unregistered | "
        "objects <dll> <folder>\n");
    return 2;
  }
  std::printf("%d passed, %d failed\n", gPassed, gFailed);
  return gFailed == 0 ? 0 : 1;
}

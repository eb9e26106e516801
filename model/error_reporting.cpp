#include <ringmarch/errors.hpp>

namespace ringmarch {
namespace {
thread_local LastError tlsLastError;
}  // namespace

void ThreadErrorReporter::reportError(ErrorCode code) {
  tlsLastError.code = code;
  tlsLastError.source = std::string(kErrorSource);
  tlsLastError.description = std::string(errorText(code));
}

ThreadErrorReporter& threadErrorReporter() {
  static ThreadErrorReporter reporter;
  return reporter;
}

LastError lastError() {
  return tlsLastError;
}

void clearLastError() {
  tlsLastError = LastError{};
}

}  // namespace ringmarch

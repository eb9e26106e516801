// How the operation layer hands a failure to whoever keeps error information.
//
// The portable default keeps, per thread, the last failure's source and description for a C++
// caller to read and clear. The Windows component plugs the platform's error objects in instead.
#pragma once

#include <string>

#include "model/error_code.h"

namespace ringmarch {

class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  // Called once per failing operation, with a code from 1 to 15.
  virtual void reportError(ErrorCode code) = 0;
};

struct LastError {
  ErrorCode code = ErrorCode::Success;
  std::string source;       // "Ringmarch" once a failure was reported
  std::string description;  // the code's text, UTF-8
};

// Reporter that stores the failure as this thread's last error.
class ThreadErrorReporter final : public ErrorReporter {
 public:
  void reportError(ErrorCode code) override;
};

ThreadErrorReporter& threadErrorReporter();

// This thread's last reported failure (code Success and empty texts when none is held).
LastError lastError();
void clearLastError();

}  // namespace ringmarch

// Error codes of the operations, their result values and message texts, and how a failure is
// handed to whoever keeps error information.
//
// The portable default keeps, per thread, the last failure's source and description for a C++
// caller to read and clear. The Windows component plugs the platform's error objects in instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ringmarch {

enum class ErrorCode : std::int32_t {
  Success = 0,
  FileOpenFailed = 1,
  FileReadFailed = 2,
  FileWriteFailed = 3,
  FileFormatError = 4,
  OutOfMemory = 5,
  TooManyCities = 6,
  CityIdOutOfRange = 7,
  PositionOutOfRange = 8,
  DistanceOutOfRange = 9,
  SameCityDistanceNotZero = 10,
  DistanceNotPositive = 11,
  DistanceNotSymmetric = 12,
  InstanceNotCreated = 13,
  NotSolved = 14,
  FileTypeNotSupported = 15,
};

inline constexpr int kErrorCodeCount = 15;

// The 32-bit result value an operation hands to its caller: 0 on success, otherwise the
// failure bit, the interface facility and 0x300 + code (0x80040301 .. 0x8004030F).
using OperationResult = std::uint32_t;
inline constexpr OperationResult kSuccessResult = 0;
// What an operation answers for an absent out pointer (the platform's invalid-pointer value).
inline constexpr OperationResult kInvalidPointerResult = 0x80004003u;

constexpr OperationResult resultValueOf(ErrorCode code) {
  return code == ErrorCode::Success ? kSuccessResult
                                    : 0x80040000u | (0x300u + static_cast<std::uint32_t>(code));
}

// The error source attached with every failure.
inline constexpr std::string_view kErrorSource = "Ringmarch";
inline constexpr std::u16string_view kErrorSourceWide = u"Ringmarch";

// The message of a code as UTF-8 and as UTF-16; empty for Success and for unknown codes.
std::string_view errorText(ErrorCode code);
std::u16string_view errorTextWide(ErrorCode code);

// The English explanation of a code, the one table of them for every front end; empty for
// Success and for unknown codes. A string literal: its view ends in NUL.
std::string_view errorGloss(ErrorCode code);

// The descriptive name of a code ("FileOpenFailed"), for logs and the command line.
std::string_view errorName(ErrorCode code);

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

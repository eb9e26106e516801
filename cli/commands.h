// The four commands of `ringmarch`, run on a parsed request.
#pragma once

#include <cstdio>

#include "cli/command_line.h"

namespace ringmarch::cli {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitBadInput = 1;  // unreadable or invalid input, a failed operation
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotProven = 3;      // best tour found, not proven optimal
inline constexpr int kExitInterrupted = 130;  // Ctrl-C: best tour found so far reported

struct Console {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool errIsTerminal = false;
};

int runRequest(const Request& request, const Console& console);

}  // namespace ringmarch::cli

// ringmarch: solves travelling-salesman instances exactly from the command line.
#include <unistd.h>

#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"

int main(int argc, char** argv) {
  using namespace ringmarch::cli;
  const ParseResult parsed = parseCommandLine(argc, argv);
  if (!parsed.request) {
    std::fprintf(stderr, "ringmarch: %s\n%s\n", parsed.error.c_str(),
                 usageLine(parsed.command).c_str());
    return kExitUsage;
  }
  Console console;
  console.errIsTerminal = isatty(fileno(stderr)) == 1;
  const int status = runRequest(*parsed.request, console);
  // A result that could not be printed is a failure, also for a search stopped by its limit.
  const bool printed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (!printed && (status == kExitSuccess || status == kExitNotProven)) {
    std::fprintf(stderr, "ringmarch: cannot write to standard output\n");
    return kExitBadInput;
  }
  return status;
}

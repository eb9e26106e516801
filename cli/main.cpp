// ringmarch: solves travelling-salesman instances exactly from the command line.
#include <unistd.h>

#include <cstdio>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/json_output.h"

int main(int argc, char** argv) {
  using namespace ringmarch::cli;
  const ParseResult parsed = parseCommandLine(argc, argv);
  if (!parsed.request) {
    const std::string usage = usageLine(parsed.command);
    std::fprintf(stderr, "ringmarch: %s\n%s\n", parsed.error.c_str(), usage.c_str());
    if (parsed.json) {
      JsonObject error;
      error.add("message", parsed.error).add("usage", usage).add("exit_status", kExitUsage);
      JsonObject document;
      document.add("error", error);
      std::printf("%s\n", document.text().c_str());
    }
    return kExitUsage;
  }
  Console console;
  console.errIsTerminal = isatty(fileno(stderr)) == 1;
  const int status = runRequest(*parsed.request, console);
  // A result that could not be printed is a failure, also for a search stopped early.
  const bool printed = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (!printed && (status == kExitSuccess || status == kExitNotProven)) {
    std::fprintf(stderr, "ringmarch: cannot write to standard output\n");
    return kExitBadInput;
  }
  return status;
}

#include "run_program.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

namespace ringmarch::testing {
namespace {

std::string readDescriptor(int descriptor) {
  std::string text;
  char buffer[4096];
  ::lseek(descriptor, 0, SEEK_SET);
  ssize_t n = 0;
  while ((n = ::read(descriptor, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

int scratchDescriptor() {
  char name[] = "/tmp/ringmarch-test-output-XXXXXX";
  const int descriptor = ::mkstemp(name);
  if (descriptor < 0) throw std::runtime_error("cannot create a scratch file");
  ::unlink(name);
  return descriptor;
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& input,
                      double interruptAfterSeconds) {
  // Output goes to unnamed files rather than pipes, so a large output cannot block the child.
  const int outFile = scratchDescriptor();
  const int errFile = scratchDescriptor();
  const int inFile = scratchDescriptor();
  if (::write(inFile, input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    throw std::runtime_error("cannot write the program's input");
  }
  ::lseek(inFile, 0, SEEK_SET);
  std::vector<char*> argv;
  std::string program = RINGMARCH_CLI_PATH;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);

  ProgramRun run;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(inFile, 0);
    ::dup2(outFile, 1);
    ::dup2(errFile, 2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (child < 0) throw std::runtime_error("cannot start the program");
  if (interruptAfterSeconds > 0) {
    ::usleep(static_cast<useconds_t>(interruptAfterSeconds * 1e6));
    ::kill(child, SIGINT);
  }
  int status = 0;
  pid_t waited = -1;
  do {
    waited = ::waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  run.exitStatus = waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readDescriptor(outFile);
  run.err = readDescriptor(errFile);
  ::close(outFile);
  ::close(errFile);
  ::close(inFile);
  return run;
}

}  // namespace

ProgramRun runRingmarch(const std::vector<std::string>& arguments) {
  return runProgram(arguments, "", 0);
}

ProgramRun runRingmarchWithInput(const std::vector<std::string>& arguments,
                                 const std::string& input) {
  return runProgram(arguments, input, 0);
}

ProgramRun runRingmarchInterrupted(const std::vector<std::string>& arguments,
                                   double interruptAfterSeconds) {
  return runProgram(arguments, "", interruptAfterSeconds);
}

}  // namespace ringmarch::testing

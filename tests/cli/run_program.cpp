#include "run_program.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

ProgramRun runProgram(const std::vector<std::string>& arguments, const RunSettings& settings) {
  // Output goes to unnamed files rather than pipes, so a large output cannot block the child.
  const int outFile = scratchDescriptor();
  const int errFile = scratchDescriptor();
  const int inFile = scratchDescriptor();
  const std::string& input = settings.input;
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
    if (!settings.inputPath.empty()) {
      const int opened = ::open(settings.inputPath.c_str(), O_RDONLY);
      if (opened < 0) ::_exit(126);
      ::dup2(opened, 0);
    } else {
      ::dup2(inFile, 0);
    }
    ::dup2(outFile, 1);
    ::dup2(errFile, 2);
    for (const auto& [name, value] : settings.environment) ::setenv(name.c_str(), value.c_str(), 1);
    if (settings.addressSpaceBytes > 0) {
      const rlimit limit{settings.addressSpaceBytes, settings.addressSpaceBytes};
      ::setrlimit(RLIMIT_AS, &limit);
    }
    if (settings.fileSizeBytes > 0) {
      // A write past the limit then fails with EFBIG instead of ending the program.
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{settings.fileSizeBytes, settings.fileSizeBytes};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (child < 0) throw std::runtime_error("cannot start the program");
  const auto started = std::chrono::steady_clock::now();
  auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  };
  bool signalled = settings.signal == 0;
  int status = 0;
  pid_t waited = 0;
  for (;;) {
    waited = ::waitpid(child, &status, WNOHANG);
    if (waited == child || (waited < 0 && errno != EINTR)) break;
    if (!signalled && elapsed() >= settings.signalAfterSeconds) {
      ::kill(child, settings.signal);
      signalled = true;
    }
    if (settings.killAfterSeconds > 0 && elapsed() >= settings.killAfterSeconds) {
      ::kill(child, SIGKILL);
      do {
        waited = ::waitpid(child, &status, 0);
      } while (waited < 0 && errno == EINTR);
      status = -1;
      break;
    }
    ::usleep(2000);
  }
  run.exitStatus = waited == child && status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readDescriptor(outFile);
  run.err = readDescriptor(errFile);
  ::close(outFile);
  ::close(errFile);
  ::close(inFile);
  return run;
}

}  // namespace

ProgramRun runRingmarch(const std::vector<std::string>& arguments) {
  return runProgram(arguments, RunSettings{});
}

ProgramRun runRingmarchWithInput(const std::vector<std::string>& arguments,
                                 const std::string& input) {
  RunSettings settings;
  settings.input = input;
  return runProgram(arguments, settings);
}

ProgramRun runRingmarchInterrupted(const std::vector<std::string>& arguments,
                                   double interruptAfterSeconds) {
  RunSettings settings;
  settings.signal = SIGINT;
  settings.signalAfterSeconds = interruptAfterSeconds;
  return runProgram(arguments, settings);
}

ProgramRun runRingmarchWith(const std::vector<std::string>& arguments,
                            const RunSettings& settings) {
  return runProgram(arguments, settings);
}

}  // namespace ringmarch::testing

#include "cli/interrupt.h"

#include <signal.h>

#include <csignal>

namespace ringmarch::cli {
namespace {

volatile std::sig_atomic_t interruptCaught = 0;
struct sigaction previousAction;

extern "C" void onInterrupt(int) {
  interruptCaught = 1;
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  interruptCaught = 0;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousAction);
}

InterruptCatcher::~InterruptCatcher() {
  sigaction(SIGINT, &previousAction, nullptr);
}

bool InterruptCatcher::caught() {
  return interruptCaught != 0;
}

}  // namespace ringmarch::cli

#include "remote/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void note_interrupt(int) { interrupted = 1; }

}  // namespace

void watch_for_interrupt() {
  std::signal(SIGINT, note_interrupt);
  std::signal(SIGTERM, note_interrupt);
#ifdef SIGHUP
  std::signal(SIGHUP, note_interrupt);  // the console window was closed
#endif
}

void stop_watching_for_interrupt() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
#ifdef SIGHUP
  std::signal(SIGHUP, SIG_DFL);
#endif
}

bool was_interrupted() { return interrupted != 0; }

void clear_interrupt() { interrupted = 0; }

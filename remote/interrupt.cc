#include "remote/interrupt.h"

#include <csignal>

#include "remote/platform.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void note_interrupt() { interrupted = 1; }

}  // namespace

void watch_for_interrupt() { catch_interrupts(note_interrupt); }

void stop_watching_for_interrupt() { release_interrupts(); }

bool was_interrupted() { return interrupted != 0; }

void clear_interrupt() { interrupted = 0; }

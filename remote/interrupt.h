// Stopping cleanly when the user interrupts the updater: the transfer under
// way ends, its temporary file goes, and the run stops as after a failure.
#pragma once

// Catches the interrupt and termination signals from now on.
void watch_for_interrupt();

// Lets the signals end the program again, as before watch_for_interrupt.
void stop_watching_for_interrupt();

// True once such a signal has arrived.
bool was_interrupted();

// Forgets an interrupt that has arrived (for tests).
void clear_interrupt();

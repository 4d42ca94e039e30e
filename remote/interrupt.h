// Stopping cleanly when the user interrupts the updater: the transfer under
// way ends, its temporary file goes, and the run stops as after a failure.
#pragma once

// Catches interrupts from now on: Ctrl+C, Ctrl+Break, a closed console window
// or terminal, and termination requests.
void watch_for_interrupt();

// Lets interrupts end the program again, as before watch_for_interrupt. Call
// it once the run's last message is written: after a closed console window,
// the program may end right here.
void stop_watching_for_interrupt();

// True once such a signal has arrived.
bool was_interrupted();

// Forgets an interrupt that has arrived (for tests).
void clear_interrupt();

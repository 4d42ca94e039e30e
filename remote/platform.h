// The few things that differ between Windows and POSIX systems: files and
// folders by name, the console and interrupts. platform-posix.cc and
// platform-win32.cc implement this header; nothing else tests the platform.
//
// Paths are byte strings with "/" between components, relative to the working
// folder or absolute. On Windows a component that is valid UTF-8 is that text
// and any other is read in the system's ANSI code page.
#pragma once

#include <cstdio>
#include <memory>
#include <ostream>
#include <string>

struct file_closer {
  void operator()(FILE* file) const { fclose(file); }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

// Creates the folder `path`, one level. Returns an error text, empty when the
// folder was made or is there already.
std::string make_folder(std::string path);

// Creates a file that did not exist, named `prefix` and six random characters,
// in `folder`, open for binary writing with the permissions a new file usually
// gets. Sets `*path`; on failure returns null and sets `*error` to the
// system's reason.
file_ptr create_unique_file(std::string folder, std::string prefix, std::string* path,
                            std::string* error);

// Opens `path` for binary reading; on failure returns null and sets `*error`
// to the system's reason.
file_ptr open_for_reading(std::string path, std::string* error);

// Gives an open file the permission bits `mode` (POSIX only; Windows has none
// to give). Returns the system's reason for a failure, empty on success.
std::string set_file_mode(FILE* file, int mode);

// Writes what `file` holds through to the disk. Returns the system's reason
// for a failure, empty on success.
std::string flush_to_disk(FILE* file);

// Puts the closed file `source` in the place of `target` in one step, and
// makes that durable where the platform allows. Returns an error text naming
// `target`, empty on success; a target that another program holds open says
// so and tells the player to close the game and run the updater again.
std::string replace_file(std::string source, std::string target);

// Removes the file `path`, if it is there.
void remove_file(std::string path);

// Prepares the console for the run's output: on Windows the UTF-8 output code
// page, and standard output and error written byte for byte.
void set_up_console();

// Gives the console back as set_up_console found it.
void restore_console();

// `name` as it should be shown on the console: UTF-8 text.
std::string to_console_text(std::string name);

// Waits for the user to press a key before the console window closes: the
// command interpreter's "PAUSE" on Windows, a prompt and Enter elsewhere.
// Does nothing when standard input is not a terminal.
void wait_for_key(std::ostream& out);

// From now on Ctrl+C, Ctrl+Break, closing the console window and termination
// requests call `on_interrupt` (which must only set a flag) instead of ending
// the program at once.
void catch_interrupts(void (*on_interrupt)());

// Ends catch_interrupts. Where the system ends the program right after an
// interrupt (a closed console window), that happens only now, so the run can
// finish removing its temporary file and writing its last messages first.
void release_interrupts();

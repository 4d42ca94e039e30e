// Scratch folders and small file helpers for the tests.
#pragma once

#include <string>

// Creates a fresh folder under the system's temporary folder, readable by
// everyone (the test web server runs as another user), and returns its path.
std::string make_temp_dir();

// Removes `path` and everything below it.
void remove_tree(std::string path);

// Writes `content` to `path`, creating its parent folders.
void write_file(std::string path, std::string content);

// The whole content of `path`, or "<missing>" when it cannot be read.
std::string read_file(std::string path);

// True when `path` exists.
bool path_exists(std::string path);

// Every regular file below `root` as "relative/path" lines, sorted, for
// comparing trees.
std::string list_files(std::string root);

// The command line of korvanth-publish: init, add and check.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs the command in `args` (the program's name left out), with results on
// `out` and refusals, problems of use and help asked for wrongly on `err`.
// Returns the exit status: 0 done, 1 refused or problems found, 2 misused.
int run_publish_command(std::vector<std::string> args, std::ostream& out, std::ostream& err);

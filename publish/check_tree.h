// Checking an update server's tree the way the updater will read it.
#pragma once

#include <string>
#include <vector>

// What a check found.
struct tree_check {
  std::vector<std::string> problems;  // "PATH: problem", one a problem
  std::string summary;                // what was checked, for the closing line
};

// Checks ROOT/game_data: a readable current version; every version folder
// from the lowest present up to the current one, none above it and no
// leftover of an interrupted add; every manifest present in the format the
// publisher writes (line feeds only, a line feed after each line, no blank
// line, no byte-order mark, whole pairs, a flag of exactly "1"); names and
// local paths the updater carries unchanged; and at least one file, readable
// by the web server, for every entry a manifest names.
tree_check check_tree(std::string root);

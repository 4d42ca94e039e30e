// Reading a staging folder: the files of one version, laid out the way the
// installation will hold them (Songs/PACK/SONG/SONG.mp3, Courses/oni/NAME.crs,
// Themes/Velmoor/metrics.ini, Data/readme.txt, ...).
#pragma once

#include <string>
#include <vector>

#include "categories/layout.h"

// One file of an entry, as staged.
struct staged_file {
  std::string kind;    // the category's file kind; "" for an other file
  std::string source;  // the file in the staging folder
};

// One entry of a category's manifest, with its staged files.
struct staged_entry {
  manifest_entry entry;            // as the category's manifest will list it
  std::vector<staged_file> files;  // in the order of the category's kinds
};

// What the version brings of one category.
struct staged_category {
  category_info category;
  std::vector<staged_entry> entries;  // empty when the version brings nothing of it
};

// A staging folder, sorted into categories, or why it cannot be published.
struct staging_scan {
  std::vector<staged_category> categories;  // all seven, in the order a version applies them
  std::vector<std::string> problems;        // "PATH: why"; the folder is refused when any
};

// Sorts every file below `staging_dir` into the entry that installs it at the
// same place. A file that no category places becomes an other file with a
// unique flat server name, unless it lies in a folder that holds only songs,
// courses or CD titles. Refuses names and paths the updater cannot carry,
// links and special files, entry folders without a file of their entry, two
// entries of one name, and a folder with nothing to publish.
staging_scan scan_staging(std::string staging_dir);

// The number of entries the scan found in all categories.
size_t count_staged_entries(staging_scan scan);

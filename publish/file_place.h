// Reading the installation's layout backwards: which entry of which category a
// version installs at a given place. Built on get_local_file and
// list_folders_to_create, so the layout keeps one definition.
#pragma once

#include <string>
#include <vector>

#include "categories/layout.h"

// One way a version can put a file at a place.
struct file_place {
  category_id category;
  manifest_entry entry;  // as the category's manifest lists it
  std::string kind;      // one of the category's file kinds
};

// Every category, entry and kind for which get_local_file gives `local_file`
// (written the installation's way, e.g. "..\\Songs\\Pack\\Song\\Song.mp3").
// Other files are left out: they may go anywhere.
std::vector<file_place> find_file_places(std::string local_file);

// Every category and entry whose own folder (one that list_folders_to_create
// names after the entry) is `local_folder`, e.g. "..\\Songs\\Pack\\Song".
// `kind` is empty.
std::vector<file_place> find_entry_folders(std::string local_folder);

// The installation's top folder that holds nothing but the category's
// entries, e.g. "..\\Songs" or "..\\Courses"; empty for a category whose file
// has a fixed place and for other files.
std::string get_entry_root(category_info category);

// Where the category's files go, for people: "Songs/PACK/NAME/NAME + .mp3,
// .png, -bg.png, .kv, .ogg", relative to the installation's root.
std::string describe_places(category_info category);

// What the publisher lets into a version: names and local paths that the
// updater carries unchanged through a manifest line, an address and the
// installation's file system.
#pragma once

#include <string>

// Empty when `name` can stand as a song, pack, course, CD title or server file
// name in any installation; otherwise why not. Stricter than check_plain_name:
// also refuses "%", "#" and "?", characters and names that Windows cannot
// store, a trailing space or full stop, and a leading byte-order mark.
std::string check_publishable_name(std::string name);

// Empty when `local_path` (written the installation's way) can be an other
// file's place: map_local_path takes it, each of its names is publishable,
// and it is not the installed version record; otherwise why not.
std::string check_publishable_local_path(std::string local_path);

// `name` with its ASCII letters in lower case, for comparing names where a
// file system ignores case.
std::string fold_name_case(std::string name);

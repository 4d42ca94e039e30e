// Turning the installation's paths into the platform's, and refusing any path
// that would lead outside the installation.
#pragma once

#include <string>

struct local_path_result {
  bool safe = false;
  std::string path;  // the platform's path, relative to the updater's folder
  std::string why;   // why it was refused
};

// Maps a path written the installation's way (relative to the updater's
// folder, "\\" or "/" between components, ".." for the root) onto the
// platform, with every "name\\.." pair cancelled out. Refuses paths that are
// empty, absolute, carry a drive letter or control characters, name no file,
// climb above the installation's root, or hold a component that Windows cannot
// store (see check_storable_name), so every platform installs the same files.
local_path_result map_local_path(std::string installation_path);

// Empty when Windows can store `name` as one file or folder name: no control
// character, none of <>:"|?* or a separator, no trailing dot or space, and no
// device name such as CON, NUL, COM1 or LPT9, with or without an extension.
// Otherwise why not.
std::string check_storable_name(std::string name);

// Empty when `name` can stand as one folder or file name (no separators, not
// "." or "..", no control characters, no ":"); otherwise why not.
std::string check_plain_name(std::string name);

// `relative` placed under `folder` ("." stands for the working folder).
std::string join_path(std::string folder, std::string relative);

// Publishing on the update server's tree: starting it, and adding the next
// version so that a player sees either the old state or the whole new version.
#pragma once

#include <string>
#include <vector>

#include "driver/version_record.h"
#include "publish/staging.h"

// The start of the temporary folders that `add` fills under game_data before
// renaming one into place.
extern const char kPublishTempPrefix[];

// How an init or an add ended.
struct publish_result {
  bool ok = false;
  long long hundredths = 0;           // the version now current, when ok
  std::vector<std::string> problems;  // "PATH: why" when refused or failed
};

// The folder that the server publishes under `root`: "ROOT/game_data".
std::string get_game_data_dir(std::string root);

// The server's current version under `root`, read the way the updater reads it.
version_status read_current_version(std::string root);

// Creates ROOT/game_data and its current-version file at `hundredths`, e.g.
// "1.00". Refuses when game_data already exists.
publish_result init_tree(std::string root, long long hundredths);

// Publishes `scan` as the version after the current one: its files and the
// manifests of the categories it brings go into a temporary folder, which is
// renamed into place before the current-version file is replaced. Refuses a
// scan with problems and a version folder that already exists; on any failure
// the tree is left as it was.
publish_result publish_staged(std::string root, staging_scan scan);

// Scans `staging_dir` and publishes it as the next version.
publish_result add_version(std::string root, std::string staging_dir);

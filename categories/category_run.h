// The seven category downloads of one version.
#pragma once

#include <ostream>
#include <string>

#include "categories/layout.h"
#include "remote/transfer.h"

// What a run works on: the server, the installation and the console.
struct update_target {
  std::string server_base;    // e.g. "http://host/game_data/"
  std::string work_dir = "."; // the updater's folder; local paths start from it
  remote_steps remote;
  std::ostream* out = nullptr;  // the run's messages
  std::ostream* err = nullptr;  // warnings and errors
};

// Empty when every transfer of the category arrived or was absent; otherwise
// which file failed and why.
struct category_result {
  bool failed = false;
  std::string error;
};

// Fetches the category's manifest for the version and downloads what it names,
// with the category's messages and progress lines.
category_result run_category(category_info category, long long hundredths, update_target target);

category_result get_songs(long long hundredths, update_target target);
category_result get_nonstops(long long hundredths, update_target target);
category_result get_onis(long long hundredths, update_target target);
category_result get_cdtitles(long long hundredths, update_target target);
category_result get_metrics(long long hundredths, update_target target);
category_result get_ejecutable(long long hundredths, update_target target);
category_result get_others(long long hundredths, update_target target);

// The progress value after entry `i` of `n`, formed as the console shows it:
// 100 * i first, then divided by n, in single precision.
double compute_progress(int i, int n);

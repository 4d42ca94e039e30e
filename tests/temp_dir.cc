#include "tests/temp_dir.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

std::string make_temp_dir() {
  std::string pattern = (fs::temp_directory_path() / "korvanth-test-XXXXXX").string();
  char* made = mkdtemp(&pattern[0]);
  if (!made) std::abort();
  chmod(made, 0755);
  return made;
}

void remove_tree(std::string path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

void write_file(std::string path, std::string content) {
  fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string read_file(std::string path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool path_exists(std::string path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

std::string list_files(std::string root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), root).string());
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + "\n";
  return listing;
}

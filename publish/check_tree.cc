#include "publish/check_tree.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "categories/layout.h"
#include "categories/local_path.h"
#include "categories/manifest.h"
#include "driver/version_record.h"
#include "publish/publish_version.h"
#include "publish/publishable.h"
#include "remote/transfer.h"

namespace fs = std::filesystem;

namespace {

const char kMissing[] = "is missing";

struct checker {
  std::string root;
  std::vector<std::string> problems;

  void report(std::string relative, std::string problem) {
    problems.push_back(join_path(root, relative) + ": " + problem);
  }
};

// Why the web server, running as another user, cannot hand out `relative`;
// empty when it can. `file`: a file rather than a folder.
std::string check_servable(std::string path, bool file) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return kMissing;
  if (file && !S_ISREG(info.st_mode)) return "is not a file";
  if (!file && !S_ISDIR(info.st_mode)) return "is not a folder";
  mode_t needed = file ? S_IROTH : (S_IROTH | S_IXOTH);
  if ((info.st_mode & needed) != needed)
    return "is not readable by other users, so the web server may refuse it";
  return "";
}

bool read_whole_file(std::string path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return !in.bad();
}

// The version a folder name stands for, when it is one's folder text.
bool read_folder_version(std::string name, long long* hundredths) {
  version_status status = parse_version_text(name);
  if (!status.ok || to_str(status.hundredths) != name) return false;
  *hundredths = status.hundredths;
  return true;
}

// Problems of the manifest's bytes; parse_manifest forgives them all, but
// they mean the manifest was not written the way the updater expects.
std::vector<std::string> check_manifest_format(manifest_kind kind, std::string body) {
  std::vector<std::string> found;
  if (kind == manifest_kind::flag) {
    if (body != "1") found.push_back("a flag must hold exactly \"1\", without a line feed");
    return found;
  }
  if (body.empty()) return found;
  if (has_byte_order_mark(body)) found.push_back("begins with a byte-order mark");
  if (looks_like_error_page(body))
    found.push_back("begins like a server error page, so the updater ignores it");
  if (body.find('\r') != std::string::npos) found.push_back("holds a carriage return");
  std::vector<std::string> lines = split(body, "\n");
  // split leaves an empty piece after the final line feed.
  if (!lines.back().empty()) found.push_back("the last line has no line feed");
  lines.pop_back();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty() || lines[i] == "\r") {
      found.push_back("line " + std::to_string(i + 1) + " is blank");
      break;
    }
  }
  if (kind == manifest_kind::pair_list && split_manifest_lines(body).size() % 2 == 1)
    found.push_back("has an odd number of lines; it lists pairs of lines");
  return found;
}

// Problems of the names in one entry.
std::vector<std::string> check_entry_names(category_info category, manifest_entry entry) {
  std::vector<std::string> found;
  if (category.kind == manifest_kind::flag) return found;
  std::string why = check_publishable_name(entry.name);
  if (!why.empty()) found.push_back("\"" + entry.name + "\": " + why);
  if (category.id == category_id::others) {
    why = check_publishable_local_path(entry.second);
    if (!why.empty()) found.push_back("\"" + entry.second + "\": " + why);
  } else if (category.kind == manifest_kind::pair_list) {
    why = check_publishable_name(entry.second);
    if (!why.empty()) found.push_back("\"" + entry.second + "\": " + why);
  }
  return found;
}

void check_version_folder(checker* check, long long hundredths) {
  std::string version = to_str(hundredths);
  std::string folder = "game_data/" + version;
  std::string why = check_servable(join_path(check->root, folder), false);
  if (!why.empty()) check->report(folder, why);
  for (const category_info& category : list_categories()) {
    std::string manifest = folder + "/" + version + category.manifest_suffix;
    std::string path = join_path(check->root, manifest);
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) continue;
    std::string body;
    why = check_servable(path, true);
    if (why.empty() && !read_whole_file(path, &body)) why = "cannot be read";
    if (!why.empty()) {
      check->report(manifest, why);
      continue;
    }
    for (const std::string& problem : check_manifest_format(category.kind, body))
      check->report(manifest, problem);
    if (!manifest_counts(category.kind, body)) continue;

    std::map<std::string, std::string> seconds;  // of the names seen so far
    for (const manifest_entry& entry :
         parse_manifest(category.kind, body, category.fixed_name).entries) {
      for (const std::string& problem : check_entry_names(category, entry))
        check->report(manifest, problem);
      if (category.kind != manifest_kind::flag && !seconds.emplace(entry.name, entry.second).second)
        check->report(manifest, "\"" + entry.name + "\" is listed twice");
      // An entry needs one file at least; the updater skips the kinds it lacks.
      std::string missing, unreadable;
      bool has_file = false;
      for (const std::string& kind : category.file_kinds) {
        std::string file = folder + get_server_file_path(category, entry, kind);
        std::string file_why = check_servable(join_path(check->root, file), true);
        if (file_why.empty()) has_file = true;
        if (file_why == kMissing)
          missing += (missing.empty() ? "" : ", ") + file;
        else if (!file_why.empty())
          check->report(file, file_why);
      }
      if (!has_file && !missing.empty())
        check->report(manifest, "\"" + entry.name + "\": no file of it is present (" + missing + ")");
    }
  }
}

}  // namespace

tree_check check_tree(std::string root) {
  checker check{root, {}};
  tree_check result;
  std::string game_data = get_game_data_dir(root);
  std::string why = check_servable(game_data, false);
  if (!why.empty()) {
    check.report("game_data", why);
    result.problems = check.problems;
    return result;
  }
  std::string version_file = std::string("game_data/") + kVersionFileName;
  why = check_servable(join_path(root, version_file), true);
  if (!why.empty()) check.report(version_file, why);
  version_status current = read_current_version(root);
  if (why.empty() && !current.ok) check.report(version_file, current.error);

  std::vector<long long> versions;
  std::error_code error;
  for (fs::directory_iterator walk(game_data, error), end; !error && walk != end;
       walk.increment(error)) {
    std::string name = walk->path().filename().string();
    long long hundredths = 0;
    if (name.rfind(kPublishTempPrefix, 0) == 0)
      check.report("game_data/" + name, "is left over from an interrupted add; remove it");
    else if (walk->is_directory(error) && read_folder_version(name, &hundredths))
      versions.push_back(hundredths);
  }
  if (error) check.report("game_data", "cannot be read: " + error.message());
  std::sort(versions.begin(), versions.end());

  if (current.ok && !versions.empty()) {
    for (long long v = versions.front(); v <= current.hundredths; ++v)
      if (!std::binary_search(versions.begin(), versions.end(), v))
        check.report("game_data/" + to_str(v), "is missing (versions " + to_str(versions.front()) +
                                                   " to " + to_str(current.hundredths) +
                                                   " must all be present)");
  }
  for (long long v : versions) {
    if (current.ok && v > current.hundredths)
      check.report("game_data/" + to_str(v), "lies above the current version " +
                                                 format_version(current.hundredths) +
                                                 "; players never get it and add refuses to "
                                                 "publish over it");
    check_version_folder(&check, v);
  }

  result.problems = check.problems;
  std::string checked = versions.empty() ? "no version folders"
                                         : "version folders " + to_str(versions.front()) + " to " +
                                               to_str(versions.back());
  result.summary = checked + ", current version " +
                   (current.ok ? format_version(current.hundredths) : std::string("unknown"));
  return result;
}

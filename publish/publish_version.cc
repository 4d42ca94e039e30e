#include "publish/publish_version.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "categories/local_path.h"
#include "categories/manifest.h"
#include "remote/replace_file.h"

namespace fs = std::filesystem;

const char kPublishTempPrefix[] = ".publishing-";

namespace {

// Everything published is readable by the web server, whoever owns the files.
const fs::perms kFolderMode = static_cast<fs::perms>(0755);
const fs::perms kFileMode = static_cast<fs::perms>(0644);

// The version file is tiny; anything longer is no version file of ours.
const std::streamsize kVersionFileLimit = 4096;

publish_result refuse(std::string path, std::string why) {
  publish_result result;
  result.problems.push_back(path + ": " + why);
  return result;
}

// Replaces the current-version file in one rename. Returns why not, or "".
std::string write_version_file(std::string game_data, long long hundredths) {
  return replace_file_text(join_path(game_data, kVersionFileName), format_version(hundredths),
                           0644);
}

// Writes `text` as the new file `path`. Returns why not, or "".
std::string write_new_file(std::string path, std::string text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) return "cannot write " + path;
  return "";
}

// Fills `folder` with the scan's files and manifests for `hundredths`.
// Returns "PATH: why" of the first failure, or "".
std::string fill_version_folder(std::string folder, staging_scan scan, long long hundredths) {
  std::error_code error;
  for (const staged_category& staged : scan.categories) {
    if (staged.entries.empty()) continue;
    std::vector<manifest_entry> entries;
    for (const staged_entry& entry : staged.entries) {
      entries.push_back(entry.entry);
      for (const staged_file& file : entry.files) {
        std::string target =
            folder + get_server_file_path(staged.category, entry.entry, file.kind);
        fs::create_directories(fs::path(target).parent_path(), error);
        if (error) return fs::path(target).parent_path().string() + ": " + error.message();
        if (!fs::copy_file(file.source, target, error) || error)
          return file.source + ": cannot copy to " + target + ": " +
                 (error ? error.message() : "the copy failed");
      }
    }
    std::string manifest = join_path(folder, to_str(hundredths) + staged.category.manifest_suffix);
    std::string why = write_new_file(manifest, format_manifest(staged.category.kind, entries));
    if (!why.empty()) return why;
  }
  fs::permissions(folder, kFolderMode, error);
  for (fs::recursive_directory_iterator walk(folder, error), end; !error && walk != end;
       walk.increment(error)) {
    bool is_folder = walk->is_directory(error);
    if (!error) fs::permissions(walk->path(), is_folder ? kFolderMode : kFileMode, error);
    if (error) return walk->path().string() + ": " + error.message();
  }
  if (error) return folder + ": " + error.message();
  return "";
}

}  // namespace

std::string get_game_data_dir(std::string root) { return join_path(root, "game_data"); }

version_status read_current_version(std::string root) {
  std::string path = join_path(get_game_data_dir(root), kVersionFileName);
  std::ifstream in(path, std::ios::binary);
  version_status status;
  if (!in) {
    status.error = path + ": cannot be read";
    return status;
  }
  std::string text(static_cast<size_t>(kVersionFileLimit), '\0');
  in.read(&text[0], kVersionFileLimit);
  text.resize(static_cast<size_t>(in.gcount()));
  status = parse_version_text(text);
  if (!status.ok) status.error = path + ": " + status.error;
  return status;
}

publish_result init_tree(std::string root, long long hundredths) {
  std::string game_data = get_game_data_dir(root);
  if (hundredths < 0 || hundredths > kMaxVersionHundredths)
    return refuse(game_data, "the version must lie between 0.00 and " +
                                 format_version(kMaxVersionHundredths));
  std::error_code error;
  if (fs::exists(fs::symlink_status(game_data, error)))
    return refuse(game_data, "already exists; a tree is started once");
  if (!fs::exists(root, error)) {
    fs::create_directories(root, error);
    if (!error) fs::permissions(root, kFolderMode, error);
    if (error) return refuse(root, "cannot be created: " + error.message());
  }
  fs::create_directory(game_data, error);
  if (!error) fs::permissions(game_data, kFolderMode, error);
  if (error) return refuse(game_data, "cannot be created: " + error.message());
  std::string why = write_version_file(game_data, hundredths);
  if (!why.empty()) {
    fs::remove_all(game_data, error);
    return refuse(game_data, why);
  }
  publish_result result;
  result.ok = true;
  result.hundredths = hundredths;
  return result;
}

publish_result publish_staged(std::string root, staging_scan scan) {
  publish_result result;
  if (!scan.problems.empty()) {
    result.problems = scan.problems;
    return result;
  }
  std::string game_data = get_game_data_dir(root);
  version_status current = read_current_version(root);
  if (!current.ok) {
    result.problems.push_back(current.error + " (start the tree with init)");
    return result;
  }
  long long next = current.hundredths + 1;
  if (next > kMaxVersionHundredths)
    return refuse(game_data, "the current version " + format_version(current.hundredths) +
                                 " is the last one the updater takes");
  std::string folder = join_path(game_data, to_str(next));
  std::error_code error;
  if (fs::exists(fs::symlink_status(folder, error)))
    return refuse(folder, "already exists although the current version is " +
                              format_version(current.hundredths) +
                              "; remove it or find out who published it");

  std::string temp = join_path(game_data, std::string(kPublishTempPrefix) + "XXXXXX");
  if (!mkdtemp(&temp[0])) return refuse(game_data, std::string("cannot write: ") + std::strerror(errno));
  std::string why = fill_version_folder(temp, scan, next);
  if (why.empty()) {
    fs::rename(temp, folder, error);
    if (error) why = folder + ": cannot be put in place: " + error.message();
  }
  if (!why.empty()) {
    fs::remove_all(temp, error);
    result.problems.push_back(why);
    return result;
  }
  why = write_version_file(game_data, next);
  if (!why.empty()) {
    // Nobody was sent to the new folder yet, so it goes again.
    fs::remove_all(folder, error);
    return refuse(join_path(game_data, kVersionFileName), why);
  }
  result.ok = true;
  result.hundredths = next;
  return result;
}

publish_result add_version(std::string root, std::string staging_dir) {
  return publish_staged(root, scan_staging(staging_dir));
}

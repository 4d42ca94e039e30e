#include "publish/staging.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "categories/local_path.h"
#include "publish/file_place.h"
#include "publish/publishable.h"

namespace fs = std::filesystem;

namespace {

// A staging path ("Songs/Pack/Song/Song.mp3") written the installation's way.
std::string to_local(std::string relative) { return "..\\" + replace(relative, "/", "\\"); }

size_t find_kind_index(const category_info& category, const std::string& kind) {
  auto found = std::find(category.file_kinds.begin(), category.file_kinds.end(), kind);
  return static_cast<size_t>(found - category.file_kinds.begin());
}

// A course file such as "Race-card.png" reads both as Race's card and as the
// picture of a course named "Race-card". The entry that some other file
// names without doubt wins; otherwise the longest kind, the plainer reading.
file_place choose_place(const std::vector<file_place>& places,
                        const std::set<std::pair<category_id, std::string>>& certain) {
  const file_place* best = nullptr;
  bool best_certain = false;
  for (const file_place& place : places) {
    bool is_certain = certain.count({place.category, place.entry.name}) > 0;
    if (!best || (is_certain && !best_certain) ||
        (is_certain == best_certain && place.kind.size() > best->kind.size())) {
      best = &place;
      best_certain = is_certain;
    }
  }
  return *best;
}

// The entry roots (e.g. "..\\Courses") with what their files must look like.
std::map<std::string, std::string> describe_entry_roots() {
  std::map<std::string, std::string> roots;
  for (const category_info& category : list_categories()) {
    std::string root = get_entry_root(category);
    if (root.empty()) continue;
    std::string& text = roots[root];
    text += (text.empty() ? "" : " or ") + describe_places(category);
  }
  return roots;
}

// A flat name for an other file on the server, unique in the version even
// where the server's file system ignores case.
std::string choose_server_name(std::string file_name, std::set<std::string>* used) {
  std::string name = file_name;
  for (int n = 2; used->count(fold_name_case(name)) > 0; ++n)
    name = std::to_string(n) + "-" + file_name;
  used->insert(fold_name_case(name));
  return name;
}

staged_category& find_staged(std::vector<staged_category>& categories, category_id id) {
  return *std::find_if(categories.begin(), categories.end(),
                       [&](const staged_category& c) { return c.category.id == id; });
}

}  // namespace

staging_scan scan_staging(std::string staging_dir) {
  staging_scan scan;
  for (const category_info& category : list_categories()) scan.categories.push_back({category, {}});
  auto report = [&](std::string relative, std::string why) {
    scan.problems.push_back((relative.empty() ? staging_dir : join_path(staging_dir, relative)) +
                            ": " + why);
  };

  std::error_code error;
  if (!fs::is_directory(staging_dir, error)) {
    report("", "is not a folder");
    return scan;
  }
  std::vector<std::string> files, folders;
  fs::recursive_directory_iterator walk(staging_dir, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    std::string relative = walk->path().lexically_relative(staging_dir).generic_string();
    std::string why = check_publishable_name(walk->path().filename().string());
    fs::file_status status = walk->symlink_status(error);
    if (error) break;
    if (!why.empty()) {
      report(relative, why);
      walk.disable_recursion_pending();
    } else if (fs::is_symlink(status)) {
      report(relative, "is a symbolic link; stage the file itself");
    } else if (fs::is_directory(status)) {
      folders.push_back(relative);
    } else if (fs::is_regular_file(status)) {
      files.push_back(relative);
    } else {
      report(relative, "is neither a file nor a folder");
    }
  }
  if (error) {
    report("", "cannot be read: " + error.message());
    return scan;
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());

  // Which entry each file belongs to.
  std::map<std::string, std::string> entry_roots = describe_entry_roots();
  std::vector<std::pair<std::string, std::vector<file_place>>> placed;
  std::vector<std::string> others;
  std::set<std::pair<category_id, std::string>> certain;
  for (const std::string& relative : files) {
    std::string local = to_local(relative);
    std::vector<file_place> places = find_file_places(local);
    if (!places.empty()) {
      if (places.size() == 1) certain.insert({places[0].category, places[0].entry.name});
      placed.push_back({relative, places});
      continue;
    }
    bool stray = false;
    for (const auto& root : entry_roots) {
      if (local != root.first && local.compare(0, root.first.size() + 1, root.first + "\\") != 0)
        continue;
      report(relative, "is no file the updater installs there; that folder holds only " +
                           root.second);
      stray = true;
    }
    if (!stray) others.push_back(relative);
  }

  std::map<std::pair<category_id, std::string>, std::string> first_path;
  for (const auto& [relative, places] : placed) {
    file_place place = choose_place(places, certain);
    // A course's name is only part of a file name, so check it on its own too:
    // the manifest carries it as a name.
    std::string why = check_publishable_name(place.entry.name);
    if (why.empty() && !place.entry.second.empty()) why = check_publishable_name(place.entry.second);
    if (!why.empty()) {
      report(relative, "as the entry \"" + place.entry.name + "\": " + why);
      continue;
    }
    staged_category& target = find_staged(scan.categories, place.category);
    auto [first, inserted] = first_path.insert({{place.category, place.entry.name}, relative});
    auto same_entry = [&](const staged_entry& e) {
      return e.entry.name == place.entry.name && e.entry.second == place.entry.second;
    };
    auto entry = std::find_if(target.entries.begin(), target.entries.end(), same_entry);
    if (entry == target.entries.end() && !inserted) {
      report(relative, "another entry named \"" + place.entry.name + "\" is staged at " +
                           first->second + "; the server holds one entry of a name per version");
      continue;
    }
    if (entry == target.entries.end()) {
      target.entries.push_back({place.entry, {}});
      entry = target.entries.end() - 1;
    }
    entry->files.push_back({place.kind, join_path(staging_dir, relative)});
  }
  for (staged_category& staged : scan.categories)
    for (staged_entry& entry : staged.entries)
      std::sort(entry.files.begin(), entry.files.end(),
                [&](const staged_file& a, const staged_file& b) {
                  return find_kind_index(staged.category, a.kind) <
                         find_kind_index(staged.category, b.kind);
                });

  // An entry's folder with files in it has them placed or refused above.
  for (const std::string& relative : folders) {
    bool holds_files = std::any_of(files.begin(), files.end(), [&](const std::string& file) {
      return file.compare(0, relative.size() + 1, relative + "/") == 0;
    });
    if (holds_files) continue;
    for (const file_place& owner : find_entry_folders(to_local(relative)))
      report(relative, "holds no file; expected " +
                           describe_places(find_staged(scan.categories, owner.category).category));
  }

  staged_category& other_files = find_staged(scan.categories, category_id::others);
  std::set<std::string> server_names;
  for (const std::string& relative : others) {
    std::string local = to_local(relative);
    std::string why = check_publishable_local_path(local);
    if (!why.empty()) {
      report(relative, why);
      continue;
    }
    std::string name = choose_server_name(fs::path(relative).filename().string(), &server_names);
    other_files.entries.push_back({{name, local}, {{"", join_path(staging_dir, relative)}}});
  }

  if (scan.problems.empty() && count_staged_entries(scan) == 0)
    report("", "holds nothing to publish");
  return scan;
}

size_t count_staged_entries(staging_scan scan) {
  size_t count = 0;
  for (const staged_category& staged : scan.categories) count += staged.entries.size();
  return count;
}

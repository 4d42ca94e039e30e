#include "publish/file_place.h"

namespace {

// Stand-ins for an entry's name and second part inside a place's pattern.
// Real places never hold control characters, so the marks cannot clash.
const char kNameMark = '\x01';
const char kSecondMark = '\x02';
const manifest_entry kMarkedEntry = {std::string(1, kNameMark), std::string(1, kSecondMark)};

// Matches `text` from `t` against `pattern` from `p`; each mark stands for a
// non-empty run without "\\", the same run wherever it appears.
bool match_from(const std::string& pattern, size_t p, const std::string& text, size_t t,
                std::string bound[2]) {
  if (p == pattern.size()) return t == text.size();
  char c = pattern[p];
  if (c != kNameMark && c != kSecondMark) {
    return t < text.size() && text[t] == c && match_from(pattern, p + 1, text, t + 1, bound);
  }
  std::string& value = bound[c == kNameMark ? 0 : 1];
  if (!value.empty()) {
    return text.compare(t, value.size(), value) == 0 &&
           match_from(pattern, p + 1, text, t + value.size(), bound);
  }
  for (size_t end = t + 1; end <= text.size() && text[end - 1] != '\\'; ++end) {
    value = text.substr(t, end - t);
    if (match_from(pattern, p + 1, text, end, bound)) return true;
  }
  value.clear();
  return false;
}

// The entry that `pattern` gives `text`, when it matches.
bool match_place(const std::string& pattern, const std::string& text, category_info category,
                 manifest_entry* entry) {
  std::string bound[2];
  if (!match_from(pattern, 0, text, 0, bound)) return false;
  entry->name = pattern.find(kNameMark) == std::string::npos ? category.fixed_name : bound[0];
  entry->second = bound[1];
  return true;
}

std::string to_people(std::string local) {
  if (local.compare(0, 3, "..\\") == 0) local.erase(0, 3);
  local = replace(local, "\\", "/");
  local = replace(local, std::string(1, kNameMark), "NAME");
  return replace(local, std::string(1, kSecondMark), "PACK");
}

}  // namespace

std::vector<file_place> find_file_places(std::string local_file) {
  std::vector<file_place> places;
  for (const category_info& category : list_categories()) {
    if (category.id == category_id::others) continue;
    for (const std::string& kind : category.file_kinds) {
      manifest_entry entry;
      if (match_place(get_local_file(category, kMarkedEntry, kind), local_file, category, &entry))
        places.push_back({category.id, entry, kind});
    }
  }
  return places;
}

std::vector<file_place> find_entry_folders(std::string local_folder) {
  std::vector<file_place> places;
  for (const category_info& category : list_categories()) {
    if (category.id == category_id::others) continue;
    for (const std::string& folder : list_folders_to_create(category, kMarkedEntry)) {
      manifest_entry entry;
      if (folder.find(kNameMark) != std::string::npos &&
          match_place(folder, local_folder, category, &entry))
        places.push_back({category.id, entry, ""});
    }
  }
  return places;
}

std::string get_entry_root(category_info category) {
  if (category.id == category_id::others || category.file_kinds.empty()) return "";
  std::string pattern = get_local_file(category, kMarkedEntry, category.file_kinds.front());
  size_t mark = pattern.find_first_of(std::string{kNameMark, kSecondMark});
  if (mark == std::string::npos) return "";
  // The first folder after the climbs to the root.
  std::string root;
  for (const std::string& part : split(pattern.substr(0, mark), "\\")) {
    if (part.empty()) break;
    root += root.empty() ? part : "\\" + part;
    if (part != "..") return root;
  }
  return "";
}

std::string describe_places(category_info category) {
  std::string text = to_people(get_local_file(category, kMarkedEntry, ""));
  if (category.file_kinds.size() == 1) return text + category.file_kinds.front();
  std::string kinds;
  for (const std::string& kind : category.file_kinds) kinds += (kinds.empty() ? "" : ", ") + kind;
  return text + " + " + kinds;
}

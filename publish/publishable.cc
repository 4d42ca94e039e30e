#include "publish/publishable.h"

#include <filesystem>

#include "categories/layout.h"
#include "categories/local_path.h"
#include "categories/manifest.h"

namespace {

// Windows opens a device instead of a file for these, whatever the extension.
bool is_device_name(const std::string& name) {
  std::string stem = fold_name_case(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string fold_name_case(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

std::string check_publishable_name(std::string name) {
  std::string why = check_plain_name(name);
  if (!why.empty()) return why;
  for (char c : name) {
    // The updater escapes these, but a name that needs them is not worth the
    // risk of a server or proxy reading the address differently.
    if (c == '%' || c == '#' || c == '?')
      return std::string("the name holds \"") + c + "\", which is not published in addresses";
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '*')
      return std::string("the name holds \"") + c + "\", which Windows cannot store";
  }
  if (name.back() == ' ' || name.back() == '.')
    return "the name ends in a space or a full stop, which Windows drops";
  if (has_byte_order_mark(name))
    return "the name begins with a byte-order mark, which the updater drops from a manifest";
  if (is_device_name(name)) return "the name is a device name on Windows";
  return "";
}

std::string check_publishable_local_path(std::string local_path) {
  local_path_result mapped = map_local_path(local_path);
  if (!mapped.safe) return mapped.why;
  for (const std::string& part : split(mapped.path, "/")) {
    if (part == "..") continue;
    std::string why = check_publishable_name(part);
    if (!why.empty()) return "\"" + part + "\": " + why;
  }
  // Lexically, so that a detour through another folder does not hide it; without
  // case, for installations on file systems that ignore it.
  auto normal = [](std::string path) {
    return fold_name_case(std::filesystem::path(path).lexically_normal().generic_string());
  };
  if (normal(mapped.path) == normal(map_local_path(kVersionRecordPath).path))
    return "it is the installed version record, which only the updater writes";
  return "";
}
